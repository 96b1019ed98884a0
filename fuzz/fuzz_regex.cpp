// The regular-expression front end: the m//, s///, tr/// and split forms over
// the engine. The input is the expression, a zero byte, the subject; the
// expression is tried as given and in each form.
#include "commands/regex.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 1024) return 0;
  const auto parts = kobufuzz::SplitAtZero(data, size);
  const std::string_view expr = parts.first, subject = parts.second;
  auto attempt = [&](auto&& f) {
    try {
      f();
    } catch (const kobu::ERegex&) {
    } catch (const std::bad_alloc&) {
    }
  };
  attempt([&] { kobu::RegexMatch(expr, subject); });
  attempt([&] { kobu::RegexSplit(expr, subject, 1 + (size % 5)); });
  attempt([&] { kobu::RegexSubstitute(expr, subject); });
  attempt([&] {
    size_t count = 0;
    kobu::RegexTransliterate(expr, subject, &count);
  });
  static unsigned runs = 0;
  if (++runs % 1024 == 0) kobu::RegexClearCache();
  return 0;
}
