#include "core/debug_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"DEBUG", "", "デバッグダイアログを表示する", 57, nullptr},
    {"改行で実行を止める", "", "一行毎に実行を止めてデバッグダイアログを表示する", 270, nullptr},
    {"_P", "?", "?の内容を表示する", 193, nullptr},
    {"SHOW", "?", "?の内容を表示する", 193, nullptr},
    {"ログる", "?を,?で", "変数?のログをとり、指定個溜まったら、ダイアログに表示する", 347, nullptr},
};

}  // namespace

std::span<const TCommandRow> DebugCommandRows() { return kRows; }

}  // namespace kobu
