#include "commands/number_commands.h"

#include <time.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/args.h"
#include "commands/array_text.h"
#include "commands/japanese_tables.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// There are no floating-point traps: every result is checked, and a failure
// is a script error carrying the arithmetic's own message. An invalid
// operation is flagged so the run loop adds its extra log line.
[[noreturn]] void FloatFailure(TKobuBase& base, const char* messageUtf8, bool invalid) {
  std::string message = sj(messageUtf8);
  EKobu e(base, FormatScriptError(base, message));
  if (invalid) {
    e.InvalidFloat = true;
    e.FloatMessage = message;
  }
  throw e;
}

[[noreturn]] void InvalidOperation(TKobuBase& base) { FloatFailure(base, "不正な浮動小数点数演算命令", true); }
[[noreturn]] void Overflow(TKobuBase& base) { FloatFailure(base, "浮動小数点数のオーバーフロー", false); }
[[noreturn]] void ZeroDivide(TKobuBase& base) { FloatFailure(base, "0 による浮動小数点数除算", false); }
[[noreturn]] void OutOfRange(TKobuBase& base, const std::string& text) {
  ScriptError(base, "数値\"%s\"は範囲外です。", {text});
}

long double Checked(TKobuBase& base, long double v) {
  if (std::isnan(v)) InvalidOperation(base);
  if (std::isinf(v)) Overflow(base);
  return v;
}

long double Divide(TKobuBase& base, long double a, long double b) {
  if (b == 0) {
    if (a == 0 || std::isnan(a)) InvalidOperation(base);
    ZeroDivide(base);
  }
  return Checked(base, a / b);
}

// An integral value as a 64-bit (or 32-bit) integer; `text` names the
// argument in the range message.
int64_t ToInt64(TKobuBase& base, long double v, const std::string& text) {
  if (std::isnan(v)) InvalidOperation(base);
  if (!(v >= -0x1p63L && v < 0x1p63L)) OutOfRange(base, text);
  return static_cast<int64_t>(v);
}

int32_t ToInt32(TKobuBase& base, long double v, const std::string& text) {
  if (std::isnan(v)) InvalidOperation(base);
  if (!(v >= -2147483648.0L && v <= 2147483647.0L)) OutOfRange(base, text);
  return static_cast<int32_t>(v);
}

void Number(TKobuBase& base, long double v) { SetResult(base, NumberToText(Checked(base, v)), "e"); }
// Results that write only それ's value and leave its mark.
void NumberValue(TKobuBase& base, long double v) { base.Sore->Value = NumberToText(Checked(base, v)); }
void Integer(TKobuBase& base, long long v) { SetResult(base, std::to_string(v), "e"); }

// 計算: the text is an expression; a bad one gives the empty text, silently.
void CmdCalculate(TKobuBase& base) {
  std::string text = ArgText(base);
  std::string result;
  if (!text.empty()) {
    size_t logged = base.ErrorLog.size();
    try {
      result = EvaluateExpressionText(base, TConvToHalf::Instance().Convert(text));
    } catch (const std::exception&) {
      // A swallowed failure is no error: it leaves nothing in the log either.
      base.ErrorLog.resize(logged);
      result.clear();
    }
  }
  SetResult(base, std::move(result), "s");
}

// ---- random generator

struct TRandom {
  uint32_t seed = 0;
  bool seeded = false;
};
TRandom& Random() {
  static TRandom r;
  return r;
}

uint32_t NextSeed() {
  TRandom& r = Random();
  if (!r.seeded) SeedRandomFromClock();
  r.seed = r.seed * 134775813u + 1u;
  return r.seed;
}

void CmdRandom(TKobuBase& base) {
  std::string text = ArgText(base);
  long long n = IntegerText(text, 100);
  if (n < INT32_MIN || n > INT32_MAX) OutOfRange(base, text);
  // Nothing lies below zero or nothing: such a draw is 0 (the seed still moves).
  uint32_t draw = RandomBelow(n > 0 ? static_cast<uint32_t>(n) : 0);
  Integer(base, draw);
}

