#include "core/expression.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/readers.h"
#include "core/terms.h"
#include "platform/cp932.h"

namespace kobu {

namespace {
// How much of a failing expression an error message repeats.
constexpr size_t kMessageTextLimit = 1024;
}  // namespace


namespace {

// One operand or partial result: text and number at once.
struct TStrNum {
  std::string Text;
  long double Value = 0;
  uint8_t Kind = 0;
  bool ValueKnown = false;  // a group's token carries the value it computed
};

// Kind: operands are strings or numbers; the look-ahead token is also
// "nothing read yet" or an operator.
enum : uint8_t { kString = 0, kNumber = 1, kNothing = 2, kOperator = 3 };

enum TOp : uint8_t {
  opOther,  // an operator token no level accepts ("|", "<<", "&|" ...)
  opAnd, opOr,
  opEq, opNe, opLt, opGt, opLe, opGe,
  opAdd, opSub, opCat,
  opMul, opDiv, opMod, opPow,
};

// An operand of the levels. A number made by arithmetic gets its text only
// when something reads it (concatenation, a text comparison); most never are.
struct TOperand : TStrNum {
  bool TextDue = false;
};

// Failures of the arithmetic itself. They carry the bare message, as a
// floating-point fault would, and the evaluator wraps them like any other.
class EArithmetic : public std::exception {
 public:
  EArithmetic(std::string message, bool invalidOperation)
      : message_(std::move(message)), invalid_(invalidOperation) {}
  const char* what() const noexcept override { return message_.c_str(); }
  bool InvalidOperation() const { return invalid_; }

 private:
  std::string message_;
  bool invalid_;
};

[[noreturn]] void Overflow() {
  static const std::string m = sj("浮動小数点数のオーバーフロー");
  throw EArithmetic(m, false);
}

[[noreturn]] void InvalidOperation() {
  static const std::string m = sj("不正な浮動小数点数演算命令");
  throw EArithmetic(m, true);
}

[[noreturn]] void ZeroDivide() {
  static const std::string m = sj("0 による浮動小数点数除算");
  throw EArithmetic(m, false);
}

// There are no floating-point traps: every result is checked here.
long double Checked(long double v) {
  if (std::isnan(v)) InvalidOperation();
  if (std::isinf(v)) Overflow();
  return v;
}

int64_t TruncToInt64(long double v) {
  if (std::isnan(v)) InvalidOperation();
  long double t = std::trunc(v);
  if (!(t >= -0x1p63L && t < 0x1p63L)) InvalidOperation();
  return static_cast<int64_t>(t);
}

long double Remainder(long double a, long double b) {
  if (b == 0) return 0;
  int64_t x = TruncToInt64(a);
  int64_t y = TruncToInt64(b);
  // A divisor that truncates to 0 divides by zero like 0 itself; -1 always
  // leaves 0 and would overflow for the smallest 64-bit value.
  if (y == 0 || y == -1) return 0;
  return static_cast<long double>(x % y);
}

long double Power(long double base, long double exponent) {
  if (exponent == 0) return 1;
  if (base == 0) {
    if (exponent > 0) return 0;
    ZeroDivide();
  }
  // A negative base has a real power only for an integral exponent.
  if (base < 0 && exponent != std::trunc(exponent)) InvalidOperation();
  return Checked(std::pow(base, exponent));
}

bool IsSecondHalf(char c) { return c == '&' || c == '<' || c == '=' || c == '>' || c == '|'; }

TOp OperatorOf(const char* s, size_t n) {
  char a = s[0];
  if (n == 1) {
    switch (a) {
      case '=': return opEq;
      case '<': return opLt;
      case '>': return opGt;
      case '+': return opAdd;
      case '-': return opSub;
      case '&': return opCat;
      case '*': return opMul;
      case '/': return opDiv;
      case '%': return opMod;
      case '^': return opPow;
      default: return opOther;
    }
  }
  char b = s[1];
  if (a == '&' && b == '&') return opAnd;
  if (a == '|' && b == '|') return opOr;
  if (a == '=' && b == '=') return opEq;
  if ((a == '<' && b == '>') || (a == '>' && b == '<')) return opNe;
  if ((a == '>' && b == '=') || (a == '=' && b == '>')) return opGe;
  if ((a == '<' && b == '=') || (a == '=' && b == '<')) return opLe;
  return opOther;
}

const std::string& TextOf(TOperand& o) {
  if (o.TextDue) {
    o.Text = FormatNumber(o.Value);
    o.TextDue = false;
  }
  return o.Text;
}

void SetNumber(TOperand& o, long double v) {
  o.Value = v;
  o.Kind = kNumber;
  o.TextDue = true;
}

void SetTruth(TOperand& o, bool t) {
  o.Value = t ? 1 : 0;
  o.Kind = kNumber;
  o.Text.assign(1, t ? '1' : '0');
  o.TextDue = false;
}

// One evaluation. Lives on the C++ stack: a term may call a label or a command
// that evaluates another expression while this one is half read.
std::string EvaluateNested(TKobuBase& base, const char*& p, long double* value);

class TEvaluator {
 public:
  TEvaluator(TKobuBase& base, const char*& p) : base_(base), p_(p) {}
  // The result's text; `value` (when given) receives a numeric result's value.
  std::string Run(long double* value = nullptr);

