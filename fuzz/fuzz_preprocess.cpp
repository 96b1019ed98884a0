// Preprocessing and the label scan over an arbitrary program text.
#include "core/errors.h"
#include "core/preprocess.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  {
    kobufuzz::TFuzzUI ui;
    kobu::TKobuBase base;
    kobufuzz::Prepare(base, ui);
    try {
      const char* start = base.AddProgramText(kobu::Preprocess(base, text));
      kobu::RegisterLabels(base, start, base.ScriptFileName);
      // Positions spread over the text each have a line.
      size_t length = std::strlen(start);
      for (size_t i = 0; i < 16 && length; ++i) kobu::FindLineNumberAt(base, start + length * i / 16);
    } catch (const kobu::EKobu&) {
    } catch (const std::bad_alloc&) {
    }
  }
  kobufuzz::CleanSandbox();
  return 0;
}
