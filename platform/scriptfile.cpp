#include "platform/scriptfile.h"

#include <cerrno>
#include <cstdio>
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
  // "#!/usr/bin/env koburane" lets a script run as a program; the line is
  // blanked, not removed, so error line numbers stay those of the file.
  if (raw.size() >= 2 && raw[0] == '#' && raw[1] == '!') {
    size_t end = raw.find_first_of("\r\n");
    raw.erase(0, end == std::string::npos ? raw.size() : end);
    if (raw.empty()) raw = "\n";
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

bool IsStdinPath(const std::string& pathSj) { return pathSj == "-" || pathSj == "/dev/stdin"; }

bool LoadScriptFile(const std::string& pathSj, TScriptEncoding encoding, std::string& text, bool& lossy) {
  int error = 0;
  return LoadScriptFile(pathSj, encoding, text, lossy, error);
}

bool LoadScriptFile(const std::string& pathSj, TScriptEncoding encoding, std::string& text, bool& lossy,
                    int& error) {
  lossy = false;
  error = 0;
  std::string raw;
  if (IsStdinPath(pathSj)) {
    // A pipe is no regular file: standard input is read to its end instead.
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) raw.append(buf, n);
    if (std::ferror(stdin)) {
      error = errno ? errno : EIO;
      return false;
    }
    text = DecodeScriptText(std::move(raw), encoding, lossy);
    return true;
  }
  std::error_code ec;
  std::string path = Cp932ToUtf8(pathSj);
  fs::file_status st = fs::status(path, ec);
  if (ec) {
    error = ec.value();
    return false;
  }
  if (fs::is_directory(st)) {
    error = EISDIR;
    return false;
  }
  // A FIFO is read like a file, so "koburane <(command)" works too.
  if (!fs::is_regular_file(st) && !fs::is_fifo(st)) {
    error = EINVAL;
    return false;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = errno ? errno : EACCES;
    return false;
  }
  raw.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = EIO;
    return false;
  }
  text = DecodeScriptText(std::move(raw), encoding, lossy);
  return true;
}

}  // namespace kobu
