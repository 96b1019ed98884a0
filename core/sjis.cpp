#include "core/sjis.h"

namespace kobu {

bool EndsWithChars(std::string_view s, std::string_view suffix) {
  if (suffix.empty()) return true;
  if (suffix.size() > s.size()) return false;
  size_t start = s.size() - suffix.size();
  if (s.substr(start) != suffix) return false;
  // The suffix must begin where a character begins.
  size_t i = 0;
  while (i < start) i += CharLenAt(s, i);
  return i == start;
}

size_t LastCharStart(std::string_view s) {
  size_t i = 0, last = 0;
  while (i < s.size()) {
    last = i;
    i += CharLenAt(s, i);
  }
  return last;
}

bool DropSuffix(std::string& s, std::string_view suffix) {
  if (!EndsWithChars(s, suffix)) return false;
  s.resize(s.size() - suffix.size());
  return true;
}

std::string SjisReplace(std::string_view text, std::string_view pattern, std::string_view replacement, bool all) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  bool done = false;
  while (i < text.size()) {
    if (!done && text.compare(i, pattern.size(), pattern) == 0) {
      out.append(replacement);
      i += pattern.size();
      if (!all) done = true;
      continue;
    }
    size_t len = CharLenAt(text, i);
    out.append(text.data() + i, len);
    i += len;
  }
  return out;
}

std::string TrimText(std::string_view text) {
  // Bytes up to 0x20 are never trail bytes, so trimming them byte by byte is safe.
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return std::string(text.substr(b, e - b));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t e = i;
    while (e < text.size() && text[e] != '\r' && text[e] != '\n') e += CharLenAt(text, e);
    lines.emplace_back(text.substr(i, e - i));
    i = e;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

}  // namespace kobu