 private:
  void NextToken();
  bool TokenIs(TOp a, TOp b) const { return token_.Kind == kOperator && (op_ == a || op_ == b); }
  void Logical(TOperand& left);
  void Comparison(TOperand& left);
  void Additive(TOperand& left);
  void Multiplicative(TOperand& left);
  void Factor(TOperand& out);

  TKobuBase& base_;
  const char*& p_;
  TStrNum token_;  // the one-token look-ahead
  TOp op_ = opOther;
};

std::string TEvaluator::Run(long double* value) {
  const char* start = p_;
  try {
    token_.Kind = kNothing;
    SkipBlanks(p_);
    NextToken();
    TOperand result;
    Logical(result);
    if (token_.Kind == kOperator) ScriptError(base_, "計算結果が不正");
    if (result.Kind == kNumber) {
      // A number term beyond the extended range reaches here unchecked.
      Checked(result.Value);
      if (value) *value = result.Value;
      base_.LastTypeMark = "e";
      return FormatNumber(result.Value);
    }
    base_.LastTypeMark = "s";
    return std::move(result.Text);
  } catch (const std::exception& e) {
    static const std::string head = sj("計算式に誤りがあります。");
    std::string message = head;
    message += e.what();
    // The expression follows in full; only a huge one is cut, so that nested
    // failures cannot make the error log grow without bound.
    std::string_view text(start);
    size_t keep = 0;
    while (keep < text.size() && keep < kMessageTextLimit) keep += CharLenAt(text, keep);
    message.append(text.substr(0, keep));
    EKobu wrapped(base_, FormatScriptError(base_, message));
    if (const auto* k = dynamic_cast<const EKobu*>(&e)) wrapped.CarryFrom(*k);
    if (const auto* a = dynamic_cast<const EArithmetic*>(&e); a && a->InvalidOperation()) {
      wrapped.InvalidFloat = true;
      wrapped.FloatMessage = a->what();
    }
    throw wrapped;
  }
}

void TEvaluator::NextToken() {
  uint8_t previous = token_.Kind;
  token_.Kind = kNothing;
  token_.ValueKnown = false;
  SkipBlanks(p_);
  char c = *p_;
  if (c == '(') {
    std::string inner = ReadGroup(base_, p_);
    const char* q = inner.c_str();
    long double v = 0;
    token_.Text = EvaluateNested(base_, q, &v);
    token_.Kind = base_.LastTypeMark == "s" ? kString : kNumber;
    token_.Value = v;
    token_.ValueKnown = token_.Kind == kNumber;
    return;
  }
  if (IsOperatorChar(c)) {
    size_t n = (IsSecondHalf(c) && IsSecondHalf(p_[1])) ? 2 : 1;
    token_.Kind = kOperator;
    token_.Text.assign(p_, n);
    op_ = OperatorOf(p_, n);
    p_ += n;
    if (previous == kNothing || previous == kOperator) {
      // A sign where an operand is expected belongs to the operand.
      if (c == '-') {
        token_.Text = "-";
        token_.Text += ReadTerm(base_, p_, nullptr);
        token_.Kind = kNumber;
      } else if (c == '+' && (*p_ == '$' || (*p_ >= '0' && *p_ <= '9'))) {
        token_.Text = ReadTerm(base_, p_, nullptr);
        token_.Kind = kNumber;
      }
    }
    return;
  }
  if (c == 0) {
    // The end of the text reads as an empty string term.
    token_.Text.clear();
    token_.Kind = kString;
    return;
  }
  token_.Text = ReadTerm(base_, p_, nullptr);
  token_.Kind = base_.LastTypeMark == "e" ? kNumber : kString;
}

void TEvaluator::Logical(TOperand& left) {
  Comparison(left);
  while (TokenIs(opAnd, opOr)) {
    TOp op = op_;
    NextToken();
    TOperand right;
    Comparison(right);
    // Truth here is greater than zero; both sides are always evaluated.
    bool t = op == opAnd ? (left.Value > 0 && right.Value > 0) : (left.Value > 0 || right.Value > 0);
    SetTruth(left, t);
  }
}

void TEvaluator::Comparison(TOperand& left) {
  Additive(left);
  while (token_.Kind == kOperator && op_ >= opEq && op_ <= opGe) {
    TOp op = op_;
    NextToken();
    TOperand right;
    Additive(right);
    // The right operand decides: a string compares texts, a number values.
    int cmp;
    if (right.Kind == kString) {
      int c = TextOf(left).compare(right.Text);
      cmp = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
      cmp = left.Value < right.Value ? -1 : (left.Value > right.Value ? 1 : 0);
    }
    bool t = false;
    switch (op) {
      case opEq: t = cmp == 0; break;
      case opNe: t = cmp != 0; break;
      case opLt: t = cmp < 0; break;
      case opGt: t = cmp > 0; break;
      case opLe: t = cmp <= 0; break;
      case opGe: t = cmp >= 0; break;
      default: break;
    }
    SetTruth(left, t);
  }
}

void TEvaluator::Additive(TOperand& left) {
  Multiplicative(left);
  while (token_.Kind == kOperator && (op_ == opAdd || op_ == opSub || op_ == opCat)) {
    TOp op = op_;
    NextToken();
    TOperand right;
    Multiplicative(right);
    if (op == opCat) {
      TextOf(left);
      left.Text += TextOf(right);
      left.Kind = kString;
      left.Value = TextToNumber(left.Text);
    } else {
      SetNumber(left, Checked(op == opAdd ? left.Value + right.Value : left.Value - right.Value));
    }
  }
}

void TEvaluator::Multiplicative(TOperand& left) {
  Factor(left);
  while (token_.Kind == kOperator && op_ >= opMul && op_ <= opPow) {
    TOp op = op_;
    NextToken();
    TOperand right;
    Factor(right);
    long double l = left.Value, r = right.Value, v = 0;
    switch (op) {
      case opMul: v = Checked(l * r); break;
      case opDiv: v = r == 0 ? 0 : Checked(l / r); break;
      case opMod: v = Remainder(l, r); break;
      case opPow: v = Power(l, r); break;
      default: break;
    }
    SetNumber(left, v);
  }
}

void TEvaluator::Factor(TOperand& out) {
  if (token_.Kind == kOperator) ScriptError(base_, "演算子「%s」の位置が不正。", {token_.Text});
  out.Text = std::move(token_.Text);
  token_.Text.clear();
  out.Kind = token_.Kind;
  out.TextDue = false;
  out.Value = token_.ValueKnown ? token_.Value : TextToNumber(out.Text);
  NextToken();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The number at the start of an already half-width text. "," counts as absent
// wherever it stands.
long double ScanNumber(std::string_view s) {
  size_t i = 0, n = s.size();
  auto isSpaceOrComma = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == ','; };
  while (i < n && isSpaceOrComma(s[i])) ++i;
  while (n > i && isSpaceOrComma(s[n - 1])) --n;
  auto skipCommas = [&] {
    while (i < n && s[i] == ',') ++i;
  };
  if (i >= n) return 0;

  if (s[i] == '$') {
    // The whole rest must be hexadecimal; the range is the number reader's.
    ++i;
    uint64_t v = 0;
    bool any = false;
    for (; i < n; ++i) {
      if (s[i] == ',') continue;
      int d = HexDigit(s[i]);
      if (d < 0) return 0;
      v = v * 16 + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFull) return 0;
      any = true;
    }
    return any ? static_cast<long double>(v) : 0;
  }

  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  char buf[272];
  size_t k = 0;
  uint64_t mantissa = 0;
  int mantissaDigits = 0;  // significant digits gathered into `mantissa`
  int fractionDigits = 0;
  bool exact = true;  // `mantissa` holds every digit read
  bool anyDigit = false;
  auto takeDigit = [&](char c, bool fraction) {
    buf[k++] = c;
    anyDigit = true;
    if (fraction) ++fractionDigits;
    if (mantissa == 0 && c == '0') return;
    if (mantissaDigits < 19) {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++mantissaDigits;
    } else {
      exact = false;
    }
  };
  for (skipCommas(); i < n && IsDigit(s[i]); skipCommas()) takeDigit(s[i++], false);
  bool hasExponent = false;
  // An exponent: after a fraction as users write it ("E" or "e", a sign);
  // after plain digits only as numbers are written back ("1E15", "1E-5"), so
  // that every number text this runtime produces reads as the same number.
  auto readExponent = [&](bool userForm) {
    if (!anyDigit || i >= n || !(s[i] == 'E' || (userForm && s[i] == 'e'))) return;
    size_t j = i + 1;
    while (j < n && s[j] == ',') ++j;
    if (j < n && (s[j] == '-' || (userForm && s[j] == '+'))) ++j;
    while (j < n && s[j] == ',') ++j;
    if (j < n && IsDigit(s[j])) {
      hasExponent = true;
      buf[k++] = 'e';
      for (++i; i < j; ++i)
        if (s[i] != ',') buf[k++] = s[i];
      for (; i < n && (IsDigit(s[i]) || s[i] == ','); ++i)
        if (s[i] != ',' && k < sizeof buf - 1) buf[k++] = s[i];
    }
  };
  if (i < n && s[i] == '.') {
    buf[k++] = s[i++];
    for (skipCommas(); i < n && IsDigit(s[i]); skipCommas()) takeDigit(s[i++], true);
    readExponent(true);
  } else {
    readExponent(false);
  }
  if (!anyDigit) return 0;