void CmdRnd(TKobuBase& base) { Number(base, RandomFraction()); }

void CmdRandomize(TKobuBase& base) {
  int32_t n = ArgInteger(base);
  if (n == -1) SeedRandomFromClock();
  else SeedRandom(static_cast<uint32_t>(n));
}

// ---- rounding

void CmdTrunc(TKobuBase& base) {
  std::string text = ArgText(base);
  Integer(base, ToInt64(base, std::trunc(TextToNumber(text)), text));
}

void CmdRound(TKobuBase& base) {
  std::string text = ArgText(base);
  // rint follows the default rounding mode: to nearest, ties to even.
  Integer(base, ToInt64(base, std::rint(TextToNumber(text)), text));
}

void RoundAt(TKobuBase& base, bool nearest) {
  int32_t n = ArgInteger(base);
  std::string text = ArgText(base);
  long double x = TextToNumber(text);
  // 10^-k is inexact in binary, so negative n divides by the exact 10^k:
  // 1250 at -2 decimals is then a true tie.
  long double scale = std::pow(10.0L, static_cast<long double>(n < 0 ? -static_cast<long long>(n) : n));
  long double scaled = Checked(base, n < 0 ? x / scale : x * scale);
  int64_t i = ToInt64(base, nearest ? std::rint(scaled) : std::trunc(scaled), text);
  long double v = static_cast<long double>(i);
  Number(base, n < 0 ? v * scale : Divide(base, v, scale));
}

void CmdTruncAt(TKobuBase& base) { RoundAt(base, false); }
void CmdRoundAt(TKobuBase& base) { RoundAt(base, true); }

void CeilFloor(TKobuBase& base, bool ceil) {
  std::string text = ArgText(base);
  long double x = TextToNumber(text);
  long double t = std::trunc(x);
  long long i = ToInt32(base, t, text);
  if (ceil && x - t > 0) ++i;
  if (!ceil && x - t < 0) --i;
  if (i < INT32_MIN || i > INT32_MAX) OutOfRange(base, text);
  Integer(base, i);
}

void CmdCeil(TKobuBase& base) { CeilFloor(base, true); }
void CmdFloor(TKobuBase& base) { CeilFloor(base, false); }

// The fraction is cut from the text itself, so it keeps every digit written.
void CmdFrac(TKobuBase& base) {
  std::string text = ToHalfWidth(ArgText(base));
  std::string out;
  for (size_t i = 0; i < text.size(); i += CharLenAt(text, i)) {
    if (text[i] == '.') {
      out = "0" + text.substr(i);
      break;
    }
  }
  SetResult(base, std::move(out), "e");
}

// ---- scientific functions

void CmdAbs(TKobuBase& base) { Number(base, std::fabs(ArgNumber(base))); }
void CmdExp(TKobuBase& base) { Number(base, std::exp(ArgNumber(base))); }

// Logarithms: 0 divides by zero, a negative number is invalid.
long double Logarithm(TKobuBase& base, long double x, long double (*log)(long double)) {
  if (x == 0) ZeroDivide(base);
  if (x < 0 || std::isnan(x)) InvalidOperation(base);
  return Checked(base, log(x));
}

long double Ln(long double x) { return std::log(x); }
long double Log2(long double x) { return std::log2(x); }
long double Log10(long double x) { return std::log10(x); }

void CmdLn(TKobuBase& base) { Number(base, Logarithm(base, ArgNumber(base), Ln)); }
void CmdLog2(TKobuBase& base) { Number(base, Logarithm(base, ArgNumber(base), Log2)); }
void CmdLog10(TKobuBase& base) { Number(base, Logarithm(base, ArgNumber(base), Log10)); }

void CmdLog(TKobuBase& base) {
  long double x = ArgNumber(base);
  long double b = ArgNumber(base);
  long double lx = Logarithm(base, x, Ln);
  long double lb = Logarithm(base, b, Ln);
  Number(base, Divide(base, lx, lb));
}

