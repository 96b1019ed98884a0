#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

struct TCase {
  const char* in;
  const char* out;
};

void ExpectPreprocessed(const TCase* begin, const TCase* end) {
  for (const TCase* c = begin; c != end; ++c) {
    TKobuBase base;
    EXPECT_EQ(Preprocess(base, sj(c->in)), sj(c->out)) << "input: " << c->in;
  }
}

// The message of the error Preprocess raises for `in`, and the line it names.
std::string PreprocessError(const std::string& in, int* line = nullptr) {
  TKobuBase base;
  base.ScriptFileName = "/x/t.kbr";
  base.CurrentPosition = "dummy";
  try {
    Preprocess(base, in);
  } catch (const EKobu& e) {
    EXPECT_EQ(base.CurrentPosition, nullptr);
    EXPECT_EQ(base.ErrorLog, e.Message() + "\r\n");  // logged exactly once
    if (line) *line = base.CurrentLine;
    return e.Message();
  }
  ADD_FAILURE() << "no error for " << in;
  return "";
}

std::string Err(int line, const char* message) {
  return sj("[エラー] t.kbr(") + std::to_string(line) + sj("行目): ") + sj(message);
}

}  // namespace

TEST(Preprocess, QuotesAreNormalised) {
  const TCase cases[] = {
      {"「abc」", "\"abc\""},
      {"\"abc\"", "\"abc\""},
      {"”abc”", "\"abc\""},
      {"｢abc｣", "\"abc\""},
      {"『abc』", "`abc`"},
      {"‘abc‘", "`abc`"},
      {"`abc`", "`abc`"},
      // Each kind of string holds the other kind's marks as plain characters.
      {"『「\"』", "`「\"`"},
      {"「『`」", "\"『`\""},
      // A doubled backquote: an empty literal outside, one backquote inside.
      {"``a", "``a"},
      {"『』a", "``a"},
      {"`a``b`", "`a``b`"},
      {"『a『』b』", "`a``b`"},
  };
  ExpectPreprocessed(std::begin(cases), std::end(cases));
}

TEST(Preprocess, HalfWidthOutsideStringsOnly) {
  const TCase cases[] = {
      {"Ｘ＝１２＋３", "X=12+3"},
      {"「Ｘ＝１２＋３」", "\"Ｘ＝１２＋３\""},
      {"『Ｘ＝１２＋３』", "`Ｘ＝１２＋３`"},
      {"a。b、c", "a;b,c"},
      {"ａ≠ｂ×２÷３　ｚ", "a<>b*2/3 z"},
      {"「。、」。", "\"。、\";"},
      // Trail bytes 0x5C, 0x7B, 0x60 and 0x7C are no backslash, brace, backquote or bar.
      {"ソボチポ表", "ソボチポ表"},
      {"「ソ」ボ", "\"ソ\"ボ"},
  };
  ExpectPreprocessed(std::begin(cases), std::end(cases));
}

TEST(Preprocess, CommentsAndLineMarkers) {
  const TCase cases[] = {
      {"A\r\nB\r\nC\r\n", "A\r\n1:B\r\n2:C\r\n3:"},
      {"A\rB", "A\r\n1:B"},
      {"a'x\r\nb", "a\r\n1:b"},
      {"a’x「y\r\nb", "a\r\n1:b"},
      {"a※x\r\nb", "a\r\n1:b"},
      {"a//x「\r\nb", "a\r\n1:b"},
      {"a/b", "a/b"},
      {"a／b", "a/b"},
      {"a{x\r\ny「\r\nz}b\r\nc", "a\r\n1:\r\n2:b\r\n3:c"},
      {"a｛x｝b", "ab"},
      {"a{x{y}b", "ab"},
      {"a}b", "ab"},
      {"a'{\r\nb", "a\r\n1:b"},
      {"a{x'y}b\r\nc", "ab\r\n1:c"},
      // Comment starters inside strings are text.
      {"「a'b//c※d{e}」", "\"a'b//c※d{e}\""},
      {"`a'b{c}`", "`a'b{c}`"},
      // Line ends inside a string carry no marker but still count.
      {"「a\r\nb」\r\nc", "\"a\r\nb\"\r\n2:c"},
      {"『a\r\nb』\r\nc", "`a\r\nb`\r\n2:c"},
  };
  ExpectPreprocessed(std::begin(cases), std::end(cases));
}

