// CP932 (Shift-JIS) <-> UTF-8 at the edges of the runtime: terminal, file
// names, widgets, and the Japanese literals written in our C++ sources.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

// Converts UTF-8 to CP932. Characters CP932 cannot hold become '?' and clear
// *lossless (when given); invalid UTF-8 bytes are treated the same way.
std::string Utf8ToCp932(std::string_view utf8, bool* lossless = nullptr);

// Converts CP932 to UTF-8. Bytes that form no CP932 character become U+FFFD
// and clear *lossless (when given).
std::string Cp932ToUtf8(std::string_view sjis, bool* lossless = nullptr);

// True when the bytes are valid UTF-8 and hold at least one multi-byte sequence.
bool LooksLikeUtf8(std::string_view bytes);

// A Japanese literal of our own sources, converted to CP932.
inline std::string sj(std::string_view utf8) { return Utf8ToCp932(utf8); }

}  // namespace kobu