void CmdPower(TKobuBase& base) {
  long double exponent = ArgNumber(base);
  long double b = ArgNumber(base);
  if (exponent == 0) return Number(base, 1);
  if (b == 0) {
    if (exponent > 0) return Number(base, 0);
    ZeroDivide(base);
  }
  // A negative base has a real power only for an integral exponent.
  if (b < 0 && exponent != std::trunc(exponent)) InvalidOperation(base);
  Number(base, std::pow(b, exponent));
}

void CmdSqrt(TKobuBase& base) {
  long double x = ArgNumber(base);
  if (x < 0) InvalidOperation(base);
  Number(base, std::sqrt(x));
}

// The sine and cosine of a huge angle carry no information; they give 0.
bool HugeAngle(long double x) { return !(std::fabs(x) < 0x1p63L); }

void CmdSin(TKobuBase& base) {
  long double x = ArgNumber(base);
  NumberValue(base, HugeAngle(x) ? 0 : std::sin(x));
}

void CmdCos(TKobuBase& base) {
  long double x = ArgNumber(base);
  NumberValue(base, HugeAngle(x) ? 0 : std::cos(x));
}

void CmdTan(TKobuBase& base) { NumberValue(base, std::tan(ArgNumber(base))); }
void CmdArcTan(TKobuBase& base) { NumberValue(base, std::atan(ArgNumber(base))); }

void InverseSine(TKobuBase& base, bool cosine) {
  long double x = ArgNumber(base);
  if (!(x >= -1 && x <= 1)) InvalidOperation(base);
  NumberValue(base, cosine ? std::acos(x) : std::asin(x));
}

void CmdArcSin(TKobuBase& base) { InverseSine(base, false); }
void CmdArcCos(TKobuBase& base) { InverseSine(base, true); }

void CmdHypot(TKobuBase& base) {
  long double y = ArgNumber(base);
  long double x = ArgNumber(base);
  NumberValue(base, std::hypot(x, y));
}

constexpr long double kPi = 3.141592653589793238462643383279502884L;

void Scale(TKobuBase& base, long double factor) { NumberValue(base, ArgNumber(base) * factor); }
void CmdDegToRad(TKobuBase& base) { Scale(base, kPi / 180); }
void CmdRadToDeg(TKobuBase& base) { Scale(base, 180 / kPi); }
void CmdGradToRad(TKobuBase& base) { Scale(base, kPi / 200); }
void CmdRadToGrad(TKobuBase& base) { Scale(base, 200 / kPi); }
void CmdCycleToRad(TKobuBase& base) { Scale(base, 2 * kPi); }
void CmdRadToCycle(TKobuBase& base) { Scale(base, 1 / (2 * kPi)); }

// ---- in-place arithmetic

// The operands of 足す and its relatives: the amount with its type mark, and
// the value the first argument names (an existing word) or evaluates to.
struct TInPlace {
  std::string amount, mark, value;
  THashNode* word = nullptr;
};

TInPlace ReadInPlace(TKobuBase& base) {
  TInPlace op;
  op.amount = ArgText(base);
  op.mark = base.LastTypeMark;
  std::string name = ArgName(base);
  op.word = base.Words.Find(name, false);
  op.value = op.word ? op.word->Value : EvaluateArgument(base, name);
  return op;
}

void WriteInPlace(TKobuBase& base, const TInPlace& op, std::string value, const std::string& mark) {
  if (op.word && op.word != base.Sore) {
    op.word->Value = value;
    op.word->TypeMark = mark;
  }
  SetResult(base, std::move(value), mark);
}

void CmdAdd(TKobuBase& base) {
  TInPlace op = ReadInPlace(base);
  std::string value = op.mark == "e"
                          ? NumberToText(Checked(base, TextToNumber(op.value) + TextToNumber(op.amount)))
                          : op.value + op.amount;
  WriteInPlace(base, op, std::move(value), op.mark);
}

