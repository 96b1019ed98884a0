// Arrays, tables and dictionaries, driven through their commands on a
// registered word table.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "commands/array_text.h"
#include "commands/registry.h"
#include "tests/unit/command_runner.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/statement.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

const std::string kSo = "\x83\x5C";  // ソ: its trail byte is a backslash
const std::string kA = "\x83\x41";   // ア: its trail byte is 'A'

class ArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterBuiltins(base); }

  THashNode* Let(const std::string& name, const std::string& value) {
    base.Words.Add(std::make_unique<THashNode>(name, value, 0, false));
    return base.Words.Find(name, false);
  }
  THashNode* Word(const std::string& name) { return base.Words.Find(name, false); }
  // Runs a command with its arguments (raw words) in pattern order.
  void Run(const char* commandUtf8, std::vector<std::string> args) {
    kobutest::RunCommandWord(base, commandUtf8, std::move(args));
  }
  // The command's answer for one text argument held in the variable T.
  std::string On(const char* commandUtf8, const std::string& text) {
    Let("T", text);
    Run(commandUtf8, {"T"});
    return base.Sore->Value;
  }
  std::string ErrorOf(const char* commandUtf8, std::vector<std::string> args) {
    return kobutest::CommandError(base, commandUtf8, std::move(args));
  }
  bool Mentions(const std::string& message, const char* utf8) { return message.find(sj(utf8)) != std::string::npos; }

  TKobuBase base;
};

}  // namespace

TEST(ArrayText, ReadAndWrite) {
  const struct {
    std::string text;
    std::vector<std::string> elements;
  } cases[] = {
      {"", {}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"a\r\n\r\n", {"a", ""}},
      {std::string("a\r\nb\0c\r\n", 8), {"a", "b"}},  // a zero byte ends the text
      {kSo + "\r\n" + kA, {kSo, kA}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadArrayText(c.text), c.elements) << c.text;
  EXPECT_EQ(WriteArrayText({}), "");
  EXPECT_EQ(WriteArrayText({"x"}), "x\r\n");
  EXPECT_EQ(WriteArrayText({"", "y"}), "\r\ny\r\n");
}

TEST(ArrayText, SplitAtSeparator) {
  const struct {
    std::string text, separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"a,b,,c,", ",", {"a", "b", "", "c"}},
      {",", ",", {""}},
      {"", ",", {}},
      {"abc", ",", {"abc"}},
      {"a::b", "::", {"a", "b"}},
      {kSo + "\\x", "\\", {kSo, "x"}},  // the trail byte of ソ is no separator
      {kA + "A", "A", {kA}},
      {"a" + kSo, "", {"a", kSo}},  // empty separator: one piece per character
  };
  for (const auto& c : cases) EXPECT_EQ(SplitAtSeparator(c.text, c.separator), c.pieces) << c.text;
}

TEST_F(ArrayTest, SplitWritesTableText) {
  Let("T", "x y|\"q\"");
  Let("S", "|");
  Run("区切る", {"T", "S"});
  EXPECT_EQ(base.Sore->Value, "x y\r\n\"\"\"q\"\"\"\r\n");
  EXPECT_EQ(base.Sore->TypeMark, "s");
  Let("T", "a,b,,c,");
  Let("S", ",");
  Run("区切る", {"T", "S"});
  EXPECT_EQ(base.Sore->Value, "a\r\nb\r\n\r\nc\r\n");
}

TEST_F(ArrayTest, SortIgnoresCaseAndKeepsEqualOrder) {
  EXPECT_EQ(On("ソート", "C\r\nb\r\na\r\n"), "a\r\nb\r\nC\r\n");
  EXPECT_EQ(base.LastTypeMark, "s");
  // Equal under case folding: the original order stays.
  EXPECT_EQ(On("ソート", "b\r\nB\r\nA\r\na\r\n"), "A\r\na\r\nb\r\nB\r\n");
  // Full-width letters fold too; the trail byte 'A' of ア is no letter.
  EXPECT_EQ(On("ソート", sj("ｂ\r\nＡ\r\n")), sj("Ａ\r\nｂ\r\n"));
  EXPECT_EQ(FoldCase(kA + "A"), kA + "a");
  EXPECT_EQ(On("ソート", ""), "");
}

