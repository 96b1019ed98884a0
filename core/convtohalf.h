// The half-width table: full-width signs, blanks, quotes, letters and digits
// folded to their half-width forms outside strings.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

class TConvToHalf {
 public:
  static const TConvToHalf& Instance();
  // Replacement of the character at p (one or two bytes, `len` its length), or
  // nullptr when the table does not hold it.
  const char* Lookup(const char* p, size_t len) const;
  // The whole-text conversion used for expressions, conditions and names.
  std::string Convert(std::string_view text) const;

 private:
  TConvToHalf();
  const char* two_[0x10000 - 0x8100];  // two-byte codes from 0x8100
};

}  // namespace kobu
