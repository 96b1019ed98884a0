// How a command handler takes its arguments and gives its answer. Arguments
// are taken from the end of the argument stack: the last of the pattern first.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;
class THashNode;

// The next argument, evaluated to text.
std::string ArgText(TKobuBase& base);
// The next argument evaluated, then read as a number (tolerantly).
long double ArgNumber(TKobuBase& base);
// ArgNumber truncated toward zero; outside the signed 32-bit range it is a script error.
int32_t ArgInteger(TKobuBase& base);
// The word the next argument names (backquotes around the name are dropped).
// A missing word is created as an empty variable at the current scope level,
// or, without `create`, is a script error.
THashNode* ArgWord(TKobuBase& base, bool create);
// The next argument as written (unevaluated), for arguments that name a variable.
std::string ArgName(TKobuBase& base);

// The strict integer-text conversion: optional leading blanks, a sign, then
// decimal digits or hexadecimal ones after "$", "x", "X", "0x" or "0X", and
// nothing after them; anything else gives `fallback`.
long long IntegerText(std::string_view text, long long fallback);

// Writes それ's value and type mark.
void SetResult(TKobuBase& base, std::string value, std::string_view mark);
// Writes それ's value and sets the last type mark instead of それ's own.
void SetLastValue(TKobuBase& base, std::string value, std::string_view mark);

}  // namespace kobu
