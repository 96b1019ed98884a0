// The expression evaluator and the shared text/number conversions.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;

// Nesting beyond this is a runaway text, not a script: each level copies its
// group, so the limit also bounds the memory a pathological text can take.
constexpr int kMaxExpressionDepth = 64;

// Evaluates the expression at p (a zero-terminated text); sets LastTypeMark to
// "e" or "s". Raises EKobu with the "計算式に誤りがあります。" wrapping.
std::string EvaluateExpression(TKobuBase& base, const char*& p);
std::string EvaluateExpressionText(TKobuBase& base, const std::string& text);

// The tolerant conversion used by every numeric operand and argument.
long double TextToNumber(std::string_view text);
// How the evaluator writes a numeric result: 15 significant digits, fixed
// notation from 0.0001 up to 15 digits before the point (1E15, 1E-5).
std::string FormatNumber(long double value);
// How the commands write a floating result: the same digits, fixed notation
// from 0.00001 up (0.000015, 1.23E-6).
std::string NumberToText(long double value);

}  // namespace kobu
