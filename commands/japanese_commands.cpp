#include "commands/japanese_commands.h"

#include "commands/args.h"
#include "core/commandrow.h"
#include "core/kobubase.h"

namespace kobu {

namespace {

// 数列か: a digit first, then only digits, signs, points and exponent letters.
void CmdIsNumberText(TKobuBase& base) {
  std::string t = ArgText(base);
  bool ok = !t.empty() && t[0] >= '0' && t[0] <= '9';
  for (size_t i = 1; ok && i < t.size(); ++i) {
    char c = t[i];
    ok = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
  }
  SetResult(base, ok ? "1" : "0", "e");
}

const TCommandRow kRows[] = {
    {"送り仮名削除", "?から", "文字列?から送り仮名を削除する", 39, nullptr},
    {"通貨形式に変換", "?を", "数値?を3桁区切りの通貨形式に変換する", 40, nullptr},
    {"指定形式に変換", "?を,?の", "値?を書式?で整形する", 41, nullptr},
    {"右寄せ", "?を,?桁で", "文字列?を?桁で右寄せする", 42, nullptr},
    {"ゼロで埋める", "?を,?桁の", "文字列?の左を?桁になるまでゼロで埋める", 43, nullptr},
    {"半角変換", "?を", "文字列?を半角に変換する", 44, nullptr},
    {"英数半角変換", "?を", "文字列?の全角英数記号だけを半角に変換する", 45, nullptr},
    {"全角変換", "?を", "文字列?を全角に変換する", 46, nullptr},
    {"大文字変換", "?を", "文字列?を大文字に変換する", 50, nullptr},
    {"小文字変換", "?を", "文字列?を小文字に変換する", 55, nullptr},
    {"ひらがな変換", "?を", "文字列?のカタカナをひらがなに変換する", 58, nullptr},
    {"カタカナ変換", "?を", "文字列?のひらがなをカタカナに変換する", 64, nullptr},
    {"文字コードをEUCに変換", "?の", "文字列?の文字コードをEUCに変換する", 66, nullptr},
    {"文字コードをJISに変換", "?の", "文字列?の文字コードをJISに変換する", 67, nullptr},
    {"文字コードをSJISに変換", "?の", "文字列?の文字コードをSJISに変換する", 68, nullptr},
    {"BASE64エンコード", "?を", "文字列?をBASE64でエンコードする", 69, nullptr},
    {"BASE64デコード", "?を", "BASE64の文字列?をデコードする", 70, nullptr},
    {"文字コード変換", "?の,?から,?へ", "文字列?の文字コードを?から?へ変換する", 73, nullptr},
    {"メールヘッダエンコード", "?を", "文字列?をメールヘッダ用にエンコードする", 74, nullptr},
    {"メールヘッダデコード", "?を", "メールヘッダ?をデコードする", 77, nullptr},
    {"MBXメッセージ取得", "?から", "変数?のメールボックスから先頭のメッセージを取り出す", 78, nullptr},
    {"大文字か", "?が", "文字列?の先頭が英大文字か調べる", 79, nullptr},
    {"数字か", "?が", "文字列?の先頭が数字か調べる", 80, nullptr},
    {"数列か", "?が", "文字列?が数値の並びか調べる", 81, CmdIsNumberText},
    {"全角か", "?が", "文字列?の先頭が全角文字か調べる", 82, nullptr},
    {"ひらがなか", "?が", "文字列?の先頭がひらがなか調べる", 83, nullptr},
    {"カタカナか", "?が", "文字列?の先頭がカタカナか調べる", 84, nullptr},
    {"文字", "?の", "文字コード?の文字を返す", 76, nullptr},
    {"キーコード", "?の", "文字?の文字コードを返す", 75, nullptr},
    {"CHR", "?", "文字コード?の文字を返す", 76, nullptr},
    {"ASC", "?", "文字?の文字コードを返す", 75, nullptr},
};

}  // namespace

std::span<const TCommandRow> JapaneseCommandRows() { return kRows; }

}  // namespace kobu
