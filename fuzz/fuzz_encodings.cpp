// The Japanese encodings: detection, every converter, Base64 (which must give
// back exactly what it was given) and mail-header words.
#include <cstdio>

#include "commands/encodings.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

namespace {
void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  using namespace kobu;
  TEncoding detected = DetectEncoding(text);
  for (TEncoding target : {encJis, encEuc, encSjis, encUtf8})
    ConvertEncoding(text, target, detected);
  SjisToJis(text);
  SjisToEuc(text);
  EucToJis(text);
  EucToSjis(text);
  JisToEuc(text);
  JisToSjis(text);

  std::string encoded = Base64Encode(text);
  std::optional<std::string> decoded = Base64Decode(encoded);
  Check(decoded && *decoded == text, "Base64 decoding does not give back the encoded bytes");
  Base64Decode(text);

  std::string header = MailHeaderEncode(text);
  MailHeaderDecode(header);
  MailHeaderDecode(text);
  std::string rest;
  TakeMailboxMessage(text, rest);
  Check(rest.size() <= text.size(), "the rest of a mailbox is longer than the mailbox");
  return 0;
}
