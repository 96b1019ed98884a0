#include "commands/encodings.h"

#include <array>
#include <cstdint>

#include "commands/japanese_tables.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

constexpr unsigned kGetaJis = 0x222E;  // 〓, written for what the target cannot hold
constexpr char kJisIn[] = "\x1B$B";
constexpr char kJisOut[] = "\x1B(J";

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }
inline bool IsSjisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
inline bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
inline bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }
inline bool IsHalfKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// The standard arithmetic between Shift-JIS and the JIS row and cell, kept
// in small tables: its branches depend on the parity of the row and would
// be mispredicted on every other character of real text.
struct TArith {
  uint8_t rowOfLead[256] = {};   // odd JIS row byte of a lead byte (0: none)
  uint8_t cellOfTrail[256] = {};  // JIS cell byte of a trail byte
  uint8_t evenRow[256] = {};      // 1 when the trail byte selects the even row
  uint8_t leadOfRow[128] = {};
  uint8_t trailOfCell[2][128] = {};  // [row is odd][cell]
  constexpr TArith() {
    for (unsigned c1 = 0x81; c1 <= 0xFC; ++c1) {
      if (c1 >= 0xA0 && c1 <= 0xDF) continue;
      unsigned j1 = 2 * (c1 - (c1 <= 0x9F ? 0x70 : 0xB0)) - 1;
      rowOfLead[c1] = static_cast<uint8_t>(j1 <= 0x7D ? j1 : 0);
    }
    for (unsigned c2 = 0x40; c2 <= 0xFC; ++c2) {
      if (c2 == 0x7F) continue;
      evenRow[c2] = c2 >= 0x9F;
      cellOfTrail[c2] = static_cast<uint8_t>(c2 >= 0x9F ? c2 - 0x7E : c2 - 0x1F - (c2 >= 0x80 ? 1 : 0));
    }
    for (unsigned j = 0x21; j <= 0x7E; ++j) {
      leadOfRow[j] = static_cast<uint8_t>(((j + 1) >> 1) + (j <= 0x5E ? 0x70 : 0xB0));
      trailOfCell[1][j] = static_cast<uint8_t>(j + 0x1F + (j >= 0x60 ? 1 : 0));
      trailOfCell[0][j] = static_cast<uint8_t>(j + 0x7E);
    }
  }
};
constexpr TArith kArith;

// Shift-JIS pair (a valid trail byte) to the JIS row/cell bytes (j1 << 8 | j2);
// kGetaJis when the pair lies outside the 94 x 94 set.
inline unsigned SjisToJisCode(unsigned c1, unsigned c2) {
  unsigned j1 = kArith.rowOfLead[c1];
  if (j1 == 0) return kGetaJis;
  return (j1 + kArith.evenRow[c2]) << 8 | kArith.cellOfTrail[c2];
}

// JIS row and cell bytes (0x21..0x7E each) to the Shift-JIS pair.
inline unsigned JisToSjisCode(unsigned j1, unsigned j2) {
  return kArith.leadOfRow[j1] << 8 | kArith.trailOfCell[j1 & 1][j2];
}

// The converters' output: one buffer written in a single pass through a
// local cursor `o`. Each step first makes room for one character with its
// escapes (at most 8 bytes), so the writes themselves need no checks.
class TOut {
 public:
  explicit TOut(size_t guess) : buf_(guess + 16, '\0') {}
  char* Begin() { return buf_.data(); }
  char* Limit() { return buf_.data() + buf_.size() - 8; }
  char* Grow(char* o) {
    size_t k = static_cast<size_t>(o - buf_.data());
    buf_.resize(buf_.size() * 2);
    return buf_.data() + k;
  }
  std::string Done(char* o) {
    buf_.resize(static_cast<size_t>(o - buf_.data()));
    return std::move(buf_);
  }

 private:
  std::string buf_;
};

inline void Room(TOut& out, char*& o, char*& limit) {
  if (o > limit) {
    o = out.Grow(o);
    limit = out.Limit();
  }
}

