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
// The general number-to-text conversion, 15 significant digits (1E15,
// 0.0001, 1E-5, 0.333333333333333); the evaluator and the commands share it.
std::string NumberToText(long double value);
// The evaluator's name for the same conversion.
inline std::string FormatNumber(long double value) { return NumberToText(value); }

}  // namespace kobu
