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
