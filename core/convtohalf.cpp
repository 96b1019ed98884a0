#include "core/convtohalf.h"

#include "core/sjis.h"

namespace kobu {

namespace {
struct TPair {
  unsigned code;
  const char* half;
};
// Signs, blanks and punctuation.
constexpr TPair kSigns[] = {
    {0x8149, "!"},  {0x8168, "\""}, {0x8194, "#"}, {0x8190, "$"}, {0x8193, "%"},  {0x8195, "&"},
    {0x8166, "'"},  {0x81A6, "'"},  {0x8169, "("}, {0x816A, ")"}, {0x8181, "="},  {0x817C, "-"},
    {0x814F, "^"},  {0x8160, "~"},  {0x818F, "\\"}, {0x8162, "|"}, {0x816F, "{"}, {0x8170, "}"},
    {0x8197, "@"},  {0x8165, "`"},  {0x8147, ";"}, {0x8146, ":"}, {0x817B, "+"},  {0x8196, "*"},
    {0x815E, "/"},  {0x817E, "*"},  {0x8180, "/"}, {0x8148, "?"}, {0x8151, "_"},  {0x8183, "<"},
    {0x8184, ">"},  {0x8182, "<>"}, {0x8185, "<="}, {0x8186, ">="}, {0x8143, ","}, {0x8144, "."},
    {0x8140, " "},  {0x8141, ","},  {0x8142, ";"}, {0x8175, "\""}, {0x8176, "\""}, {0x8177, "`"},
    {0x8178, "`"},
};
const char* const kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
const char* const kLower[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m",
                              "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z"};
const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
}  // namespace

TConvToHalf::TConvToHalf() {
  for (auto& e : two_) e = nullptr;
  for (const auto& p : kSigns) two_[p.code - 0x8100] = p.half;
  for (unsigned i = 0; i < 26; ++i) {
    two_[0x8260 + i - 0x8100] = kLetters[i];
    two_[0x8281 + i - 0x8100] = kLower[i];
  }
  for (unsigned i = 0; i < 10; ++i) two_[0x824F + i - 0x8100] = kDigits[i];
}

const TConvToHalf& TConvToHalf::Instance() {
  static const TConvToHalf table;
  return table;
}

const char* TConvToHalf::Lookup(const char* p, size_t len) const {
  if (len == 1) {
    unsigned char c = static_cast<unsigned char>(*p);
    return (c == 0xA2 || c == 0xA3) ? "\"" : nullptr;
  }
  if (len != 2) return nullptr;
  unsigned code = (static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]);
  if (code < 0x8100) return nullptr;
  return two_[code - 0x8100];
}

std::string TConvToHalf::Convert(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t len = CharLenAt(text, i);
    const char* rep = Lookup(text.data() + i, len);
    if (rep) out += rep;
    else out.append(text.data() + i, len);
    i += len;
  }
  return out;
}

}  // namespace kobu
