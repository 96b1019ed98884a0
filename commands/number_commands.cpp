#include "commands/number_commands.h"

#include "commands/args.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"

namespace kobu {

namespace {

// 計算: the text is an expression; a bad one gives the empty text, silently.
void CmdCalculate(TKobuBase& base) {
  std::string text = ArgText(base);
  std::string result;
  if (!text.empty()) {
    size_t logged = base.ErrorLog.size();
    try {
      result = EvaluateExpressionText(base, TConvToHalf::Instance().Convert(text));
    } catch (const std::exception&) {
      // A swallowed failure is no error: it leaves nothing in the log either.
      base.ErrorLog.resize(logged);
      result.clear();
    }
  }
  SetResult(base, std::move(result), "s");
}

const TCommandRow kRows[] = {
    {"足す", "?に,?を", "変数（値）に数値を足す", 213, nullptr},
    {"引く", "?から,?を", "変数（値）から数値を引く", 214, nullptr},
    {"掛ける", "?に,?を", "変数（値）に数値を掛ける", 216, nullptr},
    {"割る", "?を,?で", "変数（値）を数値で割る", 217, nullptr},
    {"計算", "?を", "文字列として、計算式を与えると、それに、答えを返す", 11, CmdCalculate},
    {"MOD", "?と,?の", "割り算の余りを返す", 343, nullptr},
    {"余り", "?と,?の", "割り算の余りを返す", 343, nullptr},
    {"AND", "?と,?の", "ビットごとの論理積を返す", 218, nullptr},
    {"OR", "?と,?の", "ビットごとの論理和を返す", 219, nullptr},
    {"XOR", "?と,?の", "ビットごとの排他的論理和を返す", 220, nullptr},
    {"NOT", "?の", "0なら1を、それ以外なら0を返す", 221, nullptr},
    {"SHR", "?を,?ビット", "整数を右へビットシフトする", 344, nullptr},
    {"SHL", "?を,?ビット", "整数を左へビットシフトする", 345, nullptr},
    {"右シフト", "?を,?ビット", "整数を右へビットシフトする", 344, nullptr},
    {"左シフト", "?を,?ビット", "整数を左へビットシフトする", 345, nullptr},
    {"乱数", "?の", "0からn未満の乱数を返す", 222, nullptr},
    {"RND", "", "0以上1未満の乱数を返す", 223, nullptr},
    {"乱数初期化", "?で", "乱数の種を設定する", 224, nullptr},
    {"整数", "?", "小数点以下を切り捨てた整数を返す", 225, nullptr},
    {"切り捨て", "?を,?位で", "指定した桁で切り捨てる", 230, nullptr},
    {"四捨五入", "?を,?位で", "指定した桁で丸める", 231, nullptr},
    {"ABS", "?", "絶対値を返す", 232, nullptr},
    {"CEIL", "?", "その数以上の最小の整数を返す", 233, nullptr},
    {"EXP", "?", "eのx乗を返す", 234, nullptr},
    {"FLOOR", "?", "その数以下の最大の整数を返す", 235, nullptr},
    {"FRAC", "?", "小数部分を返す", 236, nullptr},
    {"INT", "?", "小数点以下を切り捨てた整数を返す", 237, nullptr},
    {"LN", "?", "自然対数を返す", 238, nullptr},
    {"LOG", "?,?", "底を指定した対数を返す", 239, nullptr},
    {"LOG2", "?", "2を底とする対数を返す", 240, nullptr},
    {"LOG10", "?", "10を底とする対数を返す", 241, nullptr},
    {"POWER", "?,?", "累乗を返す", 242, nullptr},
    {"ROUND", "?", "最も近い整数に丸める", 243, nullptr},
    {"SQRT", "?", "平方根を返す", 244, nullptr},
    {"TRUNC", "?", "小数点以下を切り捨てた整数を返す", 245, nullptr},
    {"HEX", "?", "整数を16進数の文字列にする", 246, nullptr},
    {"サイン", "?", "サインを返す", 52, nullptr},
    {"コサイン", "?", "コサインを返す", 53, nullptr},
    {"タンジェント", "?", "タンジェントを返す", 54, nullptr},
    {"SIN", "?", "サインを返す", 52, nullptr},
    {"COS", "?", "コサインを返す", 53, nullptr},
    {"TAN", "?", "タンジェントを返す", 54, nullptr},
    {"ARCSIN", "?", "アークサインを返す", 247, nullptr},
    {"ARCCOS", "?", "アークコサインを返す", 248, nullptr},
    {"ARCTAN", "?", "アークタンジェントを返す", 249, nullptr},
    {"HYPOT", "?,?", "直角三角形の斜辺の長さを返す", 250, nullptr},
    {"サイクルからラジアン", "?を", "サイクルをラジアンに変換する", 251, nullptr},
    {"度からラジアン", "?を", "度をラジアンに変換する", 252, nullptr},
    {"グラードからラジアン", "?を", "グラードをラジアンに変換する", 253, nullptr},
    {"ラジアンからサイクル", "?を", "ラジアンをサイクルに変換する", 254, nullptr},
    {"ラジアンから度", "?を", "ラジアンを度に変換する", 255, nullptr},
    {"ラジアンからグラード", "?を", "ラジアンをグラードに変換する", 256, nullptr},
    {"配列合計値", "?の", "配列の合計値を返す", 226, nullptr},
    {"配列平均値", "?の", "配列の平均値を返す", 227, nullptr},
    {"配列分散値", "?の", "配列の分散値を返す", 228, nullptr},
    {"標準偏差値", "?の", "配列の標準偏差値を返す", 229, nullptr},
    {"配列最大値", "?の", "配列の最大値を返す", 257, nullptr},
    {"配列最小値", "?の", "配列の最小値を返す", 258, nullptr},
    {"SUM", "?", "配列の合計値を返す", 226, nullptr},
    {"AVERAGE", "?", "配列の平均値を返す", 227, nullptr},
    {"VAR", "?", "配列の分散値を返す", 228, nullptr},
    {"STDEV", "?", "配列の標準偏差値を返す", 229, nullptr},
};

}  // namespace

std::span<const TCommandRow> NumberCommandRows() { return kRows; }

}  // namespace kobu
