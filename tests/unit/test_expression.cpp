// The expression evaluator, TextToNumber and FormatNumber.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>

#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "platform/cp932.h"

using kobu::sj;

namespace {

struct TExprCase {
  const char* expr;  // UTF-8; converted to CP932 before evaluation
  const char* result;
  const char* mark;
};

class ExpressionTest : public ::testing::Test {
 public:
  std::string Eval(const char* utf8) { return kobu::EvaluateExpressionText(base, sj(utf8)); }

  // The message a failing expression must raise: the wrapping around `inner`.
  std::string Wrapped(const std::string& inner, const std::string& exprSj) {
    return kobu::FormatScriptError(base, sj("計算式に誤りがあります。") + inner + exprSj);
  }
  std::string ScriptMessage(const char* utf8) { return kobu::FormatScriptError(base, sj(utf8)); }

  std::string ErrorOf(const char* utf8) {
    try {
      Eval(utf8);
    } catch (const kobu::EKobu& e) {
      return e.Message();
    }
    ADD_FAILURE() << "no error for " << utf8;
    return std::string();
  }

  void CheckTable(const TExprCase* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      base.LastTypeMark = "?";
      EXPECT_EQ(Eval(cases[i].expr), sj(cases[i].result)) << cases[i].expr;
      EXPECT_EQ(base.LastTypeMark, cases[i].mark) << cases[i].expr;
    }
  }

  kobu::TKobuBase base;
};

const TExprCase kArithmetic[] = {
    {"1+2*3", "7", "e"},
    {"(1+2)*3", "9", "e"},
    {"2^3^2", "64", "e"},
    {"2*3^2", "36", "e"},  // "^" binds like "*", left to right
    {"1-2-3", "-4", "e"},
    {"8/2/2", "2", "e"},
    {"7%3", "1", "e"},
    {"-7%3", "-1", "e"},
    {"7%-3", "1", "e"},
    {"7.9%3", "1", "e"},
    {"-7.9%-3", "-1", "e"},
    {"1/0", "0", "e"},
    {"5%0", "0", "e"},
    {"5%0.5", "0", "e"},  // the divisor truncates to 0
    {"5^0", "1", "e"},
    {"0^0", "1", "e"},
    {"0^2", "0", "e"},
    {"(-2)^3", "-8", "e"},
    {"4^0.5", "2", "e"},
    {"2^-2", "0.25", "e"},
    {"0.1+0.2", "0.3", "e"},
    {"1/3", "0.333333333333333", "e"},
    {"2/3", "0.666666666666667", "e"},
    {"10^15", "1E15", "e"},
    {"(10^15)*10", "1E16", "e"},  // a group keeps the value it computed
    {"(10^-5)*3", "3E-5", "e"},
    {"(2/3)*3", "2", "e"},
    {"10^14", "100000000000000", "e"},
    {"999999999999999+1", "1E15", "e"},
    {"10^-4", "0.0001", "e"},
    {"10^-5", "1E-5", "e"},
    {"1.5/10000000", "1.5E-7", "e"},
    {"-3+5", "2", "e"},
    {"3*-2", "-6", "e"},
    {"+5", "5", "e"},
    {"-(2+3)", "-5", "e"},
    {"((2))*(3)", "6", "e"},
    {"0*-1", "0", "e"},
    {"-0", "0", "e"},
    {"007", "7", "e"},
    {"$10+1", "17", "e"},
    {"1.0e3000*1.0e-2999", "10", "e"},  // extended range, not double
};

const TExprCase kOperands[] = {
    {"\"abc\"+1", "1", "e"},
    {"\"１２\"+1", "13", "e"},
    {"\"1,000\"*2", "2000", "e"},
    {"\"$10\"+0", "16", "e"},
    {"\"12円\"*2", "24", "e"},
    {"-\"abc\"", "0", "e"},
    {"\"1.5e3\"+0", "1500", "e"},
    {"\"1e3\"+0", "1", "e"},
};

const TExprCase kComparisons[] = {
    {"\"10\" < 9", "0", "e"},   // right side a number: values
    {"10 < \"9\"", "1", "e"},   // right side a string: texts
    {"\"9\" < 10", "1", "e"},
    {"\"abc\" = 0", "1", "e"},
    {"1+1 = \"2\"", "1", "e"},
    {"1.50 = \"1.5\"", "0", "e"},  // a number term keeps its own text
    {"1.50+0 = \"1.5\"", "1", "e"},
    {"\"ab\" < \"abc\"", "1", "e"},
    {"\"b\" > \"abc\"", "1", "e"},
    {"\"あ\" > \"z\"", "1", "e"},  // bytes compare unsigned
    {"1<2", "1", "e"},
    {"2<=2", "1", "e"},
    {"2=<1", "0", "e"},
    {"3>=4", "0", "e"},
    {"3=>3", "1", "e"},
    {"1<>2", "1", "e"},
    {"1><1", "0", "e"},
    {"1==1", "1", "e"},
    {"1=2", "0", "e"},
    {"1<2<3", "1", "e"},
    {"3>2>1", "0", "e"},  // (3>2) is 1, and 1>1 is 0
    {"1=-1", "0", "e"},
    {"-1 && 1", "0", "e"},
    {"0 || 2", "1", "e"},
    {"1 && 2", "1", "e"},
    {"0 || -1", "0", "e"},
    {"1<2 && 2<3", "1", "e"},
};

