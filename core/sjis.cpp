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

}  // namespace kobu
