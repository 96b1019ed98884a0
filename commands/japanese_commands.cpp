#include "commands/japanese_commands.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "commands/args.h"
#include "commands/encodings.h"
#include "commands/japanese_tables.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "platform/cp932.h"
#include "system/text_file.h"

namespace kobu {

namespace {

[[noreturn]] void BadArgument(TKobuBase& base, const char* commandUtf8) {
  ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, commandUtf8)});
}

// The conversions that answer with the last type mark and those that set それ's own.
template <std::string (*Convert)(std::string_view)>
void CmdConvertLast(TKobuBase& base) {
  SetLastValue(base, Convert(ArgText(base)), "s");
}
template <std::string (*Convert)(std::string_view)>
void CmdConvert(TKobuBase& base) {
  SetResult(base, Convert(ArgText(base)), "s");
}

void CmdStripOkurigana(TKobuBase& base) {
  std::string t = ArgText(base);
  std::string stripped = StripOkurigana(t);
  SetResult(base, stripped.empty() ? t : stripped, "s");
}

// The first character of the text in its half-width form.
char FirstHalfChar(std::string_view t) {
  if (t.empty()) return 0;
  size_t len = CharLenAt(t, 0);
  if (len == 1) return t[0];
  const char* h = HalfWidthOf(t.data(), len);
  return h ? h[0] : t[0];
}

void CmdIsUpper(TKobuBase& base) {
  char c = FirstHalfChar(ArgText(base));
  SetResult(base, c >= 'A' && c <= 'Z' ? "1" : "0", "e");
}

void CmdIsDigit(TKobuBase& base) {
  char c = FirstHalfChar(ArgText(base));
  SetResult(base, c >= '0' && c <= '9' ? "1" : "0", "e");
}

void CmdIsWide(TKobuBase& base) {
  std::string t = ArgText(base);
  SetResult(base, !t.empty() && IsLeadByte(static_cast<unsigned char>(t[0])) ? "1" : "0", "e");
}

unsigned FirstTwoBytes(std::string_view t) {
  if (t.size() < 2) return 0;
  return (static_cast<unsigned char>(t[0]) << 8) | static_cast<unsigned char>(t[1]);
}

void CmdIsHiragana(TKobuBase& base) {
  unsigned c = FirstTwoBytes(ArgText(base));
  SetResult(base, c >= 0x82A0 && c <= 0x833E ? "1" : "0", "e");
}

void CmdIsKatakana(TKobuBase& base) {
  unsigned c = FirstTwoBytes(ArgText(base));
  SetResult(base, c >= 0x8340 && c <= 0x839D ? "1" : "0", "e");
}

// 文字 and CHR share one command number, so the message names the first.
void CmdChr(TKobuBase& base) {
  std::string text = ArgText(base);
  long long code = IntegerText(text, -1);
  if (code < 0) BadArgument(base, "文字");
  if (code > 65535) ScriptError(base, "数値\"%s\"は範囲外です。", {text});
  std::string out;
  if (code >= 256) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
  SetResult(base, std::move(out), "s");
}

void CmdAsc(TKobuBase& base) {
  std::string t = ArgText(base);
  if (t.empty()) BadArgument(base, "キーコード");
  unsigned char c = static_cast<unsigned char>(t[0]);
  unsigned code = c;
  if (IsLeadByte(c)) {
    if (t.size() < 2) ScriptError(base, "数値\"%s\"は範囲外です。", {t});
    code = c << 8 | static_cast<unsigned char>(t[1]);
  }
  SetResult(base, std::to_string(code), "e");
}

// A conversion through UTF-8 met a character the other side cannot hold.
void WarnLossyText(TKobuBase& base) {
  Warn(base, sj("文字列には、変換先で表せない文字があります。それらの文字は「?」に置き換えました。"));
}

