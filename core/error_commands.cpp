#include "core/error_commands.h"

#include "commands/args.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/terms.h"

namespace kobu {

namespace {

// The label an argument names: a literal is unquoted, a word taken as written.
THashNode* NamedLabel(TKobuBase& base, const std::string& raw, std::string& name) {
  name = raw;
  if (name.size() >= 2 && name.front() == '`' && name.back() == '`') name = EvaluateArgument(base, raw);
  THashNode* n = base.Words.Find(name, false);
  if (!n) n = base.Words.Find(name, true);
  return (n && n->Kind == wkLabel) ? n : nullptr;
}

void CmdIgnoreErrors(TKobuBase& base) {
  base.ShowErrors = 0;
  base.ErrorHandler = nullptr;
}

void CmdWarnErrors(TKobuBase& base) {
  base.ShowErrors = 1;
  base.ErrorHandler = nullptr;
}

void CmdSetErrorHandler(TKobuBase& base) {
  std::string name;
  base.ErrorHandler = NamedLabel(base, ArgName(base), name);
  base.ErrorHandlerJumps = 0;
  if (!base.ErrorHandler) ScriptError(base, "未定義のラベル\"%s\"に、ジャンプしようとしました。", {name});
}

void CmdResumeAfterError(TKobuBase& base) {
  base.ErrorHandlerJumps = 0;
  if (base.ErrorResumePos) {
    base.CurrentPosition = base.ErrorResumePos;
    base.CurrentLine = base.ErrorResumeLine;
  }
}

// 終了処理設定: the label runs once when the program is asked to end; setting
// it again (even from inside the handler) keeps the program open.
void CmdSetTerminationHandler(TKobuBase& base) {
  std::string raw = ArgName(base), name;
  if (THashNode* label = NamedLabel(base, raw, name)) {
    base.TerminationHandler = label;
    if (base.CannotTerminate) base.CannotTerminate->Value = "1";
    return;
  }
  std::string value = EvaluateArgument(base, raw);
  if (!value.empty()) ScriptError(base, "未定義のラベル\"%s\"に、ジャンプしようとしました。", {value});
  base.TerminationHandler = nullptr;
  if (base.CannotTerminate) base.CannotTerminate->Value = "0";
}

const TCommandRow kRows[] = {
    {"エラーを無視", "", "エラーを表示せずに実行を続ける", 118, CmdIgnoreErrors},
    {"エラーを警告", "", "エラーをダイアログで表示する", 120, CmdWarnErrors},
    {"エラー処理設定", "?に", "エラーが起きたらラベル?に飛ぶ", 119, CmdSetErrorHandler},
    {"エラーから復帰", "", "エラーの起きた場所に戻って実行を続ける", 121, CmdResumeAfterError},
    {"終了処理設定", "?に", "終了する時にラベル?を実行する", 161, CmdSetTerminationHandler},
};

}  // namespace

std::span<const TCommandRow> ErrorCommandRows() { return kRows; }

}  // namespace kobu