template <typename F>
void Arithmetic(TKobuBase& base, F f) {
  TInPlace op = ReadInPlace(base);
  long double v = Checked(base, f(TextToNumber(op.value), TextToNumber(op.amount)));
  WriteInPlace(base, op, NumberToText(v), "e");
}

void CmdSubtract(TKobuBase& base) {
  Arithmetic(base, [](long double a, long double b) { return a - b; });
}
void CmdMultiply(TKobuBase& base) {
  Arithmetic(base, [](long double a, long double b) { return a * b; });
}
void CmdDivide(TKobuBase& base) {
  Arithmetic(base, [&base](long double a, long double b) { return Divide(base, a, b); });
}

// ---- array statistics

std::vector<double> ArrayNumbers(TKobuBase& base) {
  std::vector<double> values;
  for (const std::string& line : ReadArrayText(ArgText(base))) {
    std::string element = TrimText(ToHalfWidth(line));
    if (!element.empty()) values.push_back(static_cast<double>(TextToNumber(element)));
  }
  if (values.empty()) values.push_back(0);
  return values;
}

long double Sum(const std::vector<double>& v) {
  long double s[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < v.size(); ++i) s[i % 4] += v[i];
  return (s[0] + s[1]) + (s[2] + s[3]);
}

// The sum of squared deviations from the mean. Taken about the mean (not as
// the sum of squares less the squared sum), it cannot cancel below zero.
long double Deviations(const std::vector<double>& v, long double mean) {
  long double s = 0;
  for (double x : v) s += (x - mean) * (x - mean);
  return s;
}

void CmdSum(TKobuBase& base) { Number(base, Sum(ArrayNumbers(base))); }

void CmdAverage(TKobuBase& base) {
  std::vector<double> v = ArrayNumbers(base);
  Number(base, Checked(base, Sum(v)) / static_cast<long double>(v.size()));
}

void CmdVariance(TKobuBase& base) {
  std::vector<double> v = ArrayNumbers(base);
  long double n = static_cast<long double>(v.size());
  long double mean = Checked(base, Sum(v)) / n;
  Number(base, Checked(base, Deviations(v, mean)) / n);
}

void CmdStdev(TKobuBase& base) {
  std::vector<double> v = ArrayNumbers(base);
  long double n = static_cast<long double>(v.size());
  long double mean = Checked(base, Sum(v)) / n;
  long double d = Checked(base, Deviations(v, mean));
  Number(base, std::sqrt(Divide(base, d, n - 1)));
}

void Extreme(TKobuBase& base, bool largest) {
  std::vector<double> v = ArrayNumbers(base);
  double best = v[0];
  for (double x : v)
    if (largest ? x > best : x < best) best = x;
  Number(base, best);
}

void CmdMax(TKobuBase& base) { Extreme(base, true); }
void CmdMin(TKobuBase& base) { Extreme(base, false); }

// ---- 32-bit bit operations

template <typename F>
void Bits(TKobuBase& base, F f) {
  int32_t b = ArgInteger(base);
  int32_t a = ArgInteger(base);
  Integer(base, f(a, b));
}

void CmdAnd(TKobuBase& base) {
  Bits(base, [](int32_t a, int32_t b) { return a & b; });
}
void CmdOr(TKobuBase& base) {
  Bits(base, [](int32_t a, int32_t b) { return a | b; });
}
void CmdXor(TKobuBase& base) {
  Bits(base, [](int32_t a, int32_t b) { return a ^ b; });
}

void CmdNot(TKobuBase& base) { Integer(base, ArgInteger(base) == 0 ? 1 : 0); }

void CmdMod(TKobuBase& base) {
  int32_t b = ArgInteger(base);
  int32_t a = ArgInteger(base);
  if (b == 0) ScriptError(base, "0 による除算");
  // -1 always leaves 0; the smallest integer divided by it would overflow.
  Integer(base, b == -1 ? 0 : a % b);
}

void Shift(TKobuBase& base, bool right) {
  uint32_t count = static_cast<uint32_t>(ArgInteger(base)) & 31u;
  uint32_t bits = static_cast<uint32_t>(ArgInteger(base));
  bits = right ? bits >> count : bits << count;
  Integer(base, static_cast<int32_t>(bits));
}