template <TEncoding Target>
void CmdToEncoding(TKobuBase& base) {
  std::string t = ArgText(base);
  base.Sore->TypeMark = "s";
  if (t.empty()) return;
  bool lossless = true;
  std::string out = ConvertEncoding(t, Target, DetectEncoding(t), &lossless);
  if (!lossless) WarnLossyText(base);
  SetResult(base, std::move(out), "s");
}

void CmdConvertEncoding(TKobuBase& base) {
  std::string to = ArgText(base), from = ArgText(base), text = ArgText(base);
  bool lossless = true;
  std::string out = ConvertEncoding(text, EncodingOfName(to), EncodingOfName(from), &lossless);
  if (!lossless) WarnLossyText(base);
  SetLastValue(base, std::move(out), "s");
}

void CmdToUtf8(TKobuBase& base) { SetResult(base, ScriptTextToUtf8(base, ArgText(base), sj("文字列")), "s"); }

void CmdFromUtf8(TKobuBase& base) { SetResult(base, Utf8ToScriptText(base, ArgText(base), sj("文字列")), "s"); }

void CmdBase64Encode(TKobuBase& base) { SetResult(base, Base64Encode(ArgText(base)), "s"); }

void CmdBase64Decode(TKobuBase& base) {
  std::optional<std::string> bytes = Base64Decode(ArgText(base));
  SetResult(base, bytes ? std::move(*bytes) : std::string(), "s");
}

void CmdMailboxMessage(TKobuBase& base) {
  THashNode* box = ArgWord(base, false);
  std::string rest;
  std::string message = TakeMailboxMessage(box->Value, rest);
  box->Value = std::move(rest);
  SetLastValue(base, std::move(message), "s");
}

// printf of one of our own formats with one precision and one number.
std::string Printed(const char* format, int precision, long double v) {
  int size = std::snprintf(nullptr, 0, format, precision, v);
  if (size <= 0) return std::string();
  std::vector<char> buf(static_cast<size_t>(size) + 1);
  std::snprintf(buf.data(), buf.size(), format, precision, v);
  return std::string(buf.data(), static_cast<size_t>(size));
}

// Digits with "," between groups of three.
std::string Grouped(std::string_view digits) {
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// |v| rounded to `decimals` places, halves away from zero, as integer digits
// and fraction digits.
void FixedParts(long double v, int decimals, std::string& whole, std::string& frac) {
  // Nudging by two ulps makes the binary halfway cases round away from zero.
  long double a = std::fabs(v);
  a = std::nextafter(std::nextafter(a, INFINITY), INFINITY);
  std::string s = Printed("%.*Lf", decimals, a);
  size_t dot = s.find('.');
  whole = s.substr(0, dot);
  frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
}

std::string GroupedFixed(long double v, int decimals) {
  std::string whole, frac;
  FixedParts(v, decimals, whole, frac);
  bool zero = whole.find_first_not_of('0') == std::string::npos && frac.find_first_not_of('0') == std::string::npos;
  std::string out = (v < 0 && !zero) ? "-" : "";
  out += Grouped(whole);
  if (decimals > 0) out += "." + frac;
  return out;
}

void CmdCurrency(TKobuBase& base) {
  std::string t = ArgText(base);
  long double v = TextToNumber(t);
  int decimals = t.find('.') != std::string::npos ? 2 : 0;
  std::string out;
  long double scaled = v * 10000.0L;
  if (std::fabs(scaled) < 9.2e18L) {
    // The value is first held to four decimals, halves to even.
    long long u = std::llrint(scaled);
    long long unit = decimals ? 100 : 10000;
    long long q = u / unit, r = u % unit;
    if ((r < 0 ? -r : r) * 2 >= unit) q += u < 0 ? -1 : 1;
    unsigned long long m = q < 0 ? 0ull - static_cast<unsigned long long>(q) : static_cast<unsigned long long>(q);
    out = q < 0 ? "-" : "";
    if (decimals) {
      std::string fr = std::to_string(m % 100);
      out += Grouped(std::to_string(m / 100)) + "." + (fr.size() < 2 ? "0" + fr : fr);
    } else {
      out += Grouped(std::to_string(m));
    }
  } else {
    out = GroupedFixed(v, decimals);
  }
  base.Sore->Value = std::move(out);
}

// One conversion of a format text: "%" ["-"] [width] ["." precision] type.
struct TFormatField {
  bool left = false;
  int width = -1, precision = -1;
  char type = 0;  // lower case
};

[[noreturn]] void BadFormat(TKobuBase& base) {
  ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。", {sj("指定形式に変換")});
}

// Reads a bounded decimal number; formats asking for more are refused.
bool ReadCount(std::string_view f, size_t& i, int& out) {
  if (i >= f.size() || f[i] < '0' || f[i] > '9') return false;
  long v = 0;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
    v = v * 10 + (f[i++] - '0');
    if (v > 100000) return false;
  }
  out = static_cast<int>(v);
  return true;
}