TEST(Preprocess, BackslashEscapes) {
  const TCase cases[] = {
      {"\"a\\\"b\"", "\"a\\\"b\""},
      {"「a\\」b」", "\"a\\」b\""},
      {"「a￥」b」", "\"a\\」b\""},
      {"「a￥￥」", "\"a\\￥\""},
      {"a￥b", "a\\b"},
      {"『a￥b\\』", "`a￥b\\`"},
      {"{a\\}b", "b"},
      // An escape before a line end inside a string still counts the line.
      {"\"a\\\r\n\"\r\nb\r\n", "\"a\\\r\n\"\r\n2:b\r\n3:"},
  };
  ExpectPreprocessed(std::begin(cases), std::end(cases));
}

TEST(Preprocess, ZeroByteEndsText) {
  TKobuBase base;
  EXPECT_EQ(Preprocess(base, std::string("ab\0\"cd", 6)), "ab");
}

TEST(Preprocess, OpenConstructsAreReported) {
  const struct {
    const char* in;
    int line;
    const char* message;
  } cases[] = {
      {"a\r\n「abc」def」xyz\r\nq", 2, "「」または\"\"が対応していません。『xyz\r\nq』の近く"},
      {"x\r\n\r\n{abc", 3, "{ }が対応していません。『abc』の近く"},
      {"{a\r\n{b", 1, "{ }が対応していません。『a\r\n{b』の近く"},
      {"x\r\n『abc", 2, "『』または''''が対応していません。『abc』の近く"},
      {"『a『』b", 1, "『』または''''が対応していません。『b』の近く"},
      {"「abc\\", 1, "「」または\"\"が対応していません。『abc\\』の近く"},
      {"「", 1, "「」または\"\"が対応していません。『』の近く"},
      {"\"0123456789abcdefghijKLMN", 1,
       "「」または\"\"が対応していません。『0123456789abcdefghij』の近く"},
  };
  for (const auto& c : cases) {
    int line = 0;
    EXPECT_EQ(PreprocessError(sj(c.in), &line), Err(c.line, c.message)) << c.in;
    EXPECT_EQ(line, c.line) << c.in;
  }
}

TEST(Preprocess, LargeScriptWithOneOpenString) {
  std::string src;
  const std::string good = sj("「こんにちは」と表示。Ａ＝１＋２ ' comment\r\n");
  const std::string plain = sj("Ｂ＝３\r\n");
  while (src.size() < 500000) src += good;
  int before = 0;
  for (size_t i = 0; i < src.size(); ++i)
    if (src[i] == '\r') ++before;
  src += sj("「開いたまま\r\n");
  while (src.size() < 1000000) src += plain;

  int line = 0;
  std::string msg = PreprocessError(src, &line);
  EXPECT_EQ(line, before + 1);
  EXPECT_EQ(msg, Err(before + 1, "「」または\"\"が対応していません。『") +
                     src.substr(src.find(sj("開いたまま")), 20) + sj("』の近く"));
}

TEST(Preprocess, MarkersGiveSourceLines) {
  // Comments, strings and a brace comment spanning lines must not shift the count.
  TKobuBase base;
  std::string src = sj("a\r\n{x\r\ny\r\n}「s\r\nt」\r\n'c\r\n*L\r\nhere");
  std::string text = Preprocess(base, src);
  const char* p = text.c_str();
  // "here" is line 8; its own line has no line end, so ask for "*L" (7).
  size_t l = text.find("*L");
  ASSERT_NE(l, std::string::npos);
  EXPECT_EQ(FindLineNumberAt(base, p + l), 7);
  EXPECT_EQ(FindLineNumberAt(base, p), 1);
  EXPECT_NE(text.find("\r\n7:here"), std::string::npos);
}

TEST(LineNumbers, FindLineNumberAt) {
  TKobuBase base;
  const std::string text = "A\r\n1:B\r\n2:\"s\r\n4t\"\r\n4:C";
  const char* p = text.c_str();
  EXPECT_EQ(FindLineNumberAt(base, p), 1);
  EXPECT_EQ(FindLineNumberAt(base, p + text.find('B')), 2);
  // Inside a string the next line end carries no marker: the line stays.
  base.CurrentLine = 9;
  EXPECT_EQ(FindLineNumberAt(base, p + text.find('s')), 9);
  EXPECT_EQ(FindLineNumberAt(base, p + text.find('t')), 4);
  // No line end after the position: unchanged.
  base.CurrentLine = 5;
  EXPECT_EQ(FindLineNumberAt(base, p + text.find('C')), 5);
  EXPECT_EQ(FindLineNumberAt(base, nullptr), 5);
}