TEST_F(ArrayTest, NumericSortComparesTheNumbers) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"10\r\n9\r\n", "9\r\n10\r\n"},
      // Differences below 1 still order, and huge differences are no error.
      {"1.7\r\n1.2\r\n", "1.2\r\n1.7\r\n"},
      {"99999999999999999999\r\n-99999999999999999999\r\n5\r\n3000000000\r\n-3000000000\r\n",
       "-99999999999999999999\r\n-3000000000\r\n5\r\n3000000000\r\n99999999999999999999\r\n"},
      // Equal numbers keep their order; text counts as 0.
      {"01\r\nx\r\n1\r\n-1\r\n", "-1\r\nx\r\n01\r\n1\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(On("数値ソート", c.in), c.out) << c.in;
  // Many equal and mixed keys: the sort must stay well-behaved.
  std::string many;
  for (int i = 0; i < 2000; ++i) many += std::to_string((i * 7919) % 13) + (i % 2 ? ".5" : "") + "\r\n";
  std::vector<std::string> sorted = ReadArrayText(On("数値ソート", many));
  ASSERT_EQ(sorted.size(), 2000u);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                             [](const std::string& a, const std::string& b) { return std::stod(a) < std::stod(b); }));
}

TEST_F(ArrayTest, ReverseGoesThroughTableText) {
  EXPECT_EQ(On("逆にする", "a,b\r\nc\r\n"), "c,\r\na,b\r\n");
  EXPECT_EQ(On("逆にする", ""), "");
}

TEST_F(ArrayTest, ShuffleKeepsElementsAndMark) {
  base.Sore->TypeMark = "e";
  std::string text;
  for (int i = 0; i < 50; ++i) text += std::to_string(i) + "\r\n";
  std::vector<std::string> out = ReadArrayText(On("配列シャッフル", text)), in = ReadArrayText(text);
  std::sort(out.begin(), out.end());
  std::sort(in.begin(), in.end());
  EXPECT_EQ(out, in);
  EXPECT_EQ(base.Sore->TypeMark, "e");
  EXPECT_EQ(On("配列シャッフル", ""), "");
}

TEST_F(ArrayTest, InsertLine) {
  const struct {
    const char* index;
    const char* out;
  } cases[] = {
      {"0", "x\r\na\r\nb\r\n"}, {"1", "a\r\nx\r\nb\r\n"}, {"2", "a\r\nb\r\nx\r\n"},
      {"5", "a\r\nb\r\n\r\n\r\n\r\nx\r\n"},
  };
  Let("X", "x");
  for (const auto& c : cases) {
    Let("T", "a\r\nb\r\n");
    Run("行挿入", {"T", c.index, "X"});
    EXPECT_EQ(base.Sore->Value, c.out) << c.index;
  }
  base.Sore->Value = "kept";
  Run("行挿入", {"T", "-1", "X"});
  EXPECT_EQ(base.Sore->Value, "kept");
  // A far index is the script's error, not an exhausted machine.
  EXPECT_TRUE(Mentions(ErrorOf("行挿入", {"T", "2147483647", "X"}), "メモリが足りません。"));
  EXPECT_NE(ErrorOf("行挿入", {"T", "99999999999", "X"}), "");
  EXPECT_EQ(base.Sore->Value, "kept");
}

TEST_F(ArrayTest, DeleteLine) {
  Let("T", "a\r\nb\r\nc\r\n");
  Run("行削除", {"T", "1"});
  EXPECT_EQ(base.Sore->Value, "a\r\nc\r\n");
  for (const char* index : {"3", "-1"}) {
    base.Sore->Value = "kept";
    Run("行削除", {"T", index});
    EXPECT_EQ(base.Sore->Value, "kept") << index;
  }
}

TEST_F(ArrayTest, CountingRowsAndLines) {
  EXPECT_EQ(On("要素数", "a\r\nb\r\n"), "2");
  EXPECT_EQ(base.Sore->TypeMark, "e");
  EXPECT_EQ(On("要素数", ""), "0");
  // A quoted cell holding a line end: one row, two physical lines.
  EXPECT_EQ(On("要素数", "\"a\r\nb\",c\r\n"), "1");
  Run("行数", {"T"});
  EXPECT_EQ(base.Sore->Value, "2");
  Word(sj("表フィールド名"))->Value = "1";
  EXPECT_EQ(On("要素数", "a\r\nb\r\n"), "1");
  EXPECT_EQ(On("要素数", ""), "0");
  EXPECT_TRUE(Mentions(ErrorOf("行数", {sj("無い語")}), "変数\"無い語\"が見つかりません。"));
}

