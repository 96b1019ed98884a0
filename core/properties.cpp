#include "core/properties.h"

#include "core/kbhash.h"
#include "platform/cp932.h"

namespace kobu {

namespace {
const char* const kPropertyNames[] = {
    "X", "Y", "幅", "高さ", "テキスト", "アイテム", "値", "画像", "拡大機能", "最大値", "最小値", "タイトル",
    "向き", "ボタン機能", "可視", "イベント", "クリックした時", "ダブルクリックした時", "マウス押した時",
    "マウス離した時", "キー押した時", "キー離した時", "変更した時", "編集", "透過処理", "背景色", "サイズ",
    "名前", "スクロールバー", "フォント書体", "フォントサイズ", "フォント色", "ファイルドロップ", "リサイズ",
    "ショートカットキー", "IME", "繰り返し回数", "効果音", "マウス動かした時", "追加画像", "選択文字列",
    "ハンドル", "有効", "選択位置", "選択文字数", "URL", "右側", "下側", "ファイルドロップした時", "スタイル",
    "W", "H", "位置", "列", "行", "ソート", "種類",
};
const char* const kKindNames[] = {
    "ボタン", "エディタ", "イメージ", "バー", "コンボ", "リスト", "メモ", "フォーム", "グリッド", "ラベル", "チェック",
    "トラック", "アニメ", "メニュー", "ブラウザ", "パネル", "Tエディタ", "ラジオ", "スクロール", "タブページ",
    "ツリー", "リッチエディタ",
};
static_assert(std::size(kKindNames) == okKindCount);
static_assert(std::size(kPropertyNames) == ppCount);
}  // namespace

std::string ObjectKindName(int kind) {
  return kind >= 0 && kind < okKindCount ? sj(kKindNames[kind]) : std::string();
}

int ObjectKindOf(const std::string& name) {
  for (int k = 0; k < okKindCount; ++k)
    if (sj(kKindNames[k]) == name) return k;
  return -1;
}

std::vector<std::string> NormalisedPropertyNames() {
  std::vector<std::string> names;
  names.reserve(std::size(kPropertyNames));
  for (const char* n : kPropertyNames) names.push_back(StripOkurigana(sj(n)));
  return names;
}

}  // namespace kobu
