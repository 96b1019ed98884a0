// Bad input tried on purpose: texts the fuzz targets found or that sit at a
// limit. Each must end in the runtime's own answer, lose nothing it keeps,
// and stay within time and stack.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "commands/regex.h"
#include "commands/registry.h"
#include "commands/wildcard.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/runcontrol.h"
#include "core/tabletext.h"
#include "platform/cp932.h"
#include "tests/unit/command_runner.h"

using kobu::sj;

namespace {

// A literal with its zero bytes.
template <size_t N>
std::string Raw(const char (&bytes)[N]) {
  return std::string(bytes, N - 1);
}

kobu::TTableRows WithoutTrailingEmptyCells(kobu::TTableRows rows) {
  for (auto& r : rows)
    while (!r.empty() && r.back().empty()) r.pop_back();
  return rows;
}

// A cell ending in a lone lead byte would take the comma, the closing quote
// or the line end after it for its second byte.
TEST(BadInputTableText, WhatIsWrittenIsReadBack) {
  const kobu::TTableRows rows = {
      {"1\xF6", "x"},
      {"a,\x82", "\x82"},
      {"x\"", "\"\x82", "y"},
  };
  const std::string text = kobu::WriteTableText(rows);
  EXPECT_EQ(WithoutTrailingEmptyCells(kobu::ReadTableText(text)), WithoutTrailingEmptyCells(rows)) << text;

  // Texts whose table changed on the way through the writer.
  const std::string found[] = {
      Raw("1\xF6\r\n1,2,3\r\n\r\n\"ID\",ID\"\r"),
      Raw("\x0B\0\"\0\0\0\0\0\0\0\0CC\xF6\",\xFFx@\n:"),
  };
  for (const auto& f : found) {
    const kobu::TTableRows first = kobu::ReadTableText(f);
    EXPECT_EQ(WithoutTrailingEmptyCells(kobu::ReadTableText(kobu::WriteTableText(first))),
              WithoutTrailingEmptyCells(first));
  }
}

// A CSV whose quote never closes is one cell holding the rest of the text.
TEST(BadInputTableText, UnclosedQuoteOverAMillionLines) {
  std::string text = "\"";
  for (int i = 0; i < 1000000; ++i) text += "a,b\r\n";
  const kobu::TTableRows rows = kobu::ReadTableText(text);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), 1u);
  EXPECT_EQ(rows[0][0].size(), text.size() - 3);  // without the quote and the final line end
}

// Groups used to turn off the memory of failed starts: every star then ran
// the rest of the pattern twice over, and a long run of stars never ended.
// A star looks ahead one level deeper on the stack, so a pattern of very
// many stars is refused with the matcher's message instead of a crash.
TEST(BadInputWildcard, StarsWithGroupsStayPolynomialAndDeepPatternsAreRefused) {
  EXPECT_FALSE(kobu::WildcardMatch("", std::string(40, '*') + ")x"));
  EXPECT_FALSE(kobu::WildcardMatch(std::string(500, '*'), std::string(130, '*') + "\x02"));
  std::string pattern = "(";
  for (int i = 0; i < 30; ++i) pattern += "*a";
  EXPECT_FALSE(kobu::WildcardMatch(std::string(60, 'a'), pattern + "b)"));
  EXPECT_TRUE(kobu::WildcardMatch(std::string(60, 'a') + "b", pattern + "b)"));

  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "*?";
  try {
    kobu::WildcardMatch(std::string(5000, 'a'), deep);
    ADD_FAILURE() << "a pattern of 100 000 stars was matched";
  } catch (const kobu::EWildcard& e) {
    EXPECT_EQ(kobu::Cp932ToUtf8(e.what()), "ワイルドカードが複雑すぎて照合できません。");
  }
}

// Each attempt of a search is bounded by the engine, but a search over a
// long text makes one at every position; the whole search has a bound too.
TEST(BadInputRegex, BacktrackingOverALongTextEndsAsAnError) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += std::string(28, 'a') + "c";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(kobu::RegexMatch("(a|aa)+$", text), kobu::ERegex);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