inline void Put2(char*& o, unsigned code) {
  o[0] = static_cast<char>(code >> 8);
  o[1] = static_cast<char>(code & 0xFF);
  o += 2;
}
inline void Put3(char*& o, const char* p) {
  o[0] = p[0];
  o[1] = p[1];
  o[2] = p[2];
  o += 3;
}

// Writes one JIS character, opening the double-byte run when needed.
inline void PutJis(char*& o, bool& inRun, unsigned code) {
  if (!inRun) Put3(o, kJisIn), inRun = true;
  Put2(o, code);
}
inline void PutJisSingle(char*& o, bool& inRun, char c) {
  if (inRun) Put3(o, kJisOut), inRun = false;
  *o++ = c;
}

// The JIS code of a half-width kana made full-width; `next` is the kana that
// follows it, and *used becomes `markBytes` when that one was a joined mark.
inline unsigned WidenedKanaJis(unsigned char kana, int next, size_t& used, size_t markBytes) {
  bool joined = false;
  unsigned sj = WidenKana(kana, next, &joined);
  used = joined ? markBytes : 0;
  return SjisToJisCode(sj >> 8, sj & 0xFF);
}

// Walks a JIS text, calling pair(j1, j2) for each double-byte character and
// single(byte) for everything else; the escapes switch the mode.
template <class FPair, class FSingle>
std::string WalkJis(std::string_view t, FPair pair, FSingle single) {
  TOut out(t.size());
  char *o = out.Begin(), *limit = out.Limit();
  bool twoByte = false;
  size_t i = 0, n = t.size();
  while (i < n) {
    Room(out, o, limit);
    unsigned char c = U(t[i]);
    if (c == 0x1B && i + 1 < n && (t[i + 1] == '$' || t[i + 1] == '(')) {
      twoByte = t[i + 1] == '$';
      i += 3;
      continue;
    }
    if (twoByte && IsJisByte(c)) {
      if (i + 1 < n && IsJisByte(U(t[i + 1]))) {
        pair(o, c, U(t[i + 1]));
        i += 2;
      } else {
        pair(o, 0, 0);  // half a character
        ++i;
      }
      continue;
    }
    single(o, t[i]);
    ++i;
  }
  return out.Done(o);
}

}  // namespace

TEncoding DetectEncoding(std::string_view t) {
  size_t n = t.size();
  if (n == 0) return encAscii;
  size_t head = n - 1 < 512 ? n - 1 : 512;
  for (size_t i = 0; i < head; ++i)
    if (U(t[i]) < 0x08 || U(t[i]) == 0xFF) return encBinary;
  int r = encAscii;
  size_t i = 0;
  while (i + 1 < n && (r == encAscii || r == encEucOrSjis)) {
    unsigned char a = U(t[i]), b = U(t[i + 1]);
    if (a < 0x08 || a == 0xFF) {
      r = encBinary;
    } else if (a == 0x1B) {
      if (b == '$' && i + 2 < n) {
        if (t[i + 2] == 'B') r = encJis;
        else if (t[i + 2] == '@') r = encJisOld;
        i += 3;
        continue;
      }
    } else if ((a >= 0x81 && a <= 0x8D) || (a >= 0x8F && a <= 0x9F)) {
      r = encSjis;
    } else if (a == 0x8E) {
      if ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xA0) || (b >= 0xE0 && b <= 0xFC)) r = encSjis;
      else if (b >= 0xA1 && b <= 0xDF) r = encEucOrSjis;
      i += 2;
      continue;
    } else if (a >= 0xF0 && a <= 0xFE) {
      r = encEuc;
    } else if (a >= 0xE0 && a <= 0xEF) {
      if ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xA0)) r = encSjis;
      else if (b == 0xFD || b == 0xFE) r = encEuc;
      else if (b >= 0xA1 && b <= 0xFC) r = encEucOrSjis;
      i += 2;
      continue;
    } else if (a >= 0xA1 && a <= 0xDF) {
      if (b >= 0xF0 && b <= 0xFE) {
        r = encEuc;
      } else if (b >= 0xA1 && b <= 0xDF) {
        r = encEucOrSjis;
      } else if (b >= 0xE0 && b <= 0xEF) {
        r = encEucOrSjis;
        size_t j = i + 2;
        while (j < n && U(t[j]) >= 0x40 && r == encEucOrSjis) {
          unsigned char c = U(t[j]);
          if ((c >= 0x81 && c <= 0x8D) || (c >= 0x8F && c <= 0x9C)) r = encSjis;
          else if (c == 0xFD || c == 0xFE) r = encEuc;
          ++j;
        }
        i = j;
        continue;
      } else if (b < 0xA0) {
        r = encSjis;
      }
      i += 2;
      continue;
    }
    ++i;
  }
  // Japanese UTF-8 passes for Shift-JIS or EUC above; a text that is valid
  // UTF-8 throughout is taken for what it most likely is.
  if ((r == encSjis || r == encEuc || r == encEucOrSjis) && LooksLikeUtf8(t)) r = encUtf8;
  return static_cast<TEncoding>(r);
}

