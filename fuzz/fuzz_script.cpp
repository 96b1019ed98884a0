// Runs an arbitrary script: preprocessed, labels registered, then the run
// loop, with a user that answers from a fixed queue, in the private work
// folder, within a budget of commands and of time.
#include "commands/regex.h"
#include "core/errors.h"
#include "core/preprocess.h"
#include "core/runcontrol.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  {
    kobufuzz::TFuzzUI ui;
    kobu::TKobuBase base;
    kobufuzz::Prepare(base, ui);
    bool ready = false;
    try {
      const char* start = base.AddProgramText(kobu::Preprocess(base, text));
      kobu::RegisterLabels(base, start, base.ScriptFileName);
      base.CurrentPosition = start;
      ready = true;
    } catch (const kobu::EKobu&) {
    } catch (const std::bad_alloc&) {
    }
    if (ready) {
      auto& dog = kobufuzz::TWatchdog::Instance();
      dog.Arm(base, std::chrono::milliseconds(1500));
      // As the host does: the run, then the close with its termination handler.
      try {
        kobu::RunLoop(base);
        base.StopRequested = false;
        kobu::TerminationStep(base);
      } catch (const std::exception&) {
      }
      dog.Disarm();
    }
  }
  kobufuzz::CleanSandbox();
  return 0;
}
