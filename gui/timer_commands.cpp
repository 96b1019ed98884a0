#include "gui/timer_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"タイマー設定", "?秒後に,?へ飛ぶ", "?秒後にラベル?へ飛ぶ", 191, nullptr},
    {"タイマー解除", "", "タイマーを解除する", 192, nullptr},
    {"待つ", "?秒", "?秒間待つ", 194, nullptr},
};

}  // namespace

std::span<const TCommandRow> TimerCommandRows() { return kRows; }

}  // namespace kobu
