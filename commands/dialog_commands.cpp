#include "commands/dialog_commands.h"

#include "commands/args.h"
#include "core/commandrow.h"
#include "core/kobubase.h"
#include "core/ui.h"

namespace kobu {

namespace {

void CmdSay(TKobuBase& base) {
  std::string text = ArgText(base);
  if (base.UI) base.UI->ShowMessage(text);
}

const TCommandRow kSayRows[] = {
    {"言う", "?と", "メッセージダイアログに文字列を表示する", 12, CmdSay},
};

const TCommandRow kRows[] = {
    {"尋ねる", "?と", "入力ダイアログで?と尋ね、答えをそれに返す", 98, nullptr},
    {"二択", "?と", "はい・いいえで?と尋ねる", 99, nullptr},
    {"三択", "?と", "はい・いいえ・キャンセルで?と尋ねる", 100, nullptr},
    {"どれか尋ねる", "?が,?の", "?が,候補?の中からリストで選ばせる（編集可）", 101, nullptr},
    {"リストから選択", "?を,?の", "?を,候補?の中からリストで選ばせる", 103, nullptr},
    {"ボタンで選択", "?を,?の", "?を,候補?の中からボタンで選ばせる", 104, nullptr},
    {"メモ記入", "?の", "文字列?をメモ帳ダイアログで編集させる", 105, nullptr},
    {"色選択", "", "色選択ダイアログで色を選ばせる", 106, nullptr},
    {"フォント選択", "", "フォント選択ダイアログで書体を選ばせる", 107, nullptr},
    {"読込ファイル選択", "?の", "拡張子?で開くファイルを選ばせる", 108, nullptr},
    {"書込ファイル選択", "?の", "拡張子?で保存するファイルを選ばせる", 116, nullptr},
    {"フォルダ選択", "", "フォルダを選ばせる", 117, nullptr},
    {"コピー", "?を", "文字列?をクリップボードにコピーする", 123, nullptr},
    {"クリップボード取得", "", "クリップボードの文字列を得る", 132, nullptr},
};

}  // namespace

std::span<const TCommandRow> SayCommandRows() { return kSayRows; }

std::span<const TCommandRow> DialogCommandRows() { return kRows; }

}  // namespace kobu
