#include "commands/match_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"マッチ", "?を,?で", "変数?をワイルドカード?で照合し、一致した部分を切り取る", 94, nullptr},
    {"正規表現マッチ", "?を,?で", "文字列?を正規表現?で照合する", 187, nullptr},
    {"RE", "?,?", "文字列?を正規表現?で照合する", 187, nullptr},
    {"正規表現区切る", "?を,?で", "文字列?を正規表現?で区切る", 95, nullptr},
    {"正規表現置換", "?を,?で", "文字列?を置換式?で置換する", 96, nullptr},
    {"正規表現入換", "?を,?で", "文字列?の文字を変換式?で入れ換える", 97, nullptr},
};

}  // namespace

std::span<const TCommandRow> MatchCommandRows() { return kRows; }

}  // namespace kobu
