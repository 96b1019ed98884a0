#include "core/error_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"エラーを無視", "", "エラーを表示せずに実行を続ける", 118, nullptr},
    {"エラーを警告", "", "エラーをダイアログで表示する", 120, nullptr},
    {"エラー処理設定", "?に", "エラーが起きたらラベル?に飛ぶ", 119, nullptr},
    {"エラーから復帰", "", "エラーの起きた場所に戻って実行を続ける", 121, nullptr},
    {"終了処理設定", "?に", "終了する時にラベル?を実行する", 161, nullptr},
};

}  // namespace

std::span<const TCommandRow> ErrorCommandRows() { return kRows; }

}  // namespace kobu
