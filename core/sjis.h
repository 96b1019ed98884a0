// Shift-JIS character stepping shared by every scanner of the interpreter.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kobu {

inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length in bytes of the character at p in a zero-terminated text (0 at the end).
// A lead byte directly before the terminator counts as a character of its own.
inline size_t CharLen(const char* p) {
  unsigned char c = static_cast<unsigned char>(*p);
  if (c == 0) return 0;
  return (IsLeadByte(c) && p[1] != 0) ? 2 : 1;
}

// Length of the character at byte i of s (i < s.size()).
inline size_t CharLenAt(std::string_view s, size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Two-byte code of the character at p (0 when it is a single byte).
inline unsigned CharCode(const char* p) {
  if (CharLen(p) != 2) return 0;
  return (static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]);
}

// Hiragana as the word table counts it: 0x82A0 (あ) to 0x833E. The small あ
// (0x829F) is not included.
inline bool IsHiraganaCode(unsigned code) { return code >= 0x82A0 && code <= 0x833E; }

// True when `suffix` ends `s` on a character boundary.
bool EndsWithChars(std::string_view s, std::string_view suffix);

// Byte offset of the last character of s (s non-empty).
size_t LastCharStart(std::string_view s);

// Removes the last character of s when s ends with `suffix` on a boundary.
bool DropSuffix(std::string& s, std::string_view suffix);

// The text with every occurrence of `pattern` (found on character starts)
// replaced; with `all` clear only the first. A replacement is never searched again.
std::string SjisReplace(std::string_view text, std::string_view pattern, std::string_view replacement, bool all);

// The text without blanks, tabs and line ends at both ends.
std::string TrimText(std::string_view text);

// The lines of a text; CR LF, CR or LF end a line, and a final line end adds no line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace kobu