TEST_F(ArrayTest, TableTag) {
  Let("T", "a,b\r\nc\r\n");
  Let("A", "border=1");
  Run("テーブルタグで囲む", {"T", "A"});
  EXPECT_EQ(base.Sore->Value,
            "<TABLE border=1>\r\n<TR><TD>a</TD><TD>b</TD></TR>\r\n<TR><TD>c</TD><TD></TD></TR>\r\n</TABLE>");
}

TEST_F(ArrayTest, TreatAsDictionaryAndBack) {
  Let("D", "a=1\r\n b = 2");
  Run("辞書として扱う", {"D"});
  THashNode* d = Word("D");
  ASSERT_EQ(d->Kind, wkDictionary);
  ASSERT_TRUE(d->Dict);
  EXPECT_EQ(d->TypeMark, "hs");
  EXPECT_EQ(d->Dict->ValueOf("a", false), "1");
  EXPECT_EQ(d->Dict->ValueOf("b", false), " 2");
  Run("辞書として扱う", {"D"});  // already a dictionary: the entries stay
  EXPECT_EQ(d->Dict->Count(), 2);
  Run("文字列として扱う", {"D"});
  EXPECT_EQ(d->Kind, wkVariable);
  EXPECT_FALSE(d->Dict);
  EXPECT_EQ(d->Value, "a=1\r\nb= 2");
  EXPECT_EQ(d->TypeMark, "s");
}

TEST_F(ArrayTest, TreatAsNumberAndText) {
  Run("数値として扱う", {"N"});  // missing: made at the current level, value 0
  ASSERT_NE(Word("N"), nullptr);
  EXPECT_EQ(Word("N")->Value, "0");
  EXPECT_EQ(Word("N")->TypeMark, "e");
  Let("E", "");
  Run("数値として扱う", {"E"});
  EXPECT_EQ(Word("E")->Value, "0");
  Run("文字列として扱う", {"S"});
  EXPECT_EQ(Word("S")->Value, "");
  EXPECT_EQ(Word("S")->TypeMark, "s");
  EXPECT_TRUE(Mentions(ErrorOf("数値として扱う", {sj("回数")}), "オブジェクト\"回数\"は、既に存在するので、作成できません。"));
  base.Words.Add(std::make_unique<THashNode>("O", "", "", "", wkObject, 3, nullptr, false));
  EXPECT_TRUE(Mentions(ErrorOf("辞書として扱う", {"O"}), "\"O\"は、文法が正しくないため、実行できません。変更できません！"));
}

TEST_F(ArrayTest, ListKeys) {
  Let("V", "x=1\r\ny");
  Run("ハッシュキー列挙", {"V"});
  EXPECT_EQ(base.Sore->Value, "x\r\n\r\n");
  Let("D", "b=1\r\na=2\r\nab=3");
  Run("辞書として扱う", {"D"});
  Run("辞書項目列挙", {"D"});
  EXPECT_EQ(base.Sore->Value, "a\r\nb\r\nab\r\n");  // bucket order, not key or insertion order
  Let("E", "");
  Run("辞書として扱う", {"E"});
  Run("ハッシュキー列挙", {"E"});
  EXPECT_EQ(base.Sore->Value, "");
  EXPECT_TRUE(Mentions(ErrorOf("ハッシュキー列挙", {"Z"}), "オブジェクト\"Z\"は、作成されていません。"));
}

TEST_F(ArrayTest, ListVariablesByLevel) {
  Let("g", "");
  base.Words.Add(std::make_unique<THashNode>("deep", "", 2, false));
  auto lines = [&](const char* level) {
    Run("変数名列挙", {level});
    return ReadArrayText(base.Sore->Value);
  };
  auto has = [](const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  std::vector<std::string> own = lines("0"), all = lines("-1"), high = lines("1");
  EXPECT_TRUE(has(own, "g") && has(own, "deep"));
  EXPECT_FALSE(has(own, sj("表フィールド名")));
  EXPECT_TRUE(has(all, sj("表フィールド名")) && has(all, "g"));
  EXPECT_FALSE(has(all, sj("回数")));  // read-only: reserved, never listed
  EXPECT_EQ(high, std::vector<std::string>{"deep"});
  // Omitted level (the それ put in by binding) means 0.
  base.ArgumentStack.clear();
  DispatchCommand(base, base.Words.Find(sj("変数名列挙"), true));
  EXPECT_EQ(ReadArrayText(base.Sore->Value), own);
}

TEST_F(ArrayTest, CopyWordSharesDictionarySafely) {
  Let("D", "k=v");
  Run("辞書として扱う", {"D"});
  Run("単語コピー", {"D", "C"});
  THashNode* c = Word("C");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Kind, wkDictionary);
  base.Words.Delete("D", false);  // the copy keeps the table alive
  ASSERT_TRUE(c->Dict);
  EXPECT_EQ(c->Dict->ValueOf("k", false), "v");
  EXPECT_TRUE(Mentions(ErrorOf("単語コピー", {"D", "C"}), "オブジェクト\"D\"は、作成されていません。"));
  EXPECT_TRUE(Mentions(ErrorOf("単語コピー", {"C", sj("回数")}), "読取専用"));
}

