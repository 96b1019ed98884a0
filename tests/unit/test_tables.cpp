// The wildcard language and the date reader that the table commands use.
#include <gtest/gtest.h>

#include "commands/date_text.h"
#include "commands/wildcard.h"
#include "core/tabletext.h"
#include "platform/cp932.h"

using kobu::sj;

TEST(Wildcard, WholeTextMatches) {
  struct {
    const char* text;
    const char* pattern;
    bool match;
  } cases[] = {
      {"abc", "a*", true},         {"abc", "a?c", true},      {"abc", "[a-c]*", true},
      {"abc", "*c", true},         {"abc", "ab", false},      {"aba", "*a", false},
      {"ba", "*a", true},          {"2003年", "####年", true}, {"A3", "[!0-9]#", true},
      {"abcx", "[*a-c]x", true},   {"x", "[*a-c]x", true},    {"x", "[+a-c]x", false},
      {"ab", "[=ab|a]", true},     {"ソ", "*\\", false},      {"表示", "表?", true},
      {"a\tb", "a\\tb", true},     {"", "*", true},           {"", "?", false},
      {"猫です", "[=犬|猫]*", true}, {"[x]", "\\[x]", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " ~ " + c.pattern);
    EXPECT_EQ(kobu::WildcardMatch(sj(c.text), sj(c.pattern)), c.match);
  }
}

TEST(Wildcard, CapturesFollowTheLookAheadRule) {
  kobu::TWString w(sj("(*)=(*);"));
  size_t end = 0;
  std::string text = "key=value;rest";
  ASSERT_TRUE(w.MatchPrefix(text, end));
  EXPECT_EQ(text.substr(0, end), "key=value;");
  EXPECT_EQ(w.Captures(), std::vector<std::string>{"value"});  // the first group is reached too late
  kobu::TWString v("(*)=");
  ASSERT_TRUE(v.MatchPrefix(text, end));
  EXPECT_EQ(v.Captures(), std::vector<std::string>{"key"});
}

// Stars without groups after them never match the rest twice, so many stars
// stay cheap (each one used to double the work).
TEST(Wildcard, ManyStarsStayLinear) {
  std::string pattern, text(40, 'a');
  for (int i = 0; i < 40; ++i) pattern += "*a";
  EXPECT_TRUE(kobu::WildcardMatch(text, pattern));
  EXPECT_FALSE(kobu::WildcardMatch(text, pattern + "b"));
}

TEST(Wildcard, PatternErrors) {
  EXPECT_THROW(kobu::WildcardMatch("a", "[\\x]"), kobu::EWildcard);
  EXPECT_THROW(kobu::WildcardMatch("a", "[*a]*"), kobu::EWildcard);
}

TEST(DateText, SerialsAgreeWithTheCalendar) {
  struct {
    const char* text;
    bool ok;
    double serial;
  } cases[] = {
      {"1899/12/30", true, 0},          {"1900/3/1", true, 61},
      {"2000/02/29", true, 36585},      {"2024/01/05", true, 45296},
      {"2024-01-05 12:00", true, 45296.5}, {"2024/01/05 06:00:00", true, 45296.25},
      {"18:00", true, 0.75},            {"9999/12/31", true, 2958465},
      {"1868/01/25", true, -11662},     {"2023/02/29", false, 0},
      {"2024/13/01", false, 0},         {"24:00", false, 0},
      {"2024/01/05x", false, 0},        {"", false, 0},
      {"abc", false, 0},                {" 2024/01/05 ", true, 45296},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double s = -1;
    EXPECT_EQ(kobu::ParseDateTime(c.text, s), c.ok);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(s, c.serial);
    }
  }
}

// What the writer writes, the reader reads back cell for cell.
TEST(TableText, TrickyCellsRoundTrip) {
  kobu::TTableRows rows = {
      {"a", "b,c", "d\"e", "IDX", "id"},
      {"line\r\nbreak", "", "\"", "表,示", sj("ソ\"能")},
      {"x"},
      {"", "", "last"},
  };
  std::string text = kobu::WriteTableText(rows);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "a,\"b,c\",\"d\"\"e\",\"IDX\",id");
  kobu::TTableRows back = kobu::ReadTableText(text);
  ASSERT_EQ(back.size(), rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    rows[r].resize(5);  // the writer pads every row to the width
    back[r].resize(5);
    EXPECT_EQ(back[r], rows[r]) << "row " << r;
  }
  EXPECT_EQ(kobu::WriteTableText(back), text);
}
