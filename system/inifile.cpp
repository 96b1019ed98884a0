#include "system/inifile.h"

#include <fstream>
#include <iterator>

#include "core/sjis.h"

namespace kobu {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  // A trail byte is never a space or a tab, so trimming bytes is safe here.
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Names compare as the private-profile functions compare them: ASCII letters
// without regard to case, double-byte characters exactly (their trail byte
// may look like a letter, but it is not one).
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t n = CharLenAt(a, i);
    if (n != CharLenAt(b, i)) return false;
    if (n == 1) {
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    } else if (a.compare(i, n, b, i, n) != 0) {
      return false;
    }
    i += n;
  }
  return true;
}

// Offset of the first single-byte `c` on a character start, npos when none.
size_t FindChar(std::string_view s, char c) {
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i))
    if (s[i] == c) return i;
  return std::string_view::npos;
}

}  // namespace

std::string ReadIniValue(const std::string& nativePath, std::string_view section, std::string_view key,
                         bool* found) {
  if (found) *found = false;
  std::ifstream in(nativePath, std::ios::binary);
  if (!in) return {};
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  section = TrimBlanks(section);
  key = TrimBlanks(key);

  // Only the first section of that name counts, and in it the first key.
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      if (inSection) break;
      std::string_view name = line.substr(1);
      size_t close = FindChar(name, ']');
      if (close != std::string_view::npos) name = name.substr(0, close);
      inSection = SameName(TrimBlanks(name), section);
      continue;
    }
    if (!inSection) continue;
    size_t eq = FindChar(line, '=');
    if (eq == std::string_view::npos) continue;
    if (!SameName(TrimBlanks(line.substr(0, eq)), key)) continue;
    if (found) *found = true;
    return std::string(TrimBlanks(line.substr(eq + 1)));
  }
  return {};
}

}  // namespace kobu
