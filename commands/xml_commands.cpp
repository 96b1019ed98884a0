#include "commands/xml_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"XMLテキストデータ取得", "?の,?を", "XML?のパス?にある要素のテキストを得る", 85, nullptr},
    {"XMLテキストデータ設定", "?の,?に,?を", "XML?のパス?にある要素のテキストを?にする", 86, nullptr},
    {"XML属性データ取得", "?の,?を", "XML?のパス?にある要素の属性を得る", 87, nullptr},
    {"XML属性データ設定", "?の,?に,?を", "XML?のパス?にある要素の属性を?にする", 88, nullptr},
    {"XML切り出し", "?から,?の", "XML?からパス?の要素を切り出す", 91, nullptr},
    {"XMLパス形式で取得", "?を", "XML?の末端の要素のパスを全て得る", 93, nullptr},
};

}  // namespace

std::span<const TCommandRow> XmlCommandRows() { return kRows; }

}  // namespace kobu
