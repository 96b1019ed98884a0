#include "system/scrambled_file.h"

#include <cstdint>
#include <random>
#include <string>

#include "commands/args.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "host/security.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace kobu {

namespace {

// Files written with other values cannot be read back, so these never change.
constexpr uint32_t kScrambleSeed = 0x4B6F6275u;  // "Kobu"

// The key of the two commands (29 bytes in CP932) and the one used when a
// caller gives no key (17 bytes).
const std::string& CommandKey() {
  static const std::string key = sj("Koburane秘密の鍵#2026こぶらね");
  return key;
}

const std::string& DefaultKey() {
  static const std::string key = sj("kobu既定のキー#17");
  return key;
}

[[noreturn]] void ReadWriteFailure(TKobuBase& base, const std::string& name) {
  ScriptError(base, "ファイル\"%s\"の、読み込みか書き込みに、失敗しました。", {name});
}

}  // namespace

std::string ScrambleBytes(std::string data, std::string_view key) {
  if (key.empty()) key = DefaultKey();
  std::mt19937 random(kScrambleSeed);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ static_cast<unsigned char>(key[i % key.size()]) ^
                                static_cast<unsigned char>(random() >> 24));
  return data;
}

// A 4-byte little-endian length, the text, all of it scrambled; an empty
// text is an empty file.
void CmdSaveScrambled(TKobuBase& base) {
  std::string file = ArgText(base);
  std::string text = ArgText(base);
  if (!CheckFileAccess(base, file, "\"" + file + "\"" + sj("へ保存しますか？"))) return;
  std::string bytes;
  if (!text.empty()) {
    if (text.size() > UINT32_MAX) ScriptError(base, "\"%s\"で、暗号化に失敗", {sj("暗号化して保存")});
    uint32_t n = static_cast<uint32_t>(text.size());
    bytes.reserve(4 + text.size());
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((n >> (8 * k)) & 0xFF);
    bytes += text;
    text.clear();
    bytes = ScrambleBytes(std::move(bytes), CommandKey());
  }
  if (!WriteWholeFile(NativePath(file), bytes)) ReadWriteFailure(base, file);
}

void CmdLoadScrambled(TKobuBase& base) {
  std::string file = ArgText(base);
  THashNode* target = ArgWord(base, true);  // それ when the variable was left out
  if (target->Reserved) ScriptError(base, "\"%s\"は、読取専用です。", {target->Name});
  std::string bytes;
  if (!ReadWholeFile(NativePath(file), bytes)) ReadWriteFailure(base, file);
  std::string value;
  if (!bytes.empty()) {
    // A stored length larger than what follows is a damaged file, never a reason to read on.
    if (bytes.size() < 4) ReadWriteFailure(base, file);
    bytes = ScrambleBytes(std::move(bytes), CommandKey());
    uint32_t n = 0;
    for (int k = 0; k < 4; ++k) n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])) << (8 * k);
    if (n > bytes.size() - 4) ReadWriteFailure(base, file);
    value = bytes.substr(4, n);
  }
  target->Value = std::move(value);
  target->TypeMark = "s";
}

}  // namespace kobu
