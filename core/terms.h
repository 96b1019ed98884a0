// Terms: literals, numbers, groups, words and their values.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;

// The value wrapped in backquotes, inner backquotes doubled.
std::string QuoteLiteral(std::string_view value);
// At a double quote or backquote: the whole literal with its quotes.
std::string ReadLiteralSpan(TKobuBase& base, const char*& p);
// At "(": the text up to the matching ")", without the outer parentheses.
std::string ReadGroup(TKobuBase& base, const char*& p);
std::string EvaluateLiteral(TKobuBase& base, const std::string& literal);
// One term at p; `limit` (or nullptr) bounds how far it may read. Sets LastTypeMark.
std::string ReadTerm(TKobuBase& base, const char*& p, const char* limit);
// The value of an argument text. Sets LastTypeMark.
std::string EvaluateArgument(TKobuBase& base, const std::string& text);
// An element index: a decimal integer, or -1 when the text is not one.
long IndexValue(const std::string& text);

}  // namespace kobu
