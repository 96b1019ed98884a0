#include "system/media_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"演奏", "?を", "ファイルを演奏する", 383, nullptr},
    {"繰り返し演奏", "?を", "ファイルを繰り返し演奏する", 384, nullptr},
    {"演奏停止", "", "演奏を止める", 386, nullptr},
    {"演奏状態", "", "演奏の状態を得る", 387, nullptr},
    {"MCI送信", "?を", "MCIにコマンド文字列を送り、応答を得る", 388, nullptr},
    {"BEEP", "", "ビープ音を鳴らす", 389, nullptr},
};

}  // namespace

std::span<const TCommandRow> MediaCommandRows() { return kRows; }

}  // namespace kobu
