#include "commands/array_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"数値として扱う", "?を", "変数を数値として扱う", 174, nullptr},
    {"文字列として扱う", "?を", "変数を文字列として扱う", 175, nullptr},
    {"辞書として扱う", "?を", "変数を辞書として扱う", 176, nullptr},
    {"単語コピー", "?から,?へ", "単語の名前以外の属性をすべて別の単語へコピーする", 177, nullptr},
    {"名義変更", "?を,?に", "命令の名前と引数の形を変更する", 51, nullptr},
    {"変数名列挙", "?以上の", "指定したレベル以上の変数の名前を列挙する", 178, nullptr},
    {"ハッシュキー列挙", "?の", "辞書のキーを配列で返す", 179, nullptr},
    {"辞書項目列挙", "?の", "辞書のキーを配列で返す", 180, nullptr},
    {"入れる", "?に", "変数に「それ」の値を入れる", 181, nullptr},
    {"要素数", "?の", "配列（表）の要素数を返す", 182, nullptr},
    {"ソート", "?を", "配列を文字列順に並べ替える", 184, nullptr},
    {"数値ソート", "?を", "配列を数値順に並べ替える", 185, nullptr},
    {"逆にする", "?を", "配列（表）の行の順番を逆にする", 186, nullptr},
    {"配列シャッフル", "?を", "配列の要素をランダムに並べ替える", 188, nullptr},
    {"行挿入", "?の,?行目へ,?を", "配列の指定した行に要素を挿入する", 189, nullptr},
    {"行削除", "?の,?行目を", "配列の指定した行を削除する", 190, nullptr},
};

}  // namespace

std::span<const TCommandRow> ArrayCommandRows() { return kRows; }

}  // namespace kobu
