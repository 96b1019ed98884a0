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

// Number of characters, stepping whole characters.
size_t SjisCharCount(std::string_view text);

// Byte offset of the character with 1-based position `pos` (the text's size
// when the text has fewer characters).
size_t SjisCharOffset(std::string_view text, long long pos);

// The characters at 1-based positions start .. start + count - 1. A start
// below 1 still counts from the first character; count <= 0 gives "".
std::string SjisCopy(std::string_view text, long long start, long long count);

// 0-based offset of the first occurrence of `pattern` starting on a character
// start at or after `offset`, which must itself be a character start (or the
// end of a match); npos when absent or when the pattern is empty.
size_t SjisFindFrom(std::string_view pattern, std::string_view text, size_t offset);

// 1-based byte position of the first occurrence at or after byte position
// `from` (below 1 counts as 1), or 0.
size_t SjisFind(std::string_view pattern, std::string_view text, long long from);

// The text with only the n-th non-overlapping occurrence replaced; unchanged
// when there are fewer, when n < 1 or when the pattern is empty.
std::string SjisReplaceNth(std::string_view text, std::string_view pattern, std::string_view replacement,
                           long long n);

// 1-based character position of the first occurrence, 0 when absent or empty.
size_t SjisCharPos(std::string_view pattern, std::string_view text);

// Number of non-overlapping occurrences; 0 for an empty pattern.
size_t SjisCount(std::string_view pattern, std::string_view text);

// The text before the separator and the text after it; without the separator
// the whole text is the head and the rest is empty.
struct TCut {
  std::string head, rest;
};
TCut CutToken(std::string_view separator, std::string_view text);

// Bytes up to 0x20, then full-width spaces, blanks, tabs and line ends, off both ends.
std::string SjisTrim(std::string_view text);

// Each byte as two hex digits followed by "," or, after every 16th, CR LF.
std::string BinaryDump(std::string_view text);

// The text without its tags ("<...>"); a stray ">" is dropped too.
std::string StripTags(std::string_view text);

// The text without blanks, tabs and line ends at both ends.
std::string TrimText(std::string_view text);

// The lines of a text; CR LF, CR or LF end a line, and a final line end adds no line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace kobu
