#include "commands/japanese_tables.h"

#include <array>
#include <cstdint>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// Full-width forms of 0x20..0x7E. The double and single quote take the
// common quotation marks (” ’) rather than the rarely supported extension codes.
constexpr uint16_t kFullAscii[95] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, 0x8169, 0x816A, 0x8196, 0x817B,
    0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816D,
    0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293,
    0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,
};

// Full-width forms of the half-width katakana 0xA1..0xDF.
constexpr uint16_t kFullKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

// Voiced (ﾞ) and semi-voiced (ﾟ) combinations, by half-width kana byte.
struct TJoin {
  unsigned char kana;
  uint16_t code;
};
constexpr TJoin kVoiced[] = {
    {0xB3, 0x8394}, {0xB6, 0x834B}, {0xB7, 0x834D}, {0xB8, 0x834F}, {0xB9, 0x8351}, {0xBA, 0x8353},
    {0xBB, 0x8355}, {0xBC, 0x8357}, {0xBD, 0x8359}, {0xBE, 0x835B}, {0xBF, 0x835D}, {0xC0, 0x835F},
    {0xC1, 0x8361}, {0xC2, 0x8364}, {0xC3, 0x8366}, {0xC4, 0x8368}, {0xCA, 0x836F}, {0xCB, 0x8372},
    {0xCC, 0x8375}, {0xCD, 0x8378}, {0xCE, 0x837B},
};
constexpr TJoin kSemiVoiced[] = {
    {0xCA, 0x8370}, {0xCB, 0x8373}, {0xCC, 0x8376}, {0xCD, 0x8379}, {0xCE, 0x837C},
};

// The alphanumeric table: the only characters 英数半角変換 changes.
constexpr const char* kAlnumTableUtf8 =
    "０１２３４５６７８９ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
    "！”＃＄％＆’（）＝－￥［］｛｝＿／＞＜，．＠‘　";

constexpr unsigned kHalfFirst = 0x8140, kHalfLast = 0x8396;

struct THalfTable {
  // Up to two bytes and a terminator for each code kHalfFirst..kHalfLast.
  std::array<std::array<char, 3>, kHalfLast - kHalfFirst + 1> two{};
  std::array<uint16_t, 256> joinVoiced{}, joinSemi{};

  THalfTable() {
    for (unsigned c = 0x20; c <= 0x7E; ++c) two[kFullAscii[c - 0x20] - kHalfFirst] = {static_cast<char>(c), 0, 0};
    // Other full-width spellings of the same signs.
    two[0x818F - kHalfFirst] = {'\\', 0, 0};  // ￥
    two[0x8167 - kHalfFirst] = {'"', 0, 0};   // “
    two[0x8165 - kHalfFirst] = {'`', 0, 0};   // ‘
    for (unsigned k = 0xA1; k <= 0xDF; ++k) two[kFullKana[k - 0xA1] - kHalfFirst] = {static_cast<char>(k), 0, 0};
    for (const auto& j : kVoiced) {
      two[j.code - kHalfFirst] = {static_cast<char>(j.kana), static_cast<char>(0xDE), 0};
      joinVoiced[j.kana] = j.code;
    }
    for (const auto& j : kSemiVoiced) {
      two[j.code - kHalfFirst] = {static_cast<char>(j.kana), static_cast<char>(0xDF), 0};
      joinSemi[j.kana] = j.code;
    }
  }
};

const THalfTable& Half() {
  static const THalfTable table;
  return table;
}

// The alphanumeric table as a set of codes, built from its CP932 text.
struct TAlnumSet {
  bool in[kHalfLast - kHalfFirst + 1] = {};
  TAlnumSet();
};

inline void PutCode(std::string& out, unsigned code) {
  out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

inline unsigned CodeAt(std::string_view s, size_t i) {
  return (static_cast<unsigned char>(s[i]) << 8) | static_cast<unsigned char>(s[i + 1]);
}

// Walks the text by characters; `map2` answers the new code of a two-byte
// character (the same code when unchanged), `map1` the new single byte.
template <class F1, class F2>
std::string MapChars(std::string_view text, F1 map1, F2 map2) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0, n = text.size();
  while (i < n) {
    if (CharLenAt(text, i) == 2) {
      PutCode(out, map2(CodeAt(text, i)));
      i += 2;
    } else {
      out += static_cast<char>(map1(static_cast<unsigned char>(text[i])));
      ++i;
    }
  }
  return out;
}

