// Perl-style regular expressions on Shift-JIS text: our own reader of the
// m//, s///, tr/// and split forms over the regex engine, which works on the
// script's bytes in its Shift-JIS mode (so a match never starts or ends
// inside a double-byte character).
#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kobu {

// A bad expression; the message is script text (CP932).
class ERegex : public std::runtime_error {
 public:
  explicit ERegex(const std::string& message) : std::runtime_error(message) {}
};

struct TRegexMatch {
  bool matched = false;
  std::vector<std::string> groups;  // [0] the whole match, then every group ("" when unset)
};

// `expr` is an m-form ("m/.../flags", any punctuation as delimiter) or a bare
// pattern; a text beginning with "m" that is no complete m-form is a bare pattern.
TRegexMatch RegexMatch(std::string_view expr, std::string_view text);

// Splits as Perl's split with a positive limit: at most `limit` parts, groups
// of the expression are listed among the parts, trailing empty parts stay.
std::vector<std::string> RegexSplit(std::string_view expr, std::string_view text, size_t limit);

struct TRegexSubst {
  bool matched = false;
  std::string text;   // the subject after the substitution (unchanged without a match)
  size_t groups = 0;  // groups of the expression
};

// `expr` is an s-form: s/pattern/replacement/flags (g i m s x; k is accepted).
TRegexSubst RegexSubstitute(std::string_view expr, std::string_view text);

// `expr` is a tr-form: tr/list/list/flags (c d s), character by character;
// `count` receives the number of characters found in the list.
std::string RegexTransliterate(std::string_view expr, std::string_view text, size_t* count = nullptr);

// Drops every cached compiled expression.
void RegexClearCache();

}  // namespace kobu
