// The runtime's own wildcard language: literal characters, "?" (one
// character), "*" (the shortest stretch after which the rest matches, never
// reconsidered), "#" (a digit), "[...]" classes with ranges, negation,
// repetition and alternatives, and "(" ")" captures.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
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
  // Whether a try succeeds, and where it ends, depends only on the element
  // and the text position it starts at (groups only record texts), so the
  // outcome of every start is kept: 0 not tried yet, 1 failed, end + 2. A
  // start known to fail is never tried again, and a look-ahead that is not
  // recording groups reuses the known end: nested stars stay polynomial,
  // with groups too. Small matches keep a table, large ones a map.
  uint32_t Known(size_t key) const;
  void Remember(size_t key, uint32_t outcome);
  std::vector<uint32_t> memo_;
  std::unordered_map<size_t, uint32_t> sparseMemo_;
  bool sparse_ = false;
  size_t width_ = 0;
  // Every star looks ahead one level deeper on the C++ stack; a pattern with
  // more stars than this is refused instead of exhausting it.
  static constexpr size_t kMaxDepth = 2000;
  size_t depth_ = 0;
  // For each element, whether a group opens or closes after it.
  std::vector<char> groupsAfter_;
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
