// The Shift-JIS text routines: whole-character stepping, so a trail byte
// (0x5C in ソ and 表, 'A' in ア) is never a match start, and nothing is read
// past the end of a text, even when it ends in a lone lead byte.
#include <gtest/gtest.h>

#include "core/statement.h"

#include <string>

#include "commands/args.h"
#include "commands/registry.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

const std::string kSo = "\x83\x5C";   // ソ
const std::string kHyo = "\x95\x5C";  // 表
const std::string kA = "\x83\x41";    // ア
const std::string kLead = "\x83";     // a lead byte without its trail byte

}  // namespace

TEST(SjisCharCount, Cases) {
  const struct {
    std::string text;
    size_t count;
  } cases[] = {
      {"", 0}, {"abc", 3}, {sj("日本a"), 3}, {kSo + "\\", 2}, {kHyo + kA + "A", 3}, {"a" + kLead, 2}, {kLead, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisCharCount(c.text), c.count) << c.text;
}

TEST(SjisCopy, Cases) {
  const std::string nihongo = sj("日本語");
  const struct {
    std::string text;
    long long start, count;
    std::string out;
  } cases[] = {
      {nihongo, 2, 1, sj("本")},
      {nihongo, 0, 2, sj("日")},
      {nihongo, -5, 7, sj("日")},
      {nihongo, 3, 99, sj("語")},
      {nihongo, 4, 1, ""},
      {nihongo, 1, 0, ""},
      {nihongo, 1, -1, ""},
      {nihongo, 2, 9223372036854775807LL, sj("本語")},
      {nihongo, 9223372036854775807LL, 9223372036854775807LL, ""},
      {kSo + "\\" + kSo, 2, 1, "\\"},
      {"a" + kLead, 2, 5, kLead},
      {"", 1, 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisCopy(c.text, c.start, c.count), c.out) << c.start << "," << c.count;
}

TEST(SjisFind, Cases) {
  const struct {
    std::string pattern, text;
    long long from;
    size_t pos;
  } cases[] = {
      {"\\", kSo + "\\", 1, 3},
      {"\\", kSo + kHyo, 1, 0},
      {"\\", kSo + "\\", 2, 3},  // a start inside a character moves to the next one
      {"A", kA + "A", 1, 3},
      {"A", kA, 1, 0},
      {"b", "abcb", 3, 4},
      {"b", "ab", 0, 2},
      {"b", "ab", -7, 2},
      {"a", "a", 2, 0},
      {"", "ab", 1, 0},
      {"a", "", 1, 0},
      {"abc", "ab", 1, 0},
      {"bcd", "abc", 1, 0},
      {kLead, "a" + kLead, 1, 2},
      {kSo, kA + kSo, 1, 3},
      {"a", "A", 1, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisFind(c.pattern, c.text, c.from), c.pos) << c.pattern << " in " << c.text;
}

TEST(SjisReplace, Cases) {
  const struct {
    std::string text, pattern, replacement;
    bool all;
    std::string out;
  } cases[] = {
      {"aaaa", "aa", "a", true, "aa"},
      {"aa", "a", "aa", true, "aaaa"},  // a replacement is never searched again
      {"abab", "ab", "x", false, "xab"},
      {"ab", "", "x", true, "ab"},
      {"", "a", "x", true, ""},
      {kSo + "\\" + kHyo, "\\", "x", true, kSo + "x" + kHyo},
      {kA + "A", "A", "b", true, kA + "b"},
      {"ab", "abc", "x", true, "ab"},
      {"a" + kLead, kLead, "x", true, "ax"},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisReplace(c.text, c.pattern, c.replacement, c.all), c.out) << c.text;
}

TEST(SjisReplaceNth, Cases) {
  const struct {
    std::string text, pattern, replacement;
    long long n;
    std::string out;
  } cases[] = {
      {"a,b,a,b", "a", "x", 2, "a,b,x,b"},
      {"a,b,a,b", "a", "x", 1, "x,b,a,b"},
      {"a,b,a,b", "a", "x", 0, "a,b,a,b"},
      {"a,b,a,b", "a", "x", -1, "a,b,a,b"},
      {"a,b,a,b", "a", "x", 3, "a,b,a,b"},
      {"aaa", "aa", "x", 2, "aaa"},  // matches do not overlap
      {"abc", "", "x", 1, "abc"},
      {kSo + "\\\\", "\\", "x", 2, kSo + "\\x"},
      {kA + "A", "A", "b", 1, kA + "b"},
      {"ab", "abc", "x", 1, "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisReplaceNth(c.text, c.pattern, c.replacement, c.n), c.out) << c.text;
}

TEST(SjisCharPos, Cases) {
  const struct {
    std::string pattern, text;
    size_t pos;
  } cases[] = {
      {sj("う"), sj("あいう"), 3}, {sj("い"), sj("い"), 1}, {sj("あい"), sj("あ"), 0}, {"\\", kSo + "\\", 2},
      {"A", kA + kA + "A", 3},     {"", "abc", 0},          {"c", "a" + kLead, 0},   {kLead, "a" + kLead, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisCharPos(c.pattern, c.text), c.pos) << c.pattern << " in " << c.text;
}

TEST(SjisCount, Cases) {
  const struct {
    std::string pattern, text;
    size_t count;
  } cases[] = {
      {"aa", "aaaa", 2}, {"aa", "aaa", 1}, {"", "aaa", 0}, {"\\", kSo + kHyo + "\\", 1}, {"A", kA + "AA", 2},
      {"abc", "ab", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisCount(c.pattern, c.text), c.count) << c.pattern << " in " << c.text;
}

TEST(CutToken, Cases) {
  const struct {
    std::string separator, text, head, rest;
  } cases[] = {
      {",", "x,y,z", "x", "y,z"},       {",", "z", "z", ""},
      {"", "ab", "ab", ""},             {"\\", kSo + "\\" + kSo, kSo, kSo},
      {"A", kA + "A" + kA, kA, kA},     {"long", "lo", "lo", ""},
      {",", ",", "", ""},
  };
  for (const auto& c : cases) {
    TCut cut = CutToken(c.separator, c.text);
    EXPECT_EQ(cut.head, c.head) << c.text;
    EXPECT_EQ(cut.rest, c.rest) << c.text;
  }
}

TEST(SjisTrim, Cases) {
  const struct {
    std::string in, out;
  } cases[] = {
      {sj("　 abc \t"), "abc"},
      {sj("　a　b　"), sj("a　b")},
      {sj("　　"), ""},
      {"", ""},
      {kSo + " ", kSo},
      {" \x81", "\x81"},  // a lone lead byte is no full-width space
      {"\x81\x40\x81", "\x81"},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisTrim(c.in), c.out) << c.in;
}

TEST(BinaryDump, Cases) {
  EXPECT_EQ(BinaryDump("abc"), "61,62,63,");
  EXPECT_EQ(BinaryDump(""), "");
  EXPECT_EQ(BinaryDump(std::string(16, '\xFF')), "FF,FF,FF,FF,FF,FF,FF,FF,FF,FF,FF,FF,FF,FF,FF,FF\r\n");
  EXPECT_EQ(BinaryDump(std::string(17, '\0')),
            "00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n00,");
}

TEST(StripTags, Cases) {
  const struct {
    std::string in, out;
  } cases[] = {
      {sj("<b>太字</b>です"), sj("太字です")},
      {" a>b ", "ab"},
      {"<a", ""},
      {kSo + "<" + kHyo + ">", kSo},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StripTags(c.in), c.out) << c.in;
}

TEST(TrimTextAndSplitLines, TrailBytes) {
  EXPECT_EQ(TrimText(kSo + " \r\n"), kSo);
  std::vector<std::string> lines = SplitLines(kSo + "\r\n" + kA + "\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], kSo);
  EXPECT_EQ(lines[1], kA);
}

namespace {

class Accessors : public ::testing::Test {
 protected:
  void SetUp() override { RegisterBuiltins(base); }
  void Push(const std::string& raw) { base.ArgumentStack.push_back(raw); }
  TKobuBase base;
};

TEST_F(Accessors, ArgIntegerTruncatesAndChecksRange) {
  const struct {
    const char* raw;
    int32_t value;
  } cases[] = {{"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"-3.9", -3}, {"2.9", 2}, {"0", 0}};
  for (const auto& c : cases) {
    Push(c.raw);
    EXPECT_EQ(ArgInteger(base), c.value) << c.raw;
  }
  for (const char* raw : {"2147483648", "-2147483649", "99999999999"}) {
    Push(raw);
    EXPECT_THROW(ArgInteger(base), EKobu) << raw;
  }
}

TEST_F(Accessors, ArgNumberAndOrder) {
  Push("1.5");
  Push("7");
  EXPECT_EQ(ArgNumber(base), 7.0L);  // the last argument comes first
  EXPECT_EQ(ArgNumber(base), 1.5L);
}

TEST_F(Accessors, ArgWordCreatesOnlyWhenAllowed) {
  Push(sj("無い語"));
  EXPECT_THROW(ArgWord(base, false), EKobu);
  EXPECT_EQ(base.Words.Find(sj("無い語"), false), nullptr);
  Push("`" + sj("新語") + "`");
  THashNode* made = ArgWord(base, true);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Name, sj("新語"));
  EXPECT_EQ(made->Kind, wkVariable);
  EXPECT_EQ(made->Value, "");
  EXPECT_EQ(made->Number, base.RunControl.Count());
  Push(sj("新語"));
  EXPECT_EQ(ArgWord(base, false), made);
}

}  // namespace

// Bare line ends keep their blank lines when wrapped; CR LF counts once.
TEST_F(Accessors, WrapKeepsBlankLinesOfBareLineEnds) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"a\n\nb", "a\r\n\r\nb"}, {"a\r\n\r\nb", "a\r\n\r\nb"}, {"a\r\rb", "a\r\n\r\nb"}, {"abcd", "abc\r\nd"}};
  for (const auto& c : cases) {
    base.Words.Add(std::make_unique<THashNode>("T", c.in, 0, false));
    base.ArgumentStack = {"T", "3"};
    base.PositionalMode = true;
    DispatchCommand(base, base.Words.Find(sj("行揃え"), true));
    base.PositionalMode = false;
    EXPECT_EQ(base.Sore->Value, c.out) << c.in;
  }
}