const TExprCase kConcatenation[] = {
    {"\"a\"&\"b\"", "ab", "s"},
    {"1&2", "12", "s"},
    {"1&2*3", "16", "s"},
    {"1+2&3", "33", "s"},
    {"(1&2)+1", "13", "e"},
    {"0.1+0.2&\"x\"", "0.3x", "s"},
    {"\"x{2*3}y\" & (1+1)", "x6y2", "s"},  // a literal evaluates inside the expression
};

const TExprCase kTolerated[] = {
    {"1+", "1", "e"},
    {"1*", "0", "e"},
    {"", "", "s"},
    {"   ", "", "s"},
    {"\"abc\"", "abc", "s"},
    {"1 2", "1", "e"},
    {"1,2", "1", "e"},  // a comma is a blank
};

}  // namespace

#define EXPR_TABLE(table) CheckTable(table, std::size(table))

TEST_F(ExpressionTest, ExprArithmetic) { EXPR_TABLE(kArithmetic); }
TEST_F(ExpressionTest, ExprStringOperandsConvertTolerantly) { EXPR_TABLE(kOperands); }
TEST_F(ExpressionTest, ExprComparisonsAndLogic) { EXPR_TABLE(kComparisons); }
TEST_F(ExpressionTest, ExprConcatenation) { EXPR_TABLE(kConcatenation); }
TEST_F(ExpressionTest, ExprMissingOperandsAndTrailingTerms) { EXPR_TABLE(kTolerated); }

TEST_F(ExpressionTest, ExprBlanksIncludeTheIdeographicComma) {
  EXPECT_EQ(kobu::EvaluateExpressionText(base, "\t1 ,+\xA4 2\xA4"), "3");
}

TEST_F(ExpressionTest, ExprVariables) {
  base.Words.AddVariable(sj("値"), "5", "e", false);
  base.Words.AddVariable("S", "abc", "s", false);
  base.Words.AddVariable("T", "12", "s", false);
  EXPECT_EQ(Eval("値*2+1"), "11");
  EXPECT_EQ(Eval("-値"), "-5");
  EXPECT_EQ(Eval("S&値"), "abc5");
  EXPECT_EQ(base.LastTypeMark, "s");
  // A variable marked as text compares as text when it stands on the right.
  EXPECT_EQ(Eval("9 < T"), "0");
  EXPECT_EQ(Eval("T > 9"), "1");
  EXPECT_EQ(Eval("(値+(値*2))/3"), "5");
}

TEST_F(ExpressionTest, ExprCursorStopsAfterTheLookAhead) {
  std::string text = "1+2 3 4";
  const char* p = text.c_str();
  EXPECT_EQ(kobu::EvaluateExpression(base, p), "3");
  EXPECT_STREQ(p, " 4");
}

TEST_F(ExpressionTest, ExprScriptErrorsAreWrapped) {
  struct {
    const char* expr;
    const char* inner;
  } cases[] = {
      {"1 << 2", "計算結果が不正"},
      {"1 &| 2", "計算結果が不正"},
      {"1|2", "計算結果が不正"},
      {"1+*2", "演算子「*」の位置が不正。"},
      {"*2", "演算子「*」の位置が不正。"},
      {"+A", "演算子「+」の位置が不正。"},
      {"1 + <= 2", "演算子「<=」の位置が不正。"},
      {"(1+2", "\")\"が対応していません。"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf(c.expr), Wrapped(ScriptMessage(c.inner), sj(c.expr))) << c.expr;
}

TEST_F(ExpressionTest, ExprArithmeticFailuresAreWrapped) {
  const std::string overflow = sj("浮動小数点数のオーバーフロー");
  const std::string invalid = sj("不正な浮動小数点数演算命令");
  struct {
    const char* expr;
    const std::string& inner;
  } cases[] = {
      {"1.0e3000*1.0e3000", overflow},
      {"1.0e4932+1.0e4932", overflow},
      {"-1.0e4932-1.0e4932", overflow},
      {"10^5000", overflow},
      {"\"1.0e5000\"+0", overflow},
      {"(-8)^(1/3)", invalid},
      {"\"1.0e20\"%3", invalid},
      {"5%\"1.0e19\"", invalid},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.expr), Wrapped(c.inner, sj(c.expr))) << c.expr;
  // No real value at all is a failure too, whatever its wording.
  EXPECT_NE(ErrorOf("0^-1").find(sj("計算式に誤りがあります。")), std::string::npos);
}

TEST_F(ExpressionTest, ExprNestedFailureIsWrappedAtEachLevel) {
  std::string inner = Wrapped(ScriptMessage("計算結果が不正"), "1<<2");
  EXPECT_EQ(ErrorOf("(1<<2)+1"), Wrapped(inner, "(1<<2)+1"));
}