// Upper-case code for a lower-case letter (0 when it is none), and back.
unsigned UpperOf(unsigned c) {
  if (c >= 0x8281 && c <= 0x829A) return c - 0x21;              // ａ..ｚ
  if (c >= 0x83BF && c <= 0x83D6) return c - 0x20;              // α..ω
  if (c >= 0x8470 && c <= 0x847E) return c - 0x30;              // а..о
  if (c >= 0x8480 && c <= 0x8491) return c - 0x31;              // п..я (0x847F is unused)
  if (c >= 0xFA40 && c <= 0xFA49) return c - 0xFA40 + 0x8754;  // ⅰ..ⅹ
  if (c >= 0xEEEF && c <= 0xEEF8) return c - 0xEEEF + 0x8754;  // the same, NEC-selected codes
  return 0;
}
unsigned LowerOf(unsigned c) {
  if (c >= 0x8260 && c <= 0x8279) return c + 0x21;
  if (c >= 0x839F && c <= 0x83B6) return c + 0x20;
  if (c >= 0x8440 && c <= 0x844E) return c + 0x30;
  if (c >= 0x844F && c <= 0x8460) return c + 0x31;
  if (c >= 0x8754 && c <= 0x875D) return c - 0x8754 + 0xFA40;  // Ⅰ..Ⅹ to the IBM codes of ⅰ..ⅹ
  if (c >= 0xFA4A && c <= 0xFA53) return c - 0xFA4A + 0xFA40;
  return 0;
}

}  // namespace

TAlnumSet::TAlnumSet() {
  std::string table = sj(kAlnumTableUtf8);
  for (size_t i = 0; i + 1 < table.size(); i += 2) {
    unsigned c = CodeAt(table, i);
    if (c >= kHalfFirst && c <= kHalfLast) in[c - kHalfFirst] = true;
  }
}

const char* HalfWidthOf(const char* p, size_t len) {
  if (len != 2) return nullptr;
  unsigned c = (static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]);
  if (c < kHalfFirst || c > kHalfLast) {
    // Extension codes of the full-width quotes.
    if (c == 0xEEFC || c == 0xFA57) return "\"";
    if (c == 0xEEFB || c == 0xFA56) return "'";
    return nullptr;
  }
  const auto& e = Half().two[c - kHalfFirst];
  return e[0] ? e.data() : nullptr;
}

std::string ToHalfWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t len = CharLenAt(text, i);
    if (const char* h = HalfWidthOf(text.data() + i, len)) out += h;
    else out.append(text.data() + i, len);
    i += len;
  }
  return out;
}

unsigned WidenKana(unsigned char kana, int next, bool* joined) {
  const THalfTable& t = Half();
  unsigned code = 0;
  if (next == 0xDE) code = t.joinVoiced[kana];
  else if (next == 0xDF) code = t.joinSemi[kana];
  *joined = code != 0;
  return code ? code : kFullKana[kana - 0xA1];
}

std::string ToFullWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  size_t i = 0, n = text.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (CharLenAt(text, i) == 2) {
      out.append(text.data() + i, 2);
      i += 2;
    } else if (c >= 0x20 && c <= 0x7E) {
      PutCode(out, kFullAscii[c - 0x20]);
      ++i;
    } else if (c >= 0xA1 && c <= 0xDF) {
      bool joined = false;
      PutCode(out, WidenKana(c, i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : -1, &joined));
      i += joined ? 2 : 1;
    } else {
      out += static_cast<char>(c);
      ++i;
    }
  }
  return out;
}

std::string AlnumToHalfWidth(std::string_view text) {
  static const TAlnumSet set;
  std::string out;
  out.reserve(text.size());
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t len = CharLenAt(text, i);
    if (len == 2) {
      unsigned c = CodeAt(text, i);
      const char* h =
          (c >= kHalfFirst && c <= kHalfLast && set.in[c - kHalfFirst]) ? HalfWidthOf(text.data() + i, 2) : nullptr;
      // Only the first byte of the half-width form is kept.
      if (h) out += h[0];
      else out.append(text.data() + i, 2);
    } else {
      out += text[i];
    }
    i += len;
  }
  return out;
}

std::string ToUpperCase(std::string_view text) {
  return MapChars(
      text, [](unsigned c) { return (c >= 'a' && c <= 'z') ? c - 0x20 : c; },
      [](unsigned c) {
        unsigned u = UpperOf(c);
        return u ? u : c;
      });
}

std::string ToLowerCase(std::string_view text) {
  return MapChars(
      text, [](unsigned c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; },
      [](unsigned c) {
        unsigned l = LowerOf(c);
        return l ? l : c;
      });
}

std::string ToHiragana(std::string_view text) {
  return MapChars(
      text, [](unsigned c) { return c; },
      [](unsigned c) -> unsigned {
        if (c >= 0x8340 && c <= 0x837E) return c - 0x8340 + 0x829F;
        if (c >= 0x8380 && c <= 0x8393) return c - 0x8380 + 0x82DE;  // 0x837F is unused
        if (c == 0x8152 || c == 0x8153) return c + 2;                   // ヽヾ
        return c;
      });
}

std::string ToKatakana(std::string_view text) {
  return MapChars(
      text, [](unsigned c) { return c; },
      [](unsigned c) -> unsigned {
        if (c >= 0x829F && c <= 0x82DD) return c - 0x829F + 0x8340;
        if (c >= 0x82DE && c <= 0x82F1) return c - 0x82DE + 0x8380;
        if (c == 0x8154 || c == 0x8155) return c - 2;  // ゝゞ
        return c;
      });
}

}  // namespace kobu