TEncoding EncodingOfName(std::string_view name) {
  std::string u(name);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);  // names are ASCII; other bytes never match
  if (u == "EUC") return encEuc;
  if (u == "JIS") return encJis;
  if (u == "UTF8" || u == "UTF-8") return encUtf8;
  return encSjis;
}

std::string SjisToJis(std::string_view t) {
  TOut out(t.size() + t.size() / 2);  // room for the escapes of short runs
  char *o = out.Begin(), *limit = out.Limit();
  bool inRun = false;
  size_t i = 0, n = t.size();
  while (i < n) {
    Room(out, o, limit);
    unsigned char c = U(t[i]);
    if (IsLeadByte(c)) {
      if (i + 1 < n && IsSjisTrail(U(t[i + 1]))) {
        PutJis(o, inRun, SjisToJisCode(c, U(t[i + 1])));
        i += 2;
      } else {
        PutJis(o, inRun, kGetaJis);
        ++i;
      }
    } else if (IsHalfKana(c)) {
      size_t used;
      PutJis(o, inRun, WidenedKanaJis(c, i + 1 < n ? U(t[i + 1]) : -1, used, 1));
      i += 1 + used;
    } else {
      PutJisSingle(o, inRun, t[i]);
      ++i;
    }
  }
  Room(out, o, limit);
  if (inRun) Put3(o, kJisOut);
  return out.Done(o);
}

std::string SjisToEuc(std::string_view t) {
  TOut out(t.size() + t.size() / 8);
  char *o = out.Begin(), *limit = out.Limit();
  size_t i = 0, n = t.size();
  while (i < n) {
    Room(out, o, limit);
    unsigned char c = U(t[i]);
    if (IsLeadByte(c)) {
      unsigned j = kGetaJis;
      if (i + 1 < n && IsSjisTrail(U(t[i + 1]))) j = SjisToJisCode(c, U(t[i + 1])), ++i;
      Put2(o, j | 0x8080);
      ++i;
    } else if (IsHalfKana(c)) {
      *o++ = '\x8E';
      *o++ = t[i++];
    } else {
      *o++ = t[i++];
    }
  }
  return out.Done(o);
}