TEST_F(ExpressionTest, ExprWrappingQuotesTheTextToItsEnd) {
  std::string text = "  1 << 2; rest";
  const char* p = text.c_str() + 2;
  try {
    kobu::EvaluateExpression(base, p);
    ADD_FAILURE() << "no error";
  } catch (const kobu::EKobu& e) {
    EXPECT_EQ(e.Message(), Wrapped(ScriptMessage("計算結果が不正"), "1 << 2; rest"));
  }
  // Every script error is logged once as raised.
  EXPECT_NE(base.ErrorLog.find(Wrapped(ScriptMessage("計算結果が不正"), "1 << 2; rest") + "\r\n"),
            std::string::npos);
}

TEST(TextToNumber, Conversions) {
  struct {
    const char* text;  // UTF-8
    long double value;
  } cases[] = {
      {"", 0},
      {"   ", 0},
      {"123", 123},
      {" \t-7\r\n", -7},
      {"+5", 5},
      {"１２３", 123},
      {"－１２．５", -12.5L},
      {"　１２　", 12},
      {"１，０００", 1000},
      {"＄ＦＦ", 255},
      {"1,234", 1234},
      {"1,234円", 1234},
      {", 12", 12},
      {"12円", 12},
      {"abc", 0},
      {"-", 0},
      {"--5", 0},
      {"- 5", 0},
      {"$FF", 255},
      {"$ff", 255},
      {" $FF ", 255},
      {"$FFFFFFFF", 4294967295.0L},
      {"$100000000", 0},
      {"$FFz", 0},
      {"$", 0},
      {"-$10", 0},
      {"1e3", 1},
      // Numbers as this runtime writes them read back as the same number.
      {"1E15", 1e15L},
      {"1E-5", 1e-5L},
      {"-1.5E-7", -1.5e-7L},
      {"1E+5", 1},
      {"1E", 1},
      {"1.5e3", 1500},
      {"1.5E-2", 0.015L},
      {"1.5e", 1.5L},
      {"1.5e+", 1.5L},
      {"2.5e2x", 250},
      {".5", 0.5L},
      {"-.5", -0.5L},
      {"5.", 5},
      {"1.2.3", 1.2L},
      {"0.1", 0.1L},
      {"-0", 0},
      {"1.5ウ3", 1.5L},  // ウ's second byte is "E"
      {"123456789012345678", 123456789012345678.0L},
      {"18446744073709551615", 18446744073709551615.0L},
      {"12345678901234567890123", 12345678901234567890123.0L},
      {"0.00000000000000000000000000000123", 1.23e-30L},
  };
  for (const auto& c : cases) EXPECT_EQ(kobu::TextToNumber(sj(c.text)), c.value) << c.text;
  EXPECT_FALSE(std::signbit(kobu::TextToNumber("-0")));
  EXPECT_TRUE(std::isinf(kobu::TextToNumber("1.0e5000")));
}

TEST(TextToNumber, OnlyTheFirst254BytesCount) {
  // Trimmed first, then cut: the fifth digit lies beyond the limit.
  std::string text = "  " + std::string(250, '0') + "12345";
  EXPECT_EQ(kobu::TextToNumber(text), 1234);
  std::string wide = std::string(300, ' ') + sj("１２３") + "45";
  EXPECT_EQ(kobu::TextToNumber(wide), 12345);
  std::string longWide;
  for (int i = 0; i < 130; ++i) longWide += sj("１");  // 260 bytes: 127 digits survive
  EXPECT_EQ(kobu::TextToNumber(longWide), kobu::TextToNumber(std::string(127, '1')));
}

TEST(FormatNumber, GeneralFormat) {
  struct {
    long double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0L, "0"},
      {1, "1"},
      {-1, "-1"},
      {0.1L + 0.2L, "0.3"},
      {1.0L / 3, "0.333333333333333"},
      {-2.0L / 3, "-0.666666666666667"},
      {1e15L, "1E15"},
      {1e14L, "100000000000000"},
      {999999999999999.0L, "999999999999999"},
      {999999999999999.95L, "1E15"},  // rounding moves the exponent
      {123456789012345.6L, "123456789012346"},
      {0.0001L, "0.0001"},
      {0.000099999999999999999L, "0.0001"},
      {0.00001L, "1E-5"},
      {1.5e-7L, "1.5E-7"},
      {-1.5e-7L, "-1.5E-7"},
      {1.5e20L, "1.5E20"},
      {1e300L * 1e300L, "1E600"},
      {12345678901234567890.0L, "1.23456789012346E19"},
      {123.456L, "123.456"},
      {0.00123L, "0.00123"},
      {1234567.8901234567L, "1234567.89012346"},
      {2.5L, "2.5"},
      {100, "100"},
      {-123456789012345.0L, "-123456789012345"},
  };
  for (const auto& c : cases) EXPECT_EQ(kobu::FormatNumber(c.value), c.text) << c.text;
}
