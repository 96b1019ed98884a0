#include "system/process_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"起動", "?を", "プログラムや文書?を起動する", 208, nullptr},
    {"エクスプローラーで開く", "?を", "フォルダやアドレス?をエクスプローラーで開く", 209, nullptr},
    {"アクティブ", "?を", "タイトル?のウインドウを前面に出す", 210, nullptr},
    {"キー送信", "?に,?を", "タイトル?のウインドウにキー?を送る", 211, nullptr},
    {"起動して終了まで待機", "?を", "プログラム?を起動して終了するまで待つ", 212, nullptr},
    {"ウインドウ列挙", "", "ウインドウのタイトルを列挙する", 183, nullptr},
    {"ウィンドウ列挙", "", "ウインドウのタイトルを列挙する", 183, nullptr},
};

}  // namespace

std::span<const TCommandRow> ProcessCommandRows() { return kRows; }

}  // namespace kobu
