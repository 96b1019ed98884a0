// Reading INI files.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

// The value of `key` in `section` of the INI file at the native path; section
// and key names compare without regard to ASCII letter case. `found` (when
// given) tells whether the file, section and key were all there.
std::string ReadIniValue(const std::string& nativePath, std::string_view section, std::string_view key,
                         bool* found = nullptr);

}  // namespace kobu
