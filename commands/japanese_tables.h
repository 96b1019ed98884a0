// Width, case and kana tables for Shift-JIS text, with the whole-text
// conversions built on them. Characters a table does not hold pass unchanged.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

// Full-width ASCII, the ideographic space and full-width katakana to their
// half-width forms; a voiced or semi-voiced katakana becomes two bytes.
std::string ToHalfWidth(std::string_view text);
// ASCII and half-width katakana to full-width; a half-width voiced or
// semi-voiced mark joins the kana before it where the pair has one character.
std::string ToFullWidth(std::string_view text);
// Only the full-width digits, Latin letters and the signs of the alphanumeric
// table become half-width; everything else is copied.
std::string AlnumToHalfWidth(std::string_view text);
// Latin letters of both widths, Greek, Cyrillic and Roman numerals.
std::string ToUpperCase(std::string_view text);
std::string ToLowerCase(std::string_view text);
// Katakana to hiragana and back (ヴ, ヵ and ヶ have no hiragana in Shift-JIS).
std::string ToHiragana(std::string_view text);
std::string ToKatakana(std::string_view text);

// The half-width form of one character (one or two bytes at p), or nullptr.
const char* HalfWidthOf(const char* p, size_t len);

// The Shift-JIS code of the full-width form of half-width katakana byte
// `kana` (0xA1..0xDF). When `next` is a voiced (0xDE) or semi-voiced (0xDF)
// mark that combines with it, the combined code is returned and *joined is set.
unsigned WidenKana(unsigned char kana, int next, bool* joined);

}  // namespace kobu
