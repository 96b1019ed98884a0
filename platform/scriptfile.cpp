#include "platform/scriptfile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/cp932.h"

namespace kobu {

namespace fs = std::filesystem;

std::string DecodeScriptText(std::string raw, TScriptEncoding encoding, bool& lossy) {
  lossy = false;
  bool bom = raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0;
  bool utf8 = encoding == seUtf8 || (encoding == seAuto && (bom || LooksLikeUtf8(raw)));
  if (bom && encoding != seSjis) raw.erase(0, 3);
  if (utf8) {
    bool lossless = true;
    raw = Utf8ToCp932(raw, &lossless);
    lossy = !lossless;
  }
  // Lines end in CR LF, CR or LF; every line is written back with CR LF.
  std::string text;
  text.reserve(raw.size() + raw.size() / 16 + 2);
  size_t i = 0, n = raw.size();
  while (i < n) {
    size_t e = i;
    while (e < n && raw[e] != '\r' && raw[e] != '\n') ++e;
    text.append(raw, i, e - i);
    text += "\r\n";
    if (e < n) e += (raw[e] == '\r' && e + 1 < n && raw[e + 1] == '\n') ? 2 : 1;
    i = e;
  }
  return text;
}

bool LoadScriptFile(const std::string& pathSj, TScriptEncoding encoding, std::string& text, bool& lossy) {
  lossy = false;
  std::error_code ec;
  std::string path = Cp932ToUtf8(pathSj);
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;

  text = DecodeScriptText(std::move(raw), encoding, lossy);
  return true;
}

}  // namespace kobu
