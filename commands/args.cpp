#include "commands/args.h"

#include "core/errors.h"
#include "core/kobubase.h"
#include "core/terms.h"

namespace kobu {

std::string ArgName(TKobuBase& base) {
  // Binding guarantees the pattern's arguments; an empty stack is a fault of the caller.
  if (base.ArgumentStack.empty()) ScriptError(base, "命令の引数が足りません。");
  std::string w = std::move(base.ArgumentStack.back());
  base.ArgumentStack.pop_back();
  return w;
}

std::string ArgText(TKobuBase& base) { return EvaluateArgument(base, ArgName(base)); }

void SetResult(TKobuBase& base, std::string value, std::string_view mark) {
  base.Sore->Value = std::move(value);
  base.Sore->TypeMark = mark;
}

void SetLastValue(TKobuBase& base, std::string value, std::string_view mark) {
  base.Sore->Value = std::move(value);
  base.LastTypeMark = mark;
}

}  // namespace kobu
