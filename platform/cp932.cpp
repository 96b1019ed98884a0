#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kobu {
namespace {

// One open conversion descriptor per direction; opening is the expensive part.
class TIconv {
 public:
  TIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~TIconv() { iconv_close(cd_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts; on an unconvertible or invalid sequence writes `replacement`
  // and skips `skip(in, left)` input bytes.
  template <typename Skip>
  std::string Run(std::string_view in, std::string_view replacement, Skip skip, bool* lossless) {
    std::string out;
    out.reserve(in.size() + in.size() / 2 + 8);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char buf[4096];
    while (left > 0) {
      char* dst = buf;
      size_t room = sizeof buf;
      size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, dst - buf);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: one bad character.
        if (lossless) *lossless = false;
        out.append(replacement);
        size_t n = skip(reinterpret_cast<const unsigned char*>(src), left);
        src += n;
        left -= n;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

size_t Utf8SeqLen(const unsigned char* p, size_t left) {
  size_t n = 1;
  if (p[0] >= 0xF0) n = 4;
  else if (p[0] >= 0xE0) n = 3;
  else if (p[0] >= 0xC0) n = 2;
  if (n > left) n = left;
  for (size_t i = 1; i < n; ++i)
    if ((p[i] & 0xC0) != 0x80) return i;
  return n;
}

size_t SjisSeqLen(const unsigned char* p, size_t left) {
  bool lead = (p[0] >= 0x81 && p[0] <= 0x9F) || (p[0] >= 0xE0 && p[0] <= 0xFC);
  return (lead && left >= 2) ? 2 : 1;
}

bool AllAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8, bool* lossless) {
  if (lossless) *lossless = true;
  if (AllAscii(utf8)) return std::string(utf8);
  thread_local TIconv cv("CP932", "UTF-8");
  return cv.Run(utf8, "?", Utf8SeqLen, lossless);
}

std::string Cp932ToUtf8(std::string_view sjis, bool* lossless) {
  if (lossless) *lossless = true;
  if (AllAscii(sjis)) return std::string(sjis);
  thread_local TIconv cv("UTF-8", "CP932");
  return cv.Run(sjis, "\xEF\xBF\xBD", SjisSeqLen, lossless);
}

bool LooksLikeUtf8(std::string_view bytes) {
  bool multi = false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size(), i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) { ++i; continue; }
    size_t len;
    unsigned min;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; min = 0x10000; }
    else return false;
    if (i + len > n) return false;
    unsigned cp = c & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    multi = true;
    i += len;
  }
  return multi;
}

}  // namespace kobu