void CmdShr(TKobuBase& base) { Shift(base, true); }
void CmdShl(TKobuBase& base) { Shift(base, false); }

void CmdHex(TKobuBase& base) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(static_cast<uint32_t>(ArgInteger(base))));
  SetResult(base, buf, "e");
}

const TCommandRow kRows[] = {
    {"足す", "?に,?を", "変数（値）に数値を足す", 213, CmdAdd},
    {"引く", "?から,?を", "変数（値）から数値を引く", 214, CmdSubtract},
    {"掛ける", "?に,?を", "変数（値）に数値を掛ける", 216, CmdMultiply},
    {"割る", "?を,?で", "変数（値）を数値で割る", 217, CmdDivide},
    {"計算", "?を", "文字列として、計算式を与えると、それに、答えを返す", 11, CmdCalculate},
    {"MOD", "?と,?の", "割り算の余りを返す", 343, CmdMod},
    {"余り", "?と,?の", "割り算の余りを返す", 343, CmdMod},
    {"AND", "?と,?の", "ビットごとの論理積を返す", 218, CmdAnd},
    {"OR", "?と,?の", "ビットごとの論理和を返す", 219, CmdOr},
    {"XOR", "?と,?の", "ビットごとの排他的論理和を返す", 220, CmdXor},
    {"NOT", "?の", "0なら1を、それ以外なら0を返す", 221, CmdNot},
    {"SHR", "?を,?ビット", "整数を右へビットシフトする", 344, CmdShr},
    {"SHL", "?を,?ビット", "整数を左へビットシフトする", 345, CmdShl},
    {"右シフト", "?を,?ビット", "整数を右へビットシフトする", 344, CmdShr},
    {"左シフト", "?を,?ビット", "整数を左へビットシフトする", 345, CmdShl},
    {"乱数", "?の", "0からn未満の乱数を返す", 222, CmdRandom},
    {"RND", "", "0以上1未満の乱数を返す", 223, CmdRnd},
    {"乱数初期化", "?で", "乱数の種を設定する", 224, CmdRandomize},
    {"整数", "?", "小数点以下を切り捨てた整数を返す", 225, CmdTrunc},
    {"切り捨て", "?を,?位で", "指定した桁で切り捨てる", 230, CmdTruncAt},
    {"四捨五入", "?を,?位で", "指定した桁で丸める", 231, CmdRoundAt},
    {"ABS", "?", "絶対値を返す", 232, CmdAbs},
    {"CEIL", "?", "その数以上の最小の整数を返す", 233, CmdCeil},
    {"EXP", "?", "eのx乗を返す", 234, CmdExp},
    {"FLOOR", "?", "その数以下の最大の整数を返す", 235, CmdFloor},
    {"FRAC", "?", "小数部分を返す", 236, CmdFrac},
    {"INT", "?", "小数点以下を切り捨てた整数を返す", 237, CmdTrunc},
    {"LN", "?", "自然対数を返す", 238, CmdLn},
    {"LOG", "?,?", "底を指定した対数を返す", 239, CmdLog},
    {"LOG2", "?", "2を底とする対数を返す", 240, CmdLog2},
    {"LOG10", "?", "10を底とする対数を返す", 241, CmdLog10},
    {"POWER", "?,?", "累乗を返す", 242, CmdPower},
    {"ROUND", "?", "最も近い整数に丸める", 243, CmdRound},
    {"SQRT", "?", "平方根を返す", 244, CmdSqrt},
    {"TRUNC", "?", "小数点以下を切り捨てた整数を返す", 245, CmdTrunc},
    {"HEX", "?", "整数を16進数の文字列にする", 246, CmdHex},
    {"サイン", "?", "サインを返す", 52, CmdSin},
    {"コサイン", "?", "コサインを返す", 53, CmdCos},
    {"タンジェント", "?", "タンジェントを返す", 54, CmdTan},
    {"SIN", "?", "サインを返す", 52, CmdSin},
    {"COS", "?", "コサインを返す", 53, CmdCos},
    {"TAN", "?", "タンジェントを返す", 54, CmdTan},
    {"ARCSIN", "?", "アークサインを返す", 247, CmdArcSin},
    {"ARCCOS", "?", "アークコサインを返す", 248, CmdArcCos},
    {"ARCTAN", "?", "アークタンジェントを返す", 249, CmdArcTan},
    {"HYPOT", "?,?", "直角三角形の斜辺の長さを返す", 250, CmdHypot},
    {"サイクルからラジアン", "?を", "サイクルをラジアンに変換する", 251, CmdCycleToRad},
    {"度からラジアン", "?を", "度をラジアンに変換する", 252, CmdDegToRad},
    {"グラードからラジアン", "?を", "グラードをラジアンに変換する", 253, CmdGradToRad},
    {"ラジアンからサイクル", "?を", "ラジアンをサイクルに変換する", 254, CmdRadToCycle},
    {"ラジアンから度", "?を", "ラジアンを度に変換する", 255, CmdRadToDeg},
    {"ラジアンからグラード", "?を", "ラジアンをグラードに変換する", 256, CmdRadToGrad},
    {"配列合計値", "?の", "配列の合計値を返す", 226, CmdSum},
    {"配列平均値", "?の", "配列の平均値を返す", 227, CmdAverage},
    {"配列分散値", "?の", "配列の分散値を返す", 228, CmdVariance},
    {"標準偏差値", "?の", "配列の標準偏差値を返す", 229, CmdStdev},
    {"配列最大値", "?の", "配列の最大値を返す", 257, CmdMax},
    {"配列最小値", "?の", "配列の最小値を返す", 258, CmdMin},
    {"SUM", "?", "配列の合計値を返す", 226, CmdSum},
    {"AVERAGE", "?", "配列の平均値を返す", 227, CmdAverage},
    {"VAR", "?", "配列の分散値を返す", 228, CmdVariance},
    {"STDEV", "?", "配列の標準偏差値を返す", 229, CmdStdev},
};

}  // namespace