class BadInputFiles : public kobutest::TCommandFixture {
 protected:
  void SetUp() override {
    TCommandFixture::SetUp();
    base.SecurityLevel = 0;
    char tmpl[] = "/tmp/kobu-badinput-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir + "/ro", std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir, ec);
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string dir;
};

// A write that cannot happen leaves the file that was there as it was.
TEST_F(BadInputFiles, FailedWritesKeepTheOldFile) {
  const std::string old = dir + "/old.txt";
  std::ofstream(old, std::ios::binary) << "keep";
  // A folder that is a regular file stops any user, root too.
  std::string error = ErrorOf("書く", {"new", old + "/sub.txt"});
  EXPECT_TRUE(Mentions(error, "の、読み込みか書き込みに、失敗しました。")) << kobu::Cp932ToUtf8(error);
  EXPECT_EQ(Bytes(old), "keep");

  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string ro = dir + "/ro";
  std::filesystem::create_directory(ro);
  std::ofstream(ro + "/a.txt", std::ios::binary) << "keep";
  chmod(ro.c_str(), 0500);
  error = ErrorOf("書く", {"new", ro + "/a.txt"});
  EXPECT_TRUE(Mentions(error, "の、読み込みか書き込みに、失敗しました。")) << kobu::Cp932ToUtf8(error);
  EXPECT_EQ(Bytes(ro + "/a.txt"), "keep");
}

// A file of 100 MB is read whole, byte for byte, a lone lead byte at its end included.
TEST_F(BadInputFiles, HundredMegabytesAreReadWhole) {
  const std::string path = dir + "/big.bin";
  std::string data(size_t(100) << 20, 'x');
  data.back() = '\x82';
  std::ofstream(path, std::ios::binary) << data;
  base.Words.Add(std::make_unique<kobu::THashNode>("A", "", 0, false));
  base.Words.Add(std::make_unique<kobu::THashNode>("P", path, 0, false));
  kobutest::RunCommandWord(base, "読む", {"A", "P"});
  const kobu::THashNode* a = base.Words.Find("A", false);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Value.size(), data.size());
  EXPECT_TRUE(a->Value == data);
}

}  // namespace


// A loop with nothing in its body goes round without running a statement;
// a stop request must end it all the same (it would take minutes otherwise).
TEST(BadInputRun, EmptyLoopBodiesStillStop) {
  for (const char* program : {"2000000000回\n", "もし1=1ならば\n(\n  2000000000回\n)\n"}) {
    kobu::TKobuBase base;
    kobutest::LoadProgram(base, program);
    std::thread stopper([&base] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      base.StopRequested = true;
    });
    auto start = std::chrono::steady_clock::now();
    kobu::RunLoop(base);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << program;
  }
}

// A loop command met where no program text is being read (inside an
// expression evaluated after the run) has an empty block instead of a crash.
TEST(BadInputRun, LoopCommandWithoutProgramText) {
  kobu::TKobuBase base;
  kobutest::LoadProgram(base, "M=「a」\n");
  kobu::RunLoop(base);
  base.CurrentPosition = nullptr;
  std::string text = sj("(Mを反復)");
  const char* p = text.c_str();
  try {
    kobu::EvaluateExpression(base, p);
  } catch (const std::exception&) {
    // an error is an answer too; only a crash is not
  }
  SUCCEED();
}

// A command that ends the run (待機, 終わる) may run in the middle of a
// statement that is still being read: the statement ends with the run.
TEST(BadInputRun, RunEndedInsideAStatement) {
  const char* programs[] = {
      "待機()\n「y」と言う\n",       "「a」&待機と言う\n",        "待機&「x」と言う\n",
      "終わる()\n",                 "「{待機}」と言う\n「y」と言う\n", "「x」&「{待機}」と言う\n",
      "Aの「{待機}」\n",             "X=待機()&1\n",
  };
  for (const char* program : programs) {
    kobu::TKobuBase base;
    kobutest::LoadProgram(base, program);
    kobu::RunLoop(base);
    EXPECT_EQ(base.CurrentPosition, nullptr) << program;
    EXPECT_EQ(base.ErrorLog, "") << program;
  }
}
