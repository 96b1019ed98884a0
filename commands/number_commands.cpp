#include "commands/number_commands.h"

#include "commands/args.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"

namespace kobu {

namespace {

// 計算: the text is an expression; a bad one gives the empty text, silently.
void CmdCalculate(TKobuBase& base) {
  std::string text = ArgText(base);
  std::string result;
  if (!text.empty()) {
    size_t logged = base.ErrorLog.size();
    try {
      result = EvaluateExpressionText(base, TConvToHalf::Instance().Convert(text));
    } catch (const std::exception&) {
      // A swallowed failure is no error: it leaves nothing in the log either.
      base.ErrorLog.resize(logged);
      result.clear();
    }
  }
  SetResult(base, std::move(result), "s");
}

const TCommandRow kRows[] = {
    {"計算", "?を", "文字列として、計算式を与えると、それに、答えを返す", 11, CmdCalculate},
};

}  // namespace

std::span<const TCommandRow> NumberCommandRows() { return kRows; }

}  // namespace kobu