std::string EucToJis(std::string_view t) {
  TOut out(t.size() + t.size() / 2);  // room for the escapes of short runs
  char *o = out.Begin(), *limit = out.Limit();
  bool inRun = false;
  size_t i = 0, n = t.size();
  while (i < n) {
    Room(out, o, limit);
    unsigned char c = U(t[i]);
    if (c == 0x8E && i + 1 < n && IsHalfKana(U(t[i + 1]))) {
      int mark = (i + 3 < n && U(t[i + 2]) == 0x8E) ? U(t[i + 3]) : -1;
      size_t used;
      PutJis(o, inRun, WidenedKanaJis(U(t[i + 1]), mark, used, 2));
      i += 2 + used;
    } else if (c == 0x8F && i + 2 < n && IsEucByte(U(t[i + 1])) && IsEucByte(U(t[i + 2]))) {
      PutJis(o, inRun, kGetaJis);  // JIS X 0212 has no place in ISO-2022-JP
      i += 3;
    } else if (c >= 0x8E && c != 0xFF) {
      if (IsEucByte(c) && i + 1 < n && IsEucByte(U(t[i + 1]))) {
        PutJis(o, inRun, (c << 8 | U(t[i + 1])) & 0x7F7F);
        i += 2;
      } else {
        PutJis(o, inRun, kGetaJis);
        ++i;
      }
    } else {
      PutJisSingle(o, inRun, t[i]);
      ++i;
    }
  }
  Room(out, o, limit);
  if (inRun) Put3(o, kJisOut);
  return out.Done(o);
}

std::string EucToSjis(std::string_view t) {
  TOut out(t.size());
  char *o = out.Begin(), *limit = out.Limit();
  const unsigned geta = JisToSjisCode(kGetaJis >> 8, kGetaJis & 0xFF);
  size_t i = 0, n = t.size();
  while (i < n) {
    Room(out, o, limit);
    unsigned char c = U(t[i]);
    if (c <= 0x80 || c == 0xFF) {
      *o++ = t[i++];
    } else if (c == 0x8E) {
      if (i + 1 < n) *o++ = t[i + 1], i += 2;
      else Put2(o, geta), ++i;
    } else if (c == 0x8F && i + 2 < n && IsEucByte(U(t[i + 1])) && IsEucByte(U(t[i + 2]))) {
      Put2(o, geta);
      i += 3;
    } else if (IsEucByte(c) && i + 1 < n && IsEucByte(U(t[i + 1]))) {
      Put2(o, JisToSjisCode(c - 0x80, U(t[i + 1]) - 0x80));
      i += 2;
    } else {
      Put2(o, geta);
      ++i;
    }
  }
  return out.Done(o);
}

std::string JisToEuc(std::string_view t) {
  return WalkJis(
      t,
      [](char*& o, unsigned j1, unsigned j2) {
        if (j1 == 0) j1 = kGetaJis >> 8, j2 = kGetaJis & 0xFF;
        Put2(o, (j1 << 8 | j2) | 0x8080);
      },
      [](char*& o, char c) { *o++ = c; });
}

std::string JisToSjis(std::string_view t) {
  return WalkJis(
      t,
      [](char*& o, unsigned j1, unsigned j2) {
        if (j1 == 0) j1 = kGetaJis >> 8, j2 = kGetaJis & 0xFF;
        Put2(o, JisToSjisCode(j1, j2));
      },
      [](char*& o, char c) { *o++ = c; });
}

std::string ConvertEncoding(std::string_view text, TEncoding target, TEncoding source, bool* lossless) {
  if (source == encUtf8 && (target == encSjis || target == encEuc || target == encJis)) {
    std::string sjis = Utf8ToCp932(text, lossless);
    return target == encSjis ? sjis : ConvertEncoding(sjis, target, encSjis);
  }
  if (target == encUtf8 && (source == encSjis || source == encEuc || source == encJis || source == encJisOld))
    return Cp932ToUtf8(source == encSjis ? std::string(text) : ConvertEncoding(text, encSjis, source), lossless);
  bool jisSource = source == encJis || source == encJisOld;
  if (source == encAscii || source == encBinary || source == encEucOrSjis || source == target ||
      (jisSource && target == encJis))
    return std::string(text);
  switch (target) {
    case encJis:
      if (source == encEuc) return EucToJis(text);
      if (source == encSjis) return SjisToJis(text);
      break;
    case encEuc:
      if (jisSource) return JisToEuc(text);
      if (source == encSjis) return SjisToEuc(text);
      break;
    case encSjis:
      if (jisSource) return JisToSjis(text);
      if (source == encEuc) return EucToSjis(text);
      break;
    default:
      break;
  }
  return std::string(text);
}

