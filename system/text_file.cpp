#include "system/text_file.h"

#include <atomic>

#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

std::atomic<TFileEncoding> startupEncoding{feSjis};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

bool FileEncodingOfName(std::string_view name, TFileEncoding& encoding) {
  std::string u(name);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);  // names are ASCII; other bytes never match
  if (u == "SJIS") encoding = feSjis;
  else if (u == "UTF8" || u == "UTF-8") encoding = feUtf8;
  else return false;
  return true;
}

void SetStartupFileEncoding(TFileEncoding encoding) { startupEncoding = encoding; }

const char* StartupFileEncodingName() { return startupEncoding == feUtf8 ? "UTF8" : "SJIS"; }

TFileEncoding CurrentFileEncoding(TKobuBase& base) {
  THashNode* s = base.Settings[swFileEncoding];
  TFileEncoding e = feSjis;
  if (!s || s->Value.empty() || FileEncodingOfName(s->Value, e)) return e;
  // Guessing would read or write the file wrongly without a word.
  ScriptErrorSj(base, sj("ファイル文字コード\"") + s->Value + sj("\"は使えません。SJISかUTF8を指定してください。"));
}

std::string Utf8ToScriptText(TKobuBase& base, std::string_view utf8, const std::string& what) {
  bool lossless = true;
  std::string text = Utf8ToCp932(utf8, &lossless);
  if (!lossless)
    Warn(base, what + sj("には、Shift-JISで表せない文字があります。それらの文字は「?」に置き換えました。"));
  return text;
}

std::string ScriptTextToUtf8(TKobuBase& base, std::string_view text, const std::string& what) {
  bool lossless = true;
  std::string utf8 = Cp932ToUtf8(text, &lossless);
  if (!lossless)
    Warn(base, what + sj("には、Shift-JISの文字にならないバイトがあります。それらはU+FFFDに置き換えました。"));
  return utf8;
}

std::string TextFromFile(TKobuBase& base, std::string bytes, const std::string& fileName) {
  if (CurrentFileEncoding(base) != feUtf8) return bytes;
  std::string_view b(bytes);
  if (b.substr(0, kBom.size()) == kBom) b.remove_prefix(kBom.size());
  return Utf8ToScriptText(base, b, sj("ファイル\"") + fileName + "\"");
}

std::string TextForFile(TKobuBase& base, std::string text, const std::string& fileName) {
  if (CurrentFileEncoding(base) != feUtf8) return text;
  return ScriptTextToUtf8(base, text, sj("ファイル\"") + fileName + "\"");
}

}  // namespace kobu
