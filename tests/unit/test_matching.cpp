// Wildcards and the regular-expression front end: whole Shift-JIS
// characters only (the trail byte 0x5C of ソ and 表 is never a backslash), no
// reading past the end of a text, and the m//, s///, tr/// and split forms.
#include <gtest/gtest.h>

#include <memory>

#include "commands/regex.h"
#include "commands/wildcard.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

const std::string kSo = "\x83\x5C";  // ソ
const std::string kLead = "\x83";    // a lead byte without its trail byte

std::string Prefix(const std::string& pattern, const std::string& text, bool* ok = nullptr) {
  TWString w(pattern);
  size_t end = 0;
  bool matched = w.MatchPrefix(text, end);
  if (ok) *ok = matched;
  return matched ? text.substr(0, std::min(end, text.size())) : "<none>";
}

}  // namespace

TEST(WildcardPrefix, StopsWhereThePatternEnds) {
  const struct {
    std::string pattern, text, matched;
  } cases[] = {
      {"(*)=", "key=value", "key="},
      {"a?", "a", "a"},                         // a final "?" steps past the end
      {"[=ab|a]c", "abc", "abc"},
      {"[=" + kLead + "]", kSo, "<none>"},      // an entry never ends inside a character
      {"*\\", kSo + "\\x", kSo + "\\"},         // the real backslash, not ソ's trail byte
      {"[+0-9]", "123abc", "123"},
      {"#", kSo, "<none>"},
      {sj("[*ぁ-ん]"), sj("ひらがなカナ"), sj("ひらがな")},
      {sj("[ぁ-ん]*"), sj("ひカナ"), sj("ひカナ")},
      {sj("[!ア]"), sj("イ"), sj("イ")},
      {"a\\nb", "a\r\nb", "a\r\nb"},
      {"[\\n]", "\r", "\r"},
      {"x", "", "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern + " ~ " + c.text);
    EXPECT_EQ(Prefix(c.pattern, c.text), c.matched);
  }
}

TEST(WildcardPrefix, AFinalQuestionMarkMayEndBeyondTheText) {
  TWString w("ab?");
  size_t end = 0;
  ASSERT_TRUE(w.MatchPrefix("ab", end));
  EXPECT_EQ(end, 3u);  // callers clamp; the whole-text match then fails
  EXPECT_FALSE(WildcardMatch("ab", "ab?"));
}

TEST(WildcardPrefix, CapturesOfNestedStars) {
  TWString w("(*),(*),(*)");
  size_t end = 0;
  ASSERT_TRUE(w.MatchPrefix("a,b,c", end));
  // The inner stars' look-ahead does not move the start of the group that
  // the re-run closes: the middle group is "b", not an empty text.
  EXPECT_EQ(w.Captures(), (std::vector<std::string>{"b", "c"}));
  TWString v("(?)(?)");
  ASSERT_TRUE(v.MatchPrefix("xy", end));
  EXPECT_EQ(v.Captures(), (std::vector<std::string>{"x", "y"}));
}

TEST(RegexMatch, FormsAndGroups) {
  const struct {
    std::string expr, text;
    std::vector<std::string> groups;  // empty: no match
  } cases[] = {
      {"(\\d+)-(\\d+)", "tel 03-1234", {"03-1234", "03", "1234"}},
      {"mail.*", "send mail.now", {"mail.now"}},     // "m" + letter is a bare pattern
      {"m.*", "am", {"m"}},                          // no closing "." : bare
      {"m/a/x", "a", {"a"}},                         // flag x
      {"m/A/q", "m/A/q", {"m/A/q"}},                 // not a flag: bare pattern
      {"a/b", "xa/by", {"a/b"}},                     // "/" in a bare pattern
      {"m!a/b!", "a/b", {"a/b"}},
      {"m/a\\/b/", "a/b", {"a/b"}},
      {"m{(b)}", "abc", {"b", "b"}},
      {"m/ABC/i", "abc", {"abc"}},
      {"(a)|(b)", "b", {"b", "", "b"}},
      {"\\\\", kSo, {}},                             // never the trail byte
      {"\\\\", kSo + "\\", {"\\"}},
      {".", sj("日本"), {sj("日")}},
      {sj("^表"), sj("表示"), {sj("表")}},
      {"b$", "ab\n", {"b"}},                         // Perl's $ before a final newline
      {"m/^b/m", "a\nb", {"b"}},
      {"m/a.b/s", "a\nb", {"a\nb"}},
      {"z", "abc", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr + " ~ " + c.text);
    TRegexMatch m = RegexMatch(c.expr, c.text);
    EXPECT_EQ(m.matched, !c.groups.empty());
    EXPECT_EQ(m.groups, c.groups);
  }
}

TEST(RegexMatch, ALoneLeadByteAtTheEndIsSafe) {
  // The buffer ends at the lead byte (no terminator behind it): under the
  // sanitizer build any read past the end fails this test.
  std::unique_ptr<char[]> buffer(new char[3]{'a', 'b', '\x83'});
  std::string_view text(buffer.get(), 3);
  EXPECT_TRUE(RegexMatch("b", text).matched);
  EXPECT_FALSE(RegexMatch("b..", text).matched);
  EXPECT_EQ(RegexSplit("", text, 1000), (std::vector<std::string>{"a", "b", kLead, ""}));
  EXPECT_EQ(RegexSubstitute("s/$/!/", text).text, std::string(text) + "!");
  EXPECT_EQ(RegexTransliterate("tr/a/b/", text), "bb" + kLead);
  EXPECT_EQ(Prefix("ab?", std::string(text)), std::string(text));
}

TEST(RegexSplit, PerlRulesWithALimit) {
  const struct {
    std::string expr, text;
    size_t limit;
    std::vector<std::string> parts;
  } cases[] = {
      {",", "a,b,,c,", 1000, {"a", "b", "", "c", ""}},
      {"", "abc", 1000, {"a", "b", "c", ""}},
      {"b*", "abc", 1000, {"a", "c", ""}},
      {"\\d", "1a2b3", 1000, {"", "a", "b", ""}},
      {"(,)", "a,b", 1000, {"a", ",", "b"}},
      {",", "a,b,c", 2, {"a", "b,c"}},
      {",", "", 1000, {}},
      {"", sj("日本"), 1000, {sj("日"), sj("本"), ""}},
      {"\\\\", kSo + "\\" + kSo, 1000, {kSo, kSo}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr + " ~ " + c.text);
    EXPECT_EQ(RegexSplit(c.expr, c.text, c.limit), c.parts);
  }
}

TEST(RegexSubstitute, ReplacementsAndEmptyMatches) {
  const struct {
    std::string expr, text, out;
    bool matched;
  } cases[] = {
      {"s/(\\w+)@(\\w+)/$2 at $1/", "me@host", "host at me", true},
      {"s/b*/-/g", "abc", "-a--c-", true},
      {"s/x*/-/g", sj("日本"), sj("-日-本-"), true},
      {"s/a/b/", "ccc", "ccc", false},
      {"s/(\\d+)/<\\1>/g", "a1b22", "a<1>b<22>", true},
      {"s/(\\w)(\\w)/${2}$1/g", "abcd", "badc", true},
      {"s/b/[$`|$&|$']/", "abc", "a[a|b|c]c", true},
      {"s/b/\\t\\$\\\\/", "abc", "a\t$\\c", true},
      {"s{a}{b}g", "banana", "bbnbnb", true},
      {"s{a} /b/", "a", "b", true},
      {"s/\\//_/g", "a/b", "a_b", true},
      {"s/\\\\/x/g", kSo + "\\", kSo + "x", true},
      {"s/A/x/gi", "aAa", "xxx", true},
      {"s/(a)|b/[$1]/g", "ab", "[a][]", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr + " ~ " + c.text);
    TRegexSubst s = RegexSubstitute(c.expr, c.text);
    EXPECT_EQ(s.text, c.out);
    EXPECT_EQ(s.matched, c.matched);
  }
  EXPECT_EQ(RegexSubstitute("s/(a)(b)/x/", "ab").groups, 2u);
}

TEST(RegexTransliterate, ListsAndFlags) {
  const struct {
    std::string expr, text, out;
  } cases[] = {
      {"tr/a-z/A-Z/", "hello, World", "HELLO, WORLD"},
      {"tr/a-c//d", "abcabcd", "d"},
      {"tr/a-zA-Z//cd", "a1b2c3", "abc"},
      {"tr/a-zA-Z/ /cs", "a12b,,c", "a b c"},
      {"tr/ab/x/", "aabbc", "xxxxc"},
      {"tr/a//s", "aaab", "ab"},
      {"y/0-9/a-j/", "2024", "cace"},
      {"tr/\\-\\//_/", "a-b/c", "a_b_c"},
      {sj("tr/あいう/アイウ/"), sj("あいうえお"), sj("アイウえお")},
      {sj("tr/ぁ-ん/ァ-ン/"), sj("ひらがな"), sj("ヒラガナ")},
      {"tr/\\\\/x/", kSo + "\\", kSo + "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr + " ~ " + c.text);
    EXPECT_EQ(RegexTransliterate(c.expr, c.text), c.out);
  }
  size_t count = 0;
  RegexTransliterate("tr/a-z//", "ab1c", &count);
  EXPECT_EQ(count, 3u);
}

TEST(Regex, BadExpressionsRaise) {
  for (const char* bad : {"(a", "a{2,1}", "[b-a]"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(RegexMatch(bad, "a"), ERegex);
  }
  EXPECT_THROW(RegexSubstitute("abc", "a"), ERegex);        // not an s-form
  EXPECT_THROW(RegexSubstitute("s/a/b", "a"), ERegex);      // not closed
  EXPECT_THROW(RegexSubstitute("s/a/b/q", "a"), ERegex);    // unknown flag
  EXPECT_THROW(RegexTransliterate("tr/z-a/x/", "a"), ERegex);
  EXPECT_THROW(RegexTransliterate("tr/a/", "a"), ERegex);
  // A failed compilation leaves nothing behind: the next use works.
  EXPECT_TRUE(RegexMatch("a", "a").matched);
  RegexClearCache();
  EXPECT_TRUE(RegexMatch("a", "a").matched);
}