namespace {
constexpr char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kWordStart[] = "=?ISO-2022-JP?B?";
}  // namespace

std::string Base64Encode(std::string_view b) {
  std::string out;
  out.reserve((b.size() + 2) / 3 * 4);
  size_t i = 0, n = b.size();
  for (; i + 2 < n; i += 3) {
    uint32_t v = U(b[i]) << 16 | U(b[i + 1]) << 8 | U(b[i + 2]);
    out += kB64[v >> 18];
    out += kB64[(v >> 12) & 63];
    out += kB64[(v >> 6) & 63];
    out += kB64[v & 63];
  }
  if (i < n) {
    uint32_t v = U(b[i]) << 16 | (i + 1 < n ? U(b[i + 1]) << 8 : 0);
    out += kB64[v >> 18];
    out += kB64[(v >> 12) & 63];
    out += i + 1 < n ? kB64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
  static const auto table = [] {
    std::array<int8_t, 256> t{};
    t.fill(-1);
    for (int k = 0; k < 64; ++k) t[U(kB64[k])] = static_cast<int8_t>(k);
    return t;
  }();
  std::string out;
  out.reserve(text.size() / 4 * 3);
  char group[4];
  int filled = 0;
  for (char ch : text) {
    if (ch == '\r' || ch == '\n') continue;
    group[filled++] = ch;
    if (filled < 4) continue;
    filled = 0;
    int v[4], pads = 0;
    for (int k = 0; k < 4; ++k) {
      if (group[k] == '=') {
        v[k] = 0;
        ++pads;
      } else {
        if (pads) return std::nullopt;  // data after a pad character
        v[k] = table[U(group[k])];
        if (v[k] < 0) return std::nullopt;
      }
    }
    if (pads > 2) return std::nullopt;
    uint32_t bits = v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3];
    out += static_cast<char>(bits >> 16);
    if (pads < 2) out += static_cast<char>((bits >> 8) & 0xFF);
    if (pads < 1) out += static_cast<char>(bits & 0xFF);
  }
  if (filled) return std::nullopt;
  return out;
}

