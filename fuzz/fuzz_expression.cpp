// The expression evaluator over an arbitrary text, with a few variables.
#include "core/errors.h"
#include "core/expression.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 1024) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  {
    kobufuzz::TFuzzUI ui;
    kobu::TKobuBase base;
    kobufuzz::Prepare(base, ui);
    // As inside a run: at the end of an (empty) program, so a command called
    // from the expression that reads the block after it finds none.
    base.CurrentPosition = base.AddProgramText(std::string());
    kobu::CreateVariable(base, "A")->Value = "12";
    kobu::CreateVariable(base, "B")->Value = kobu::sj("あいう");
    kobu::CreateVariable(base, "C")->Value = "1,2\r\n3,4\r\n";
    auto& dog = kobufuzz::TWatchdog::Instance();
    dog.Arm(base, std::chrono::milliseconds(1500));
    try {
      kobu::EvaluateExpressionText(base, text);
      // The zero-terminated form stops at the first zero byte.
      const char* p = text.c_str();
      kobu::EvaluateExpression(base, p);
    } catch (const kobu::EKobu&) {
    } catch (const std::bad_alloc&) {
    }
    dog.Disarm();
    kobu::FormatNumber(kobu::TextToNumber(text));
  }
  kobufuzz::CleanSandbox();
  return 0;
}
