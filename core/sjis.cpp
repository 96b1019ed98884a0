#include "core/sjis.h"

#include <climits>
#include <cstring>

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

size_t SjisCharCount(std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); i += CharLenAt(text, i)) ++n;
  return n;
}

size_t SjisCharOffset(std::string_view text, long long pos) {
  size_t i = 0;
  for (long long p = 1; p < pos && i < text.size(); ++p) i += CharLenAt(text, i);
  return i;
}

std::string SjisCopy(std::string_view text, long long start, long long count) {
  if (count <= 0) return {};
  // Saturate: start and count may both come from 64-bit script numbers.
  long long last = start > LLONG_MAX - (count - 1) ? LLONG_MAX : start + (count - 1);
  if (last < 1) return {};
  size_t b = start <= 1 ? 0 : SjisCharOffset(text, start);
  size_t e = b;
  long long p = start <= 1 ? 1 : start;
  while (e < text.size() && p <= last) {
    e += CharLenAt(text, e);
    ++p;
  }
  return std::string(text.substr(b, e - b));
}

size_t SjisFindFrom(std::string_view pattern, std::string_view text, size_t offset) {
  if (pattern.empty()) return std::string_view::npos;
  size_t boundary = offset;  // a known character start
  while (boundary < text.size() && pattern.size() <= text.size() - boundary) {
    const void* hit = memmem(text.data() + boundary, text.size() - boundary, pattern.data(), pattern.size());
    if (!hit) break;
    size_t m = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    while (boundary < m) boundary += CharLenAt(text, boundary);
    if (boundary == m) return m;
    // The hit began on a trail byte; go on from the next character start.
  }
  return std::string_view::npos;
}

size_t SjisFind(std::string_view pattern, std::string_view text, long long from) {
  if (from < 1) from = 1;
  if (pattern.empty() || text.empty() || static_cast<unsigned long long>(from) > text.size()) return 0;
  size_t start = 0;
  while (start < static_cast<size_t>(from - 1)) start += CharLenAt(text, start);
  size_t m = SjisFindFrom(pattern, text, start);
  return m == std::string_view::npos ? 0 : m + 1;
}

std::string SjisReplace(std::string_view text, std::string_view pattern, std::string_view replacement, bool all) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  for (;;) {
    size_t m = SjisFindFrom(pattern, text, i);
    if (m == std::string_view::npos) break;
    out.append(text.substr(i, m - i));
    out.append(replacement);
    i = m + pattern.size();
    if (!all) break;
  }
  out.append(text.substr(i));
  return out;
}

std::string SjisReplaceNth(std::string_view text, std::string_view pattern, std::string_view replacement,
                           long long n) {
  // An empty pattern would match everywhere without advancing.
  if (pattern.empty() || n < 1) return std::string(text);
  size_t i = 0;
  for (long long k = 1;; ++k) {
    size_t m = SjisFindFrom(pattern, text, i);
    if (m == std::string_view::npos) return std::string(text);
    if (k == n) {
      std::string out(text.substr(0, m));
      out.append(replacement);
      out.append(text.substr(m + pattern.size()));
      return out;
    }
    i = m + pattern.size();
  }
}

size_t SjisCharPos(std::string_view pattern, std::string_view text) {
  size_t m = SjisFindFrom(pattern, text, 0);
  if (m == std::string_view::npos) return 0;
  size_t pos = 1;
  for (size_t i = 0; i < m; i += CharLenAt(text, i)) ++pos;
  return pos;
}

size_t SjisCount(std::string_view pattern, std::string_view text) {
  size_t n = 0, i = 0;
  for (;;) {
    size_t m = SjisFindFrom(pattern, text, i);
    if (m == std::string_view::npos) return n;
    ++n;
    i = m + pattern.size();
  }
}

TCut CutToken(std::string_view separator, std::string_view text) {
  size_t m = SjisFindFrom(separator, text, 0);
  if (m == std::string_view::npos) return {std::string(text), {}};
  return {std::string(text.substr(0, m)), std::string(text.substr(m + separator.size()))};
}

namespace {

// Full-width space, blank, tab, CR or LF at byte i; its length, or 0.
size_t BlankAt(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 1;
  if (c == 0x81 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x40) return 2;
  return 0;
}

}  // namespace

std::string SjisTrim(std::string_view text) {
  std::string t = TrimText(text);
  std::string_view s = t;
  size_t b = 0;
  while (b < s.size()) {
    size_t n = BlankAt(s, b);
    if (!n) break;
    b += n;
  }
  // The trailing run must begin on a character start, so walk forward.
  size_t e = s.size(), runStart = s.size();
  bool inRun = false;
  for (size_t i = b; i < s.size();) {
    size_t n = BlankAt(s, i);
    if (n) {
      if (!inRun) runStart = i, inRun = true;
      i += n;
    } else {
      inRun = false;
      i += CharLenAt(s, i);
    }
  }
  if (inRun) e = runStart;
  return std::string(s.substr(b, e - b));
}

std::string BinaryDump(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3 + text.size() / 16 + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out += kHex[c >> 4];
    out += kHex[c & 15];
    if (i % 16 == 15) out += "\r\n";
    else out += ',';
  }
  return out;
}

std::string StripTags(std::string_view text) {
  std::string t = TrimText(text);
  std::string out;
  bool inTag = false;
  for (size_t i = 0; i < t.size();) {
    size_t n = CharLenAt(t, i);
    char c = t[i];
    if (n == 1 && c == '<') inTag = true;
    else if (n == 1 && c == '>') inTag = false;
    else if (!inTag) out.append(t, i, n);
    i += n;
  }
  return out;
}

std::string TrimText(std::string_view text) {
  // Bytes up to 0x20 are never trail bytes, so trimming them byte by byte is safe.
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return std::string(text.substr(b, e - b));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t e = i;
    while (e < text.size() && text[e] != '\r' && text[e] != '\n') e += CharLenAt(text, e);
    lines.emplace_back(text.substr(i, e - i));
    i = e;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

}  // namespace kobu