namespace {
// Byte length of the character at i for the header scanners: a lead byte
// takes its trail byte along, but never a byte that cannot trail, so that a
// stray lead byte (or EUC text read as Shift-JIS) cannot swallow the CR of a
// fold or the '=' of a word.
size_t StepAt(std::string_view t, size_t i) {
  return IsLeadByte(U(t[i])) && i + 1 < t.size() && IsSjisTrail(U(t[i + 1])) ? 2 : 1;
}

// Length of the Japanese character at i, 0 when it is none. Half-width
// katakana count: as raw 8-bit bytes they would not survive a mail header.
// A stray lead byte goes into the word too, for the same reason.
size_t JapaneseLenAt(std::string_view t, size_t i) {
  size_t len = CharLenAt(t, i);
  return len == 2 || IsHalfKana(U(t[i])) ? len : 0;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the line end at i when it folds (a blank follows), else 0.
size_t FoldAt(std::string_view t, size_t i) {
  size_t eol = t.compare(i, 2, "\r\n") == 0 ? 2 : t[i] == '\n' ? 1 : 0;
  return eol && i + eol < t.size() && IsBlank(t[i + eol]) ? eol : 0;
}

// True when `gap` is linear white space only: blanks and folding line ends.
bool IsLinearWhite(std::string_view gap) {
  for (size_t k = 0; k < gap.size(); ++k) {
    if (size_t eol = FoldAt(gap, k)) k += eol - 1;
    else if (!IsBlank(gap[k])) return false;
  }
  return true;
}

// Appends text outside encoded words, folded lines joined again: the line
// end goes, the blank that follows it stays.
void AppendUnfolded(std::string& out, std::string_view t) {
  size_t k = 0;
  while (k < t.size()) {
    if (size_t eol = FoldAt(t, k)) {
      k += eol;
    } else {
      size_t len = StepAt(t, k);
      out.append(t.substr(k, len));
      k += len;
    }
  }
}

// Offset of the next "=?ISO-2022-JP?B?" at or after i, letters in any case.
size_t FindWordStart(std::string_view t, size_t i) {
  constexpr size_t len = sizeof kWordStart - 1;
  while (i + len <= t.size()) {
    bool match = true;
    for (size_t k = 0; k < len && match; ++k) {
      char c = t[i + k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
      match = c == kWordStart[k];
    }
    if (match) return i;
    i += StepAt(t, i);
  }
  return std::string_view::npos;
}
}  // namespace

std::string MailHeaderEncode(std::string_view t) {
  std::string out;
  out.reserve(t.size() * 2);
  size_t i = 0, n = t.size();
  while (i < n) {
    if (!JapaneseLenAt(t, i)) {
      out += t[i++];
      continue;
    }
    // Blanks between two Japanese runs go into the same word: readers drop
    // the white space between adjacent words, so apart they would be lost.
    size_t end = i;
    for (size_t k = i; k < n;) {
      if (size_t len = JapaneseLenAt(t, k)) end = k += len;
      else if (IsBlank(t[k])) ++k;
      else break;
    }
    out += kWordStart;
    out += Base64Encode(SjisToJis(t.substr(i, end - i)));
    out += "?=";
    i = end;
  }
  if (SjisFindFrom(kWordStart, out, 0) != std::string_view::npos && SjisFindFrom("?=", out, 0) == std::string_view::npos)
    out += "?=";
  return out;
}

std::string MailHeaderDecode(std::string_view t) {
  constexpr size_t len = sizeof kWordStart - 1;
  std::string joined;
  joined.reserve(t.size());
  size_t plain = 0;        // start of the text not written yet
  bool afterWord = false;  // a decoded word ends at `plain`
  for (size_t at = FindWordStart(t, 0); at != std::string_view::npos;) {
    size_t body = at + len;
    size_t end = SjisFindFrom("?=", t, body);
    size_t stop = end == std::string_view::npos ? t.size() : end;
    std::optional<std::string> bytes = Base64Decode(t.substr(body, stop - body));
    if (!bytes) {  // not a word we can read: it stays as plain text
      at = FindWordStart(t, body);
      continue;
    }
    std::string_view gap = t.substr(plain, at - plain);
    if (!afterWord || !IsLinearWhite(gap)) AppendUnfolded(joined, gap);
    joined += *bytes;
    // Back to single bytes after a word that left them; a word of plain
    // ASCII gets no escape, which would otherwise cut the text short.
    if (bytes->find('\x1B') != std::string::npos) joined += kJisOut;
    plain = end == std::string_view::npos ? t.size() : end + 2;
    afterWord = true;
    at = FindWordStart(t, plain);
  }
  AppendUnfolded(joined, t.substr(plain));

  std::string s = ConvertEncoding(joined, encSjis, DetectEncoding(joined));
  size_t k = 0;
  while (k < s.size()) {
    unsigned char c = U(s[k]);
    if (CharLenAt(s, k) == 2) k += 2;
    else if (c == '\t' || c == '\r' || c == '\n' || (c >= 0x20 && c <= 0x7E) || IsHalfKana(c)) ++k;
    else break;
  }
  s.resize(k);
  return s;
}

std::string TakeMailboxMessage(std::string_view box, std::string& rest) {
  std::string out;
  size_t i = 0;
  while (i < box.size()) {
    size_t eol = box.find("\r\n", i);
    size_t end = eol == std::string_view::npos ? box.size() : eol;
    std::string_view line = box.substr(i, end - i);
    out.append(line);
    out += "\r\n";
    i = eol == std::string_view::npos ? box.size() : eol + 2;
    if (line == ".") break;
  }
  rest.assign(box.substr(i));
  return out;
}

}  // namespace kobu