struct TMoney {
  std::string symbol;
  bool before = true;
  int decimals = 0;
};

// The user's currency; the yen (0x5C in Shift-JIS) without decimals when the locale has none.
const TMoney& UserMoney() {
  static const TMoney money = [] {
    TMoney m;
    m.symbol = "\\";
    locale_t loc = newlocale(LC_MONETARY_MASK, "", static_cast<locale_t>(0));
    if (!loc) return m;
    const char* cur = nl_langinfo_l(CRNCYSTR, loc);
    if (cur && (cur[0] == '-' || cur[0] == '+') && cur[1]) {
      bool lossless = true;
      std::string symbol = Utf8ToCp932(cur + 1, &lossless);
      if (lossless) {
        m.symbol = symbol;
        m.before = cur[0] == '-';
        const char* fd = nl_langinfo_l(__FRAC_DIGITS, loc);
        if (fd && *fd != CHAR_MAX) m.decimals = *fd;
      }
    }
    freelocale(loc);
    return m;
  }();
  return money;
}

std::string FormatOne(TKobuBase& base, const TFormatField& s, long double number, long long integer,
                      const std::string& text) {
  std::string body;
  switch (s.type) {
    case 'd':
    case 'x': {
      unsigned long long mag = s.type == 'x' || integer >= 0 ? static_cast<unsigned long long>(integer)
                                                             : 0ull - static_cast<unsigned long long>(integer);
      std::string digits;
      if (s.type == 'd') {
        digits = std::to_string(mag);
      } else {
        char buf[20];
        std::snprintf(buf, sizeof buf, "%llX", mag);
        digits = buf;
      }
      if (s.precision > 0 && digits.size() < static_cast<size_t>(s.precision))
        digits.insert(0, static_cast<size_t>(s.precision) - digits.size(), '0');
      body = (s.type == 'd' && integer < 0 ? "-" : "") + digits;
      break;
    }
    case 'f':
    case 'e':
    case 'g': {
      int p = s.precision;
      if (s.type == 'f' && p < 0) p = 2;
      if (s.type != 'f') p = p < 0 ? 15 : (p < 1 ? 1 : (p > 18 ? 18 : p));
      if (s.type == 'e') p -= 1;  // the precision counts every significant digit
      const char* f = s.type == 'f' ? "%.*Lf" : s.type == 'e' ? "%.*LE" : "%.*LG";
      body = Printed(f, p, number);
      if (s.type == 'e') {
        // Three exponent digits at least.
        size_t e = body.find('E');
        if (e != std::string::npos && body.size() - e - 2 < 3) body.insert(e + 2, 3 - (body.size() - e - 2), '0');
      }
      break;
    }
    case 'n':
      body = GroupedFixed(number, s.precision < 0 ? 2 : s.precision);
      break;
    case 'm': {
      const TMoney& m = UserMoney();
      std::string n = GroupedFixed(std::fabs(number), s.precision < 0 ? m.decimals : s.precision);
      bool negative = number < 0 && n.find_first_not_of("0,.") != std::string::npos;
      body = (negative ? "-" : "") + (m.before ? m.symbol + n : n + m.symbol);
      break;
    }
    case 's': {
      body = text;
      if (s.precision >= 0 && body.size() > static_cast<size_t>(s.precision)) {
        size_t cut = 0;
        while (cut < body.size() && cut + CharLenAt(body, cut) <= static_cast<size_t>(s.precision))
          cut += CharLenAt(body, cut);
        body.resize(cut);
      }
      break;
    }
    default:
      BadFormat(base);
  }
  if (s.width > 0 && body.size() < static_cast<size_t>(s.width)) {
    std::string pad(static_cast<size_t>(s.width) - body.size(), ' ');
    body = s.left ? body + pad : pad + body;
  }
  return body;
}

