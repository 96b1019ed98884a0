#include "system/archive/archive_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"圧縮", "?を,?へ", "ファイルの一覧を書庫へ圧縮する", 135, nullptr},
    {"解凍", "?を,?へ", "書庫をフォルダへ解凍する", 136, nullptr},
    {"自己解凍書庫作成", "?を,?へ", "ファイルの一覧か書庫から自己解凍書庫を作る", 137, nullptr},
};

}  // namespace

std::span<const TCommandRow> ArchiveCommandRows() { return kRows; }

}  // namespace kobu