TEST(LineNumbers, FindLineNumberPrefersStatementPosition) {
  TKobuBase base;
  const std::string text = "A\r\n1:B\r\n2:C\r\n3:";
  const char* p = text.c_str();
  base.CurrentLine = 42;
  EXPECT_EQ(FindLineNumber(base), 42);
  base.CurrentPosition = p + text.find('C');
  EXPECT_EQ(FindLineNumber(base), 3);
  base.StatementPosition = p;
  EXPECT_EQ(FindLineNumber(base), 1);
}

TEST(LineNumbers, ReadLineMarker) {
  const struct {
    const char* text;
    int line;
    const char* rest;
  } cases[] = {
      {"\r\n12:abc", 12, "abc"},
      {" \t\r\n3:", 3, ""},
      {"\r\nx1:", -1, "x1:"},
      {"\r\n1x:y", -1, "y"},
      {"", -1, ""},
  };
  for (const auto& c : cases) {
    TKobuBase base;
    base.CurrentLine = 7;
    const char* cur = c.text;
    ReadLineMarker(base, cur);
    EXPECT_EQ(base.CurrentLine, c.line) << c.text;
    EXPECT_STREQ(cur, c.rest) << c.text;
  }
}

TEST(LineNumbers, SkipToLineEnd) {
  const std::string a = sj("abソ\r\nx");
  const char* cur = a.c_str();
  SkipToLineEnd(cur);
  EXPECT_EQ(cur, a.c_str() + a.find('\r'));
  const char* end = "abc";
  SkipToLineEnd(end);
  EXPECT_EQ(*end, '\0');
}

TEST(RegisterLabels, LabelWordsPointAfterTheirName) {
  TKobuBase base;
  const std::string text = sj("*開始\r\n1:表示\r\n2:  \t*二番目\r\n3:x:*三\r\n4:*最後");
  RegisterLabels(base, text.c_str(), "main.kbr");
  const char* names[] = {"開始", "二番目", "三", "最後"};
  for (const char* n : names) {
    THashNode* w = base.Words.Find(sj(n), false);
    ASSERT_NE(w, nullptr) << n;
    EXPECT_EQ(w->Kind, wkLabel);
    EXPECT_EQ(w->TypeMark, "main.kbr");
    EXPECT_EQ(w->Number, 0);
    EXPECT_TRUE(w->Reserved);
    ASSERT_NE(w->Data, nullptr);
    EXPECT_TRUE(*w->Data == '\r' || *w->Data == '\0') << n;
    EXPECT_EQ(std::string(w->Data - sj(n).size(), sj(n).size()), sj(n));
  }
  EXPECT_EQ(base.Words.Count(), 4);
}

TEST(RegisterLabels, NotLabels) {
  const char* texts[] = {
      "*a \r\n",           // trailing blank
      "x=2*3\r\n",         // multiplication
      "x *b\r\n",          // not first on its line
      "**c\r\n",           // doubled star
      "*\r\n",             // no name
      "\"*d\"\r\n",        // inside literals
      "`\r\n1:*e`\r\n",
      "\"a\\\"\r\n1:*f\r\n2:\"",  // an escaped quote does not end the literal
      "`a``\r\n1:*g\r\n2:`",     // a backquote literal over lines
      "\"open\r\n1:*h",    // an unterminated literal ends the scan
  };
  for (const char* t : texts) {
    TKobuBase base;
    RegisterLabels(base, t, "f");
    EXPECT_EQ(base.Words.Count(), 0) << t;
  }
  TKobuBase base;
  RegisterLabels(base, "`a``b`\r\n1:*ok\r\n", "f");
  EXPECT_NE(base.Words.Find("ok", false), nullptr);
}

TEST(RegisterLabels, NameAlreadyUsed) {
  const struct {
    const char* text;
    const char* name;
    int line;
  } cases[] = {
      {"x\r\n1:*表示\r\n2:", "表示", 2},   // a command's name
      {"*a\r\n1:y\r\n2:*a\r\n3:", "a", 3},  // a second label
  };
  for (const auto& c : cases) {
    TKobuBase base;
    base.ScriptFileName = "t.kbr";
    base.Words.AddCommand(sj("表示"), "?を", 5);
    const std::string text = sj(c.text);
    try {
      RegisterLabels(base, text.c_str(), "t.kbr");
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const EKobu& e) {
      EXPECT_EQ(e.Message(), Err(c.line, "ラベル\"") + sj(c.name) +
                                 sj("\"の定義に失敗しました。既に単語として使われています。"));
      EXPECT_EQ(*base.CurrentPosition, '\r');
    }
  }
}
