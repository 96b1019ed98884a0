// The runtime's own wildcard language: literal characters, "?" (one
// character), "*" (the shortest stretch after which the rest matches, never
// reconsidered), "#" (a digit), "[...]" classes with ranges, negation,
// repetition and alternatives, and "(" ")" captures.
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kobu {

// A pattern that cannot be compiled or run; the message is script text (CP932).
class EWildcard : public std::runtime_error {
 public:
  explicit EWildcard(const std::string& message) : std::runtime_error(message) {}
};

class TWString {
 public:
  explicit TWString(std::string_view pattern);
  ~TWString();
  TWString(const TWString&) = delete;
  TWString& operator=(const TWString&) = delete;

  // Matches from the start of the text; on success `end` is where the match
  // stopped (which may be beyond the text after a final "?") and the
  // captured texts are in Captures().
  bool MatchPrefix(std::string_view text, size_t& end);
  const std::vector<std::string>& Captures() const { return captures_; }

 private:
  struct TElement;
  bool Run(size_t p, size_t& t);
  bool Step(size_t p, size_t& t);
  // Without groups a try depends only on where it starts, so a start known
  // to fail is never tried again: nested stars stay polynomial.
  std::vector<unsigned char> failed_;
  size_t width_ = 0;
  std::vector<TElement> elements_;
  std::vector<std::string> captures_;
  std::string_view text_;
  size_t captureStart_ = 0;
  long long highest_ = -1;
  bool capturing_ = true;
};

// Whether the whole text matches the pattern (the match ends exactly at the
// end of the text). Raises EWildcard for a bad pattern.
bool WildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace kobu
