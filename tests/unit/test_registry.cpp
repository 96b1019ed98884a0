// The built-in words: every row is there, with the numbers the language fixes.
#include <gtest/gtest.h>

#include <set>

#include "commands/registry.h"
#include "commands/system_variables.h"
#include "core/kobubase.h"
#include "platform/cp932.h"

using kobu::sj;

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { kobu::RegisterBuiltins(base); }
  kobu::TKobuBase base;
};

TEST_F(Registry, RowCounts) {
  auto rows = kobu::CommandRows();
  EXPECT_EQ(rows.size(), 481u);
  std::set<int> numbers;
  for (auto* r : rows) {
    EXPECT_GE(r->number, 0) << r->name;
    EXPECT_LT(r->number, kobu::kCommandNumbers) << r->name;
    numbers.insert(r->number);
  }
  EXPECT_EQ(numbers.size(), 453u);  // synonyms share their number
  EXPECT_EQ(kobu::SystemVariableCount(), 118);
  int settable = 0, readOnly = 0;
  for (auto* n : base.Words.Enumerate()) {
    if (n->Kind != kobu::wkVariable) continue;
    (n->Reserved ? readOnly : settable)++;
  }
  EXPECT_EQ(settable, 86);
  EXPECT_EQ(readOnly, 32);
}

TEST_F(Registry, StatedNumbers) {
  struct {
    const char* name;
    int number;
  } stated[] = {
      {"おわり", 2},
      {"おわる", 2},
      {"終わり", 2},
      {"戻る", 3},
      {"飛ぶ", 5},
      {"呼ぶ", 6},
      {"計算", 11},
      {"言う", 12},
      {"待機", 13},
      {"ならば", 19},
      {"でなければ", 20},
      {"違えば", 20},
      {"読む", 37},
      {"開く", 37},
      {"保存", 38},
      {"書く", 38},
      {"POS", 47},
      {"何文字目", 47},
      {"MID", 48},
      {"切り出す", 48},
      {"DLL宣言", 49},
      {"名義変更", 51},
      {"SIN", 52},
      {"サイン", 52},
      {"COS", 53},
      {"コサイン", 53},
      {"TAN", 54},
      {"タンジェント", 54},
      {"繰り返す", 56},
      {"DEBUG", 57},
      {"ファイル削除", 59},
      {"ファイル名変更", 60},
      {"ファイル移動", 61},
      {"作業ディレクトリ変更", 62},
      {"作業フォルダ変更", 62},
      {"フォルダ作成", 63},
      {"ファイル属性変更", 65},
      {"反復", 71},
      {"トリム", 72},
      {"前後の空白削除", 72},
      {"ASC", 75},
      {"キーコード", 75},
      {"CHR", 76},
      {"文字", 76},
      {"作業ディレクトリ", 89},
      {"作業フォルダ", 89},
      {"暗号化して保存", 90},
      {"LEN", 92},
      {"文字数", 92},
      {"もし", 102},
      {"エクセル起動", 109},
      {"エクセル開く", 110},
      {"エクセル保存", 111},
      {"エクセル終了", 112},
      {"エクセル設定", 113},
      {"エクセル得る", 114},
      {"エクセルマクロ実行", 115},
      {"エラーを無視", 118},
      {"エラー処理設定", 119},
      {"エラーを警告", 120},
      {"エラーから復帰", 121},
      {"LENB", 122},
      {"バイト数", 122},
      {"ワード起動", 124},
      {"ワード開く", 125},
      {"ワード保存", 126},
      {"ワード終了", 127},
      {"ワードブックマーク設定", 128},
      {"ワード文字挿入", 129},
      {"ワード本文を得る", 130},
      {"ワードマクロ実行", 131},
      {"エクセル印刷", 133},
      {"ワード印刷", 134},
      {"圧縮", 135},
      {"解凍", 136},
      {"自己解凍書庫作成", 137},
      {"終了処理設定", 161},
      {"レジストリ書く", 163},
      {"レジストリ値削除", 166},
      {"レジストリキー削除", 167},
      {"ウィンドウ列挙", 183},
      {"ウインドウ列挙", 183},
      {"RE", 187},
      {"正規表現マッチ", 187},
      {"SHOW", 193},
      {"_P", 193},
      {"なら", 200},
      {"ファイル合成", 206},
      {"合成ファイル取り出す", 207},
      {"抜ける", 215},
      {"SUM", 226},
      {"配列合計値", 226},
      {"AVERAGE", 227},
      {"配列平均値", 227},
      {"VAR", 228},
      {"配列分散値", 228},
      {"STDEV", 229},
      {"標準偏差値", 229},
      {"改行で実行を止める", 270},
      {"INIファイル開く", 271},
      {"INIファイル書く", 273},
      {"フォームの位置記録", 275},
      {"関連付ける", 295},
      {"関連付けを削除", 296},
      {"追加保存", 297},
      {"ハンドルを開く", 331},
      {"MOD", 343},
      {"余り", 343},
      {"SHR", 344},
      {"右シフト", 344},
      {"SHL", 345},
      {"左シフト", 345},
      {"ログる", 347},
      {"条件分岐", 369},
      {"文字型DLL宣言", 380},
      {"ファイル完全削除", 385},
      {"DLLを利用", 390},
      {"続ける", 398},
      {"関数定義", 399},
      {"引数取得", 400},
      {"乗せる", 401},
      {"乗せ換える", 401},
      {"Tエディタ設定を保存", 403},
      {"ループ", 414},
      {"レジストリにバイナリを書く", 418},
      {"ハンドルを詳しく開く", 422},
      {"レジストリにDWORDを書く", 424},
      {"バレンタインデー", 447},
      {"エクセルCSV形式保存", 454},
  };
  for (const auto& s : stated) {
    kobu::THashNode* n = base.Words.Find(sj(s.name), true);
    ASSERT_NE(n, nullptr) << s.name;
    EXPECT_EQ(n->Kind, kobu::wkCommand) << s.name;
    EXPECT_EQ(n->Number, s.number) << s.name;
  }
}

