#include "system/registry_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"レジストリ開く", "?の,?を", "ルートキーの下のレジストリキーを開く", 440, nullptr},
    {"レジストリ閉じる", "", "開いているレジストリキーを閉じる", 441, nullptr},
    {"レジストリ読む", "?を", "レジストリから文字列の値を読む", 442, nullptr},
    {"レジストリ書く", "?に", "それの値をレジストリに書く", 163, nullptr},
    {"レジストリのバイナリを読む", "?を,?つ", "レジストリからバイナリの値を読む", 443, nullptr},
    {"レジストリにバイナリを書く", "?を,?に,?つ", "レジストリにバイナリの値を書く", 418, nullptr},
    {"レジストリのDWORDを読む", "?を", "レジストリからDWORDの値を読む", 444, nullptr},
    {"レジストリにDWORDを書く", "?を,?に", "レジストリにDWORDの値を書く", 424, nullptr},
    {"レジストリ値削除", "?を", "レジストリの値を削除する", 166, nullptr},
    {"レジストリキー削除", "?を", "レジストリのキーを削除する", 167, nullptr},
    {"レジストリサブキー取得", "", "開いているキーのサブキーの一覧を得る", 445, nullptr},
    {"関連付ける", "?を,?に,?として", "拡張子をプログラムに関連付ける", 295, nullptr},
    {"関連付けを削除", "?の", "拡張子の関連付けを削除する", 296, nullptr},
    {"INIファイル開く", "?の", "INIファイルを開く", 271, nullptr},
    {"INIファイル閉じる", "", "INIファイルを閉じる", 446, nullptr},
    {"INIファイル書く", "?を,?の,?へ", "INIファイルに値を書く", 273, nullptr},
    {"INIファイル読む", "?に,?の,?を", "INIファイルから値を変数に読む", 448, nullptr},
    {"フォームの位置記録", "へ", "母艦の位置をINIファイルへ記録する", 275, nullptr},
    {"フォームの位置復元", "から", "母艦の位置をINIファイルから復元する", 449, nullptr},
};

}  // namespace

std::span<const TCommandRow> RegistryCommandRows() { return kRows; }

}  // namespace kobu
