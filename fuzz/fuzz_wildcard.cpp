// The wildcard matcher. The input is the pattern, a zero byte, the subject.
#include "commands/wildcard.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 1024) return 0;
  const auto parts = kobufuzz::SplitAtZero(data, size);
  const std::string_view pattern = parts.first, subject = parts.second;
  try {
    kobu::WildcardMatch(subject, pattern);
    kobu::TWString w(pattern);
    size_t end = 0;
    if (w.MatchPrefix(subject, end)) w.Captures();
  } catch (const kobu::EWildcard&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