// The format is read here, character by character; the script's text never
// reaches printf.
void CmdFormat(TKobuBase& base) {
  std::string format = ArgText(base);
  std::string value = ArgText(base);
  bool floatArg = false, intArg = false;
  for (size_t i = 0; i < format.size(); i += CharLenAt(format, i)) {
    if (CharLenAt(format, i) != 1) continue;
    if (format[i] == 'f' || format[i] == 'm') floatArg = true;
    if (format[i] == 'd') intArg = true;
  }
  if (floatArg) intArg = false;

  std::string out;
  bool used = false;
  long double number = 0;
  long long integer = 0;
  if (floatArg || intArg) number = TextToNumber(value);
  if (intArg) {
    long double t = std::trunc(number);
    if (!(t >= -9223372036854775807.0L - 1 && t < 9223372036854775808.0L))
      ScriptError(base, "数値\"%s\"は範囲外です。", {value});
    integer = static_cast<long long>(t);
  }
  size_t i = 0, n = format.size();
  while (i < n) {
    size_t len = CharLenAt(format, i);
    if (len == 2 || format[i] != '%') {
      out.append(format, i, len);
      i += len;
      continue;
    }
    if (i + 1 < n && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    TFormatField s;
    ++i;
    if (i < n && format[i] == '-') s.left = true, ++i;
    if (i < n && format[i] >= '0' && format[i] <= '9' && !ReadCount(format, i, s.width)) BadFormat(base);
    if (i < n && format[i] == '.') {
      ++i;
      if (!ReadCount(format, i, s.precision)) BadFormat(base);
    }
    if (i >= n) BadFormat(base);
    char type = format[i++];
    if (type >= 'A' && type <= 'Z') type = static_cast<char>(type + 0x20);
    s.type = type;
    bool fits = ((type == 'd' || type == 'x') && intArg) ||
                ((type == 'f' || type == 'e' || type == 'g' || type == 'n' || type == 'm') && floatArg) ||
                (type == 's' && !floatArg && !intArg);
    // One value is given: a second conversion has nothing to format.
    if (!fits || used) BadFormat(base);
    used = true;
    out += FormatOne(base, s, number, integer, value);
  }
  SetResult(base, std::move(out), "s");
}

void Pad(TKobuBase& base, char fill) {
  int32_t width = ArgInteger(base);
  std::string t = ArgText(base);
  if (width > 0 && static_cast<size_t>(width) > t.size()) t.insert(0, static_cast<size_t>(width) - t.size(), fill);
  base.Sore->Value = std::move(t);
}
void CmdAlignRight(TKobuBase& base) { Pad(base, ' '); }
void CmdZeroFill(TKobuBase& base) { Pad(base, '0'); }

// 数列か: a digit first, then only digits, signs, points and exponent letters.
void CmdIsNumberText(TKobuBase& base) {
  std::string t = ArgText(base);
  bool ok = !t.empty() && t[0] >= '0' && t[0] <= '9';
  for (size_t i = 1; ok && i < t.size(); ++i) {
    char c = t[i];
    ok = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
  }
  SetResult(base, ok ? "1" : "0", "e");
}

const TCommandRow kRows[] = {
    {"送り仮名削除", "?から", "文字列?から送り仮名を削除する", 39, CmdStripOkurigana},
    {"通貨形式に変換", "?を", "数値?を3桁区切りの通貨形式に変換する", 40, CmdCurrency},
    {"指定形式に変換", "?を,?の", "値?を書式?で整形する", 41, CmdFormat},
    {"右寄せ", "?を,?桁で", "文字列?を?桁で右寄せする", 42, CmdAlignRight},
    {"ゼロで埋める", "?を,?桁の", "文字列?の左を?桁になるまでゼロで埋める", 43, CmdZeroFill},
    {"半角変換", "?を", "文字列?を半角に変換する", 44, CmdConvertLast<ToHalfWidth>},
    {"英数半角変換", "?を", "文字列?の全角英数記号だけを半角に変換する", 45, CmdConvertLast<AlnumToHalfWidth>},
    {"全角変換", "?を", "文字列?を全角に変換する", 46, CmdConvertLast<ToFullWidth>},
    {"大文字変換", "?を", "文字列?を大文字に変換する", 50, CmdConvert<ToUpperCase>},
    {"小文字変換", "?を", "文字列?を小文字に変換する", 55, CmdConvert<ToLowerCase>},
    {"ひらがな変換", "?を", "文字列?のカタカナをひらがなに変換する", 58, CmdConvert<ToHiragana>},
    {"カタカナ変換", "?を", "文字列?のひらがなをカタカナに変換する", 64, CmdConvert<ToKatakana>},
    {"文字コードをEUCに変換", "?の", "文字列?の文字コードをEUCに変換する", 66, CmdToEncoding<encEuc>},
    {"文字コードをJISに変換", "?の", "文字列?の文字コードをJISに変換する", 67, CmdToEncoding<encJis>},
    {"文字コードをSJISに変換", "?の", "文字列?の文字コードをSJISに変換する", 68, CmdToEncoding<encSjis>},
    {"BASE64エンコード", "?を", "文字列?をBASE64でエンコードする", 69, CmdBase64Encode},
    {"BASE64デコード", "?を", "BASE64の文字列?をデコードする", 70, CmdBase64Decode},
    {"文字コード変換", "?の,?から,?へ", "文字列?の文字コードを?から?へ変換する", 73, CmdConvertEncoding},
    {"メールヘッダエンコード", "?を", "文字列?をメールヘッダ用にエンコードする", 74, CmdConvertLast<MailHeaderEncode>},
    {"メールヘッダデコード", "?を", "メールヘッダ?をデコードする", 77, CmdConvertLast<MailHeaderDecode>},
    {"MBXメッセージ取得", "?から", "変数?のメールボックスから先頭のメッセージを取り出す", 78, CmdMailboxMessage},
    {"大文字か", "?が", "文字列?の先頭が英大文字か調べる", 79, CmdIsUpper},
    {"数字か", "?が", "文字列?の先頭が数字か調べる", 80, CmdIsDigit},
    {"数列か", "?が", "文字列?が数値の並びか調べる", 81, CmdIsNumberText},
    {"全角か", "?が", "文字列?の先頭が全角文字か調べる", 82, CmdIsWide},
    {"ひらがなか", "?が", "文字列?の先頭がひらがなか調べる", 83, CmdIsHiragana},
    {"カタカナか", "?が", "文字列?の先頭がカタカナか調べる", 84, CmdIsKatakana},
    {"文字", "?の", "文字コード?の文字を返す", 76, CmdChr},
    {"キーコード", "?の", "文字?の文字コードを返す", 75, CmdAsc},
    {"CHR", "?", "文字コード?の文字を返す", 76, CmdChr},
    {"ASC", "?", "文字?の文字コードを返す", 75, CmdAsc},
    {"UTF8変換", "?を", "文字列?をUTF-8のバイト列に変換する(こぶらね独自)", 464, CmdToUtf8},
    {"UTF8から変換", "?を", "UTF-8のバイト列?をShift-JISに変換する(こぶらね独自)", 465, CmdFromUtf8},
};

}  // namespace

std::span<const TCommandRow> JapaneseCommandRows() { return kRows; }

}  // namespace kobu