void SeedRandom(uint32_t seed) {
  Random().seed = seed;
  Random().seeded = true;
}

void SeedRandomFromClock() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ns = static_cast<uint64_t>(ts.tv_sec) * 1000000000ULL + static_cast<uint64_t>(ts.tv_nsec);
  SeedRandom(static_cast<uint32_t>(ns));
}

uint32_t RandomBelow(uint32_t n) {
  return static_cast<uint32_t>((static_cast<uint64_t>(NextSeed()) * n) >> 32);
}

double RandomFraction() { return NextSeed() * 0x1p-32; }

void CmdRgb(TKobuBase& base) {
  std::string texts[3];
  for (int k = 2; k >= 0; --k) texts[k] = ArgText(base);
  long long colour = 0;
  for (int k = 0; k < 3; ++k) {
    long double v = std::trunc(TextToNumber(texts[k]));
    if (v < -1) ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, "RGB")});
    if (!(v >= 0 && v <= 255)) OutOfRange(base, texts[k]);
    colour += static_cast<long long>(v) << (8 * k);
  }
  base.Sore->Value = std::to_string(colour);
}

void CmdCmyk(TKobuBase& base) {
  std::string texts[4];
  for (int k = 3; k >= 0; --k) texts[k] = ArgText(base);
  int v[4];
  for (int k = 0; k < 4; ++k)
    v[k] = static_cast<int>(ToInt64(base, std::trunc(TextToNumber(texts[k])), texts[k]) & 0xFF);
  long long colour = 0;
  for (int k = 0; k < 3; ++k) {
    int sum = v[k] + v[3];
    colour += static_cast<long long>(sum >= 255 ? 0 : 255 - sum) << (8 * k);
  }
  base.Sore->Value = std::to_string(colour);
}

std::span<const TCommandRow> NumberCommandRows() { return kRows; }

}  // namespace kobu