  long double v;
  static const long double kPow10[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                       1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                       1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                       1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  if (exact && !hasExponent && fractionDigits <= 27) {
    // Both operands are exact in extended precision, so the one division
    // rounds correctly.
    v = static_cast<long double>(mantissa);
    if (fractionDigits) v /= kPow10[fractionDigits];
  } else {
    // strtod's decimal point follows the locale; numbers here always use ".".
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    buf[k] = 0;
    v = strtold_l(buf, nullptr, cLocale);
  }
  if (v == 0) return 0;
  return negative ? -v : v;
}

bool HasHighByte(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

}  // namespace

namespace {
std::string EvaluateNested(TKobuBase& base, const char*& p, long double* value) {
  CheckStackDepth(base);
  struct TDepth {
    int& d;
    explicit TDepth(int& depth) : d(depth) { ++d; }
    ~TDepth() { --d; }
  } depth(base.ExpressionDepth);
  if (base.ExpressionDepth > kMaxExpressionDepth) ScriptError(base, "計算式の入れ子が深すぎます。");
  TEvaluator evaluator(base, p);
  return evaluator.Run(value);
}

}  // namespace

std::string EvaluateExpression(TKobuBase& base, const char*& p) { return EvaluateNested(base, p, nullptr); }

std::string EvaluateExpressionText(TKobuBase& base, const std::string& text) {
  const char* p = text.c_str();
  return EvaluateExpression(base, p);
}

long double TextToNumber(std::string_view text) {
  // Most operands are short integers: read those at once.
  if (!text.empty() && text.size() <= 18) {
    size_t i = text[0] == '-' ? 1 : 0;
    if (i < text.size()) {
      int64_t v = 0;
      for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = v * 10 + (text[i] - '0');
      if (i == text.size()) return text[0] == '-' && v ? -static_cast<long double>(v) : static_cast<long double>(v);
    }
  }
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  if (b == e) return 0;
  std::string_view s = text.substr(b, std::min<size_t>(e - b, 254));
  if (!HasHighByte(s)) return ScanNumber(s);
  // Full-width digits, signs and points count like ASCII ones.
  std::string half = TConvToHalf::Instance().Convert(s);
  return ScanNumber(half);
}

namespace {

// 15 significant digits; with the value written as 0.d1d2... x 10^e, fixed
// notation for lowestFixed <= e <= 15, scientific otherwise.
std::string GeneralFormat(long double value, int lowestFixed) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buf[64];
  // Integers of up to 15 digits, by far the most common, need no rounding.
  if (value > -1e15L && value < 1e15L) {
    auto whole = static_cast<int64_t>(value);
    if (static_cast<long double>(whole) == value) {
      auto r = std::to_chars(buf, buf + sizeof buf, whole);
      return std::string(buf, r.ptr);
    }
  }
  std::snprintf(buf, sizeof buf, "%.14Le", value);
  const char* q = buf;
  bool negative = *q == '-';
  if (negative) ++q;
  // The decimal point printf writes follows the locale; only the digits count.
  char digits[16];
  int nd = 0;
  for (; *q && *q != 'e' && *q != 'E'; ++q)
    if (*q >= '0' && *q <= '9' && nd < 15) digits[nd++] = *q;
  int x = (*q) ? std::atoi(q + 1) : 0;
  while (nd > 1 && digits[nd - 1] == '0') --nd;

  std::string out;
  if (negative) out += '-';
  int e = x + 1;  // the value is 0.d1d2... x 10^e
  if (e >= lowestFixed && e <= 15) {
    if (e <= 0) {
      out += "0.";
      out.append(static_cast<size_t>(-e), '0');
      out.append(digits, nd);
    } else if (nd <= e) {
      out.append(digits, nd);
      out.append(static_cast<size_t>(e - nd), '0');
    } else {
      out.append(digits, e);
      out += '.';
      out.append(digits + e, nd - e);
    }
  } else {
    out += digits[0];
    if (nd > 1) {
      out += '.';
      out.append(digits + 1, nd - 1);
    }
    out += 'E';
    if (x < 0) out += '-';
    out += std::to_string(x < 0 ? -x : x);
  }
  return out;
}

}  // namespace

std::string FormatNumber(long double value) { return GeneralFormat(value, -3); }

std::string NumberToText(long double value) { return GeneralFormat(value, -4); }

}  // namespace kobu