TEST_F(ArrayTest, PutTakesValueAndMark) {
  base.Sore->Value = "42";
  base.Sore->TypeMark = "e";
  Run("入れる", {"P"});
  EXPECT_EQ(Word("P")->Value, "42");
  EXPECT_EQ(Word("P")->TypeMark, "e");
  base.Sore->Value = "a=1";
  base.Sore->TypeMark = "hs";
  Run("入れる", {"P"});
  ASSERT_EQ(Word("P")->Kind, wkDictionary);
  EXPECT_EQ(Word("P")->Dict->ValueOf("a", false), "1");
}

TEST_F(ArrayTest, RenameCommand) {
  THashNode* replace = base.Words.Find(sj("置換"), false);
  ASSERT_NE(replace, nullptr);
  Run("名義変更", {"`" + sj("置換") + "`", "`" + sj("?を,?で,?へ,入替") + "`"});
  EXPECT_EQ(base.Words.Find(sj("置換"), false), nullptr);
  EXPECT_EQ(base.Words.Find(sj("入替"), false), replace);  // the same word, so pointers to it stay good
  EXPECT_EQ(replace->Pattern, sj("?を,?で,?へ"));
  Let("T", "abc");
  Let("F", "b");
  Let("R", "X");
  Run("入替", {"T", "F", "R"});
  EXPECT_EQ(base.Sore->Value, "aXc");
  // The item count must fit the pattern: three slots need four items.
  for (const char* form : {"?を,入替2", "?を,?で,?へ,?に,入替2"})
    EXPECT_TRUE(Mentions(ErrorOf("名義変更", {"`" + sj("入替") + "`", "`" + sj(form) + "`"}),
                         "\"名義変更\"命令の引数に誤りがあります。"))
        << form;
  EXPECT_TRUE(Mentions(ErrorOf("名義変更", {sj("無い語"), "`x`"}), "オブジェクト\"無い語\"が特定できません。"));
}

TEST_F(ArrayTest, RenameRefusedKeepsTheWord) {
  THashNode* replace = base.Words.Find(sj("置換"), false);
  int count = base.Words.Count();
  EXPECT_TRUE(Mentions(ErrorOf("名義変更", {"`" + sj("置換") + "`", "`" + sj("?を,?で,?へ,言") + "`"}),
                       "予約語なので、登録できません。"));
  EXPECT_EQ(base.Words.Find(sj("置換"), false), replace);
  EXPECT_EQ(replace->Pattern, sj("?の,?を,?に"));
  EXPECT_EQ(base.Words.Count(), count);
}

TEST_F(ArrayTest, RenameOntoCachedWordsRedirectsThem) {
  // A variable takes the place of それ and of 表フィールド名: the
  // interpreter's own pointers must follow, not point at released words.
  THashNode* x = Let("X", "1");
  Run("名義変更", {"X", sj("`それ`")});
  EXPECT_EQ(base.Sore, x);
  EXPECT_EQ(base.Words.Find(sj("それ"), false), x);
  base.Sore->Value = "still usable";
  THashNode* y = Let("Y", "1");
  Run("名義変更", {"Y", sj("`表フィールド名`")});
  EXPECT_EQ(base.Settings[swTableFieldNames], y);
  EXPECT_EQ(On("要素数", "h\r\nr\r\n"), "1");
  // Renaming a cached word itself keeps the pointer on the same word.
  Run("名義変更", {sj("`それ`"), "`Z`"});
  EXPECT_EQ(base.Sore, x);
  EXPECT_EQ(x->Name, "Z");
}
