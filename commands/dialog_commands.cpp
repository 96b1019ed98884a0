#include "commands/dialog_commands.h"

#include "commands/args.h"
#include "core/kobubase.h"
#include "core/ui.h"

namespace kobu {

namespace {

void CmdSay(TKobuBase& base) {
  std::string text = ArgText(base);
  if (base.UI) base.UI->ShowMessage(text);
}

const TCommandRow kRows[] = {
    {"言う", "?と", "メッセージダイアログに文字列を表示する", 12, CmdSay},
};

}  // namespace

std::span<const TCommandRow> DialogCommandRows() { return kRows; }

}  // namespace kobu
