// Statements run from their ready form must do exactly what reading them
// anew does: every case runs twice, with and without the ready forms.
#include <gtest/gtest.h>

#include <string>

#include "core/kobubase.h"
#include "core/readers.h"
#include "core/runcontrol.h"
#include "core/statement_cache.h"
#include "platform/cp932.h"
#include "tests/unit/command_runner.h"

using kobu::sj;

namespace {

struct TOutcome {
  std::string words;  // name=value:mark of every variable asked for
  std::string errors;
};

TOutcome RunScript(const char* utf8, const char* names, bool ready) {
  kobu::TKobuBase base;
  base.StatementCache->SetEnabled(ready);
  kobutest::LoadProgram(base, utf8);
  kobu::RunLoop(base);
  TOutcome out;
  std::string list = sj(names);
  size_t i = 0;
  while (i < list.size()) {
    size_t comma = list.find(',', i);
    if (comma == std::string::npos) comma = list.size();
    std::string name = list.substr(i, comma - i);
    const kobu::THashNode* n = base.Words.Find(name, false);
    out.words += kobu::Cp932ToUtf8(name) + "=" +
                 (n ? kobu::Cp932ToUtf8(n->Value) + ":" + kobu::Cp932ToUtf8(n->TypeMark) : "(none)") + "\n";
    i = comma + 1;
  }
  out.errors = kobu::Cp932ToUtf8(base.ErrorLog);
  return out;
}

struct TCase {
  const char* script;
  const char* names;
};

const TCase kCases[] = {
    // The loop the ready forms exist for, with a counter read inside.
    {"A=0\n5回\n(\n  A=A+1\n  B=回数*2\n)\n", "A,B"},
    // Numbers as written, copies, precedence, division by zero. Every case
    // runs twice: the first pass makes the targets, the second finds them.
    {"2回\n(\n  A=007\n  B=A\n  C=A+1\n  D=1.50\n  E=D*2\n  F=D/0\n  G=7/2\n  H=2-5*3\n  I=H-1\n"
     "  J=10/4*2\n  K=B\n  L=2*3+4*5-6/3\n)\n",
     "A,B,C,D,E,F,G,H,I,J,K,L"},
    // Operands that are texts or numbers in other forms: the first one goes
    // into the expression as text, the others as values.
    {"2回\n(\n  A=「5」\n  B=A+1\n  C=「abc」\n  D=C+1\n  E=1+C\n  F=「 12」\n  G=F*2\n  H=2*F\n  I=$FF\n"
     "  J=I+1\n)\n",
     "A,B,C,D,E,F,G,H,I,J"},
    {"2回\n(\n  A=1E5\n  B=A+1\n  C=「1,000」\n  D=C+1\n  E=1+C\n  F=「-3」\n  G=F-1\n  H=「-0」\n  I=H+0\n)\n",
     "A,B,C,D,E,F,G,H,I"},
    // Several statements on a line; a copy keeps the source's mark.
    {"2回\n(\n  A=1;B=A+1;C=B*2\n  D=「x」;E=D\n  それ=C+1\n)\n", "A,B,C,D,E,それ"},
    // Words made while the loop runs; a target made on the way.
    {"A=1\nB=2\n3回\n(\n  C=A+B\n  A=C\n  X=回数\n  Y=X+1\n)\n", "A,B,C,X,Y"},
    // Two block bodies of the same length, one after the other.
    {"A=1\n2回\n  A=A+2\n2回\n  A=A*3\n3回\n  A=A-1\n", "A"},
    // A label run again and again, and a value that overflows on the way.
    {"A=2\nB=0\n12回\n  倍にする処理\n終わる\n*倍にする処理\nA=A*A*A\nB=B+1\n戻る\n", "A,B"},
    // One-word statements: at a line end, after ";", at the end of a block,
    // before a comma that continues the line, and words that cannot run.
    {"A=0\n3回\n  加える\nB=1;加える;加える\n2回\n(\n  加える,\n  加える\n)\n終わる\n*加える\nA=A+1\n戻る\n", "A,B"},
    {"A=1\n2回\n  A\n", "A"},
    {"2回\n  未定義の語\n", ""},
};

TEST(StatementCache, ReadyFormsDoWhatReadingDoes) {
  for (const TCase& c : kCases) {
    TOutcome plain = RunScript(c.script, c.names, false);
    TOutcome ready = RunScript(c.script, c.names, true);
    EXPECT_EQ(ready.words, plain.words) << c.script;
    EXPECT_EQ(ready.errors, plain.errors) << c.script;
  }
}

TEST(StatementCache, LoopGivesTheCount) {
  // Guards the comparison above against both sides being wrong alike.
  TOutcome ready = RunScript("A=0\n1000回\n  A=A+1\nB=A*2-1\n", "A,B", true);
  EXPECT_EQ(ready.words, "A=1000:e\nB=1999:e\n");
  EXPECT_EQ(ready.errors, "");
}

}  // namespace

namespace {

std::string FirstWord(kobu::TKobuBase& base, const char* utf8) {
  std::string text = sj(utf8);
  const char* p = text.c_str();
  return kobu::Cp932ToUtf8(kobu::ReadWord(base, p));
}

}  // namespace

// Where a word ends is remembered, but a word that comes or goes changes it.
TEST(WordEndCache, NewWordsChangeWhereWordsEnd) {
  kobu::TKobuBase base;
  kobu::RegisterBuiltins(base);
  EXPECT_EQ(FirstWord(base, "箱の中身"), "箱の");
  EXPECT_EQ(FirstWord(base, "箱の中身"), "箱の");  // read again, from what was remembered
  kobu::CreateVariable(base, sj("箱の中身"));
  EXPECT_EQ(FirstWord(base, "箱の中身"), "箱の中身");
  base.Words.Delete(sj("箱の中身"), false);
  EXPECT_EQ(FirstWord(base, "箱の中身"), "箱の");
}