TEST_F(Registry, WordsAsScriptsSeeThem) {
  // Commands under any okurigana; variables only exactly.
  for (const char* w : {"繰り返す", "繰返す", "繰返", "繰り返して"}) {
    kobu::THashNode* n = base.Words.Find(sj(w), true);
    ASSERT_NE(n, nullptr) << w;
    EXPECT_EQ(n->Number, 56) << w;
  }
  EXPECT_EQ(base.Words.Find(sj("回数"), false), base.Kaisu);
  struct {
    const char* name;
    const char* value;
    const char* mark;
    bool reserved;
  } vars[] = {
      {"回数", "0", "回、反復、命令において、繰り返した回数をカウントしている変数e", true},
      {"オン", "1", "e", false},
      {"キャンセル", "2", "e", false},
      {"枠なし", "0", "e", false},
      {"赤色", "#FF0000", "s", false},
      {"文字書体", "ＭＳ ゴシック", "文字の書体を設定s", false},
      {"エラーメッセージ", "", "直前のエラーメッセージを記憶しているs", true},
      {"終了不可能", "0", "プログラムが終了できるかどうか調べるのに使う", true},
      {"HKEY_USERS", "3", "e", true},
  };
  for (const auto& v : vars) {
    kobu::THashNode* n = base.Words.Find(sj(v.name), false);
    ASSERT_NE(n, nullptr) << v.name;
    EXPECT_EQ(n->Value, sj(v.value)) << v.name;
    EXPECT_EQ(n->TypeMark, sj(v.mark)) << v.name;
    EXPECT_EQ(n->Reserved, v.reserved) << v.name;
    EXPECT_EQ(n->Number, -1) << v.name;
  }
  // Folders end in "/", and none is the root of the system.
  for (const char* f : {"TEMPのパス", "デスクトップのパス", "ゴミ箱のパス", "WINDOWSのパス", "SYSTEMのパス"}) {
    std::string v = base.Words.ValueOf(sj(f), false);
    EXPECT_NE(v, "/") << f;
    if (!v.empty()) {
      EXPECT_EQ(v.back(), '/') << f;
    }
  }
  EXPECT_FALSE(base.Words.ValueOf(sj("TEMPのパス"), false).empty());
}

TEST_F(Registry, MainWindowObjectAndPropertyNames) {
  kobu::THashNode* mother = base.Words.Find(sj("母艦"), false);
  ASSERT_NE(mother, nullptr);
  EXPECT_EQ(mother->Kind, kobu::wkObject);
  EXPECT_EQ(mother->Number, 0);
  EXPECT_EQ(mother->TypeMark, sj("メインフォーム"));
  EXPECT_TRUE(mother->Reserved);
  ASSERT_NE(base.Objects.At(0), nullptr);
  EXPECT_EQ(base.Objects.At(0)->Name, sj("母艦"));
  EXPECT_EQ(base.So->Number, -1);
  ASSERT_EQ(base.PropertyNames.size(), 57u);
  EXPECT_EQ(base.PropertyNames[16], sj("クリック時"));  // クリックした時, stripped
  EXPECT_EQ(base.PropertyNames[0], "X");
}

}  // namespace
