// The dialog commands against a user that answers from a queue: what they
// ask, and what they leave in それ.
#include <gtest/gtest.h>

#include <deque>

#include "commands/registry.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/runcontrol.h"
#include "core/ui.h"
#include "platform/cp932.h"

using kobu::sj;

namespace {

class TQueueUI : public kobu::TKobuUI {
 public:
  std::deque<kobu::TDialogAnswer> answers;  // UTF-8 texts
  std::deque<kobu::TYesNo> yesNo;
  std::vector<std::string> said;  // UTF-8
  std::string lastPrompt, lastFilter, lastExtension, lastInitial;
  std::vector<std::string> lastItems;
  bool lastEditable = false;
  std::string errors;

  void ShowMessage(const std::string& t) override { said.push_back(kobu::Cp932ToUtf8(t)); }
  void QuickPrint(const std::string& t) override { said.push_back(kobu::Cp932ToUtf8(t)); }
  void MessageBox(const std::string&, const std::string&) override {}
  kobu::TErrorChoice ShowErrorDialog(const std::string& log, bool) override {
    errors = kobu::Cp932ToUtf8(log);
    return kobu::ecStop;
  }
  void CloseMainWindow() override {}
  kobu::TDialogAnswer Next() {
    kobu::TDialogAnswer a = answers.front();
    answers.pop_front();
    a.text = sj(a.text);
    return a;
  }
  kobu::TDialogAnswer AskText(const std::string& prompt, const std::string& initial, int) override {
    lastPrompt = kobu::Cp932ToUtf8(prompt);
    lastInitial = kobu::Cp932ToUtf8(initial);
    return Next();
  }
  kobu::TYesNo AskYesNo(const std::string& q, bool) override {
    lastPrompt = kobu::Cp932ToUtf8(q);
    kobu::TYesNo a = yesNo.front();
    yesNo.pop_front();
    return a;
  }
  kobu::TDialogAnswer ChooseFromList(const std::string& prompt, const std::vector<std::string>& items,
                                     const std::string&, bool editable, int) override {
    lastPrompt = kobu::Cp932ToUtf8(prompt);
    lastItems.clear();
    for (auto& i : items) lastItems.push_back(kobu::Cp932ToUtf8(i));
    lastEditable = editable;
    return Next();
  }
  kobu::TDialogAnswer ChooseButton(const std::string& prompt, const std::vector<std::string>& choices) override {
    lastPrompt = kobu::Cp932ToUtf8(prompt);
    lastItems.clear();
    for (auto& i : choices) lastItems.push_back(kobu::Cp932ToUtf8(i));
    return Next();
  }
  kobu::TDialogAnswer EditMemo(const std::string&, int) override { return Next(); }
  kobu::TDialogAnswer ChooseColour() override { return Next(); }
  kobu::TDialogAnswer ChooseFont() override { return Next(); }
  kobu::TDialogAnswer ChooseOpenFiles(const std::string& filter, const std::string&) override {
    lastFilter = kobu::Cp932ToUtf8(filter);
    return Next();
  }
  kobu::TDialogAnswer ChooseSaveFile(const std::string& filter, const std::string&, const std::string& ext) override {
    lastFilter = kobu::Cp932ToUtf8(filter);
    lastExtension = kobu::Cp932ToUtf8(ext);
    return Next();
  }
  kobu::TDialogAnswer ChooseFolder() override { return Next(); }
  std::string ClipboardText() override { return clipboard; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  std::string clipboard;
};

class DialogCommands : public ::testing::Test {
 protected:
  // Program texts end their lines with CR LF, as a loaded script does.
  static std::string Script(const char* utf8) {
    std::string out;
    for (const char* p = utf8; *p; ++p) out += (*p == '\n') ? std::string("\r\n") : std::string(1, *p);
    return sj(out);
  }
  // Runs a script; それ's value and type mark are what the test reads.
  void Run(const char* utf8) {
    base.UI = &ui;
    kobu::RegisterBuiltins(base);
    base.ScriptFileName = "t.kbr";
    const char* start = base.AddProgramText(kobu::Preprocess(base, Script(utf8)));
    kobu::RegisterLabels(base, start, base.ScriptFileName);
    base.CurrentPosition = start;
    kobu::RunLoop(base);
  }
  std::string Value() { return kobu::Cp932ToUtf8(base.Sore->Value); }
  std::string Mark() { return kobu::Cp932ToUtf8(base.Sore->TypeMark); }
  kobu::TKobuBase base;
  TQueueUI ui;
};

TEST_F(DialogCommands, AskMarksNumbersAndTexts) {
  ui.answers = {{true, "123"}, {true, "abc"}, {true, "$1F"}};
  Run("「数は」と尋ねる\nA=それ\n「名前は」と尋ねる\nB=それ\n尋ねる\n");
  EXPECT_EQ(ui.lastPrompt, "入力してください。");  // the prompt was omitted
  EXPECT_EQ(kobu::Cp932ToUtf8(base.Words.Find(sj("A"), false)->TypeMark), "e");
  EXPECT_EQ(kobu::Cp932ToUtf8(base.Words.Find(sj("B"), false)->TypeMark), "s");
  EXPECT_EQ(Value(), "$1F");
  EXPECT_EQ(Mark(), "e");
}

TEST_F(DialogCommands, CancelGivesTheCancelValue) {
  ui.answers = {{false, ""}};
  Run("ダイアログキャンセルの値=「取消」\nダイアログ初期値=「最初」\n「?」と尋ねる\n");
  EXPECT_EQ(Value(), "取消");
  EXPECT_EQ(ui.lastInitial, "最初");
}

TEST_F(DialogCommands, YesNoAnswers) {
  ui.yesNo = {kobu::ynYes, kobu::ynCancel};
  Run("「よい?」と二択\nA=それ\n「どうする?」と三択\n");
  EXPECT_EQ(kobu::Cp932ToUtf8(base.Words.Find(sj("A"), false)->Value), "1");
  EXPECT_EQ(Value(), "2");
  EXPECT_EQ(Mark(), "e");
}

TEST_F(DialogCommands, ListChoicesAreSplitAtBars) {
  ui.answers = {{true, "みかん"}};
  Run("「果物」が「りんご｜みかん|ぶどう」のどれか尋ねる\n");
  EXPECT_EQ(ui.lastPrompt, "果物");
  EXPECT_EQ(ui.lastItems, (std::vector<std::string>{"りんご", "みかん", "ぶどう"}));
  EXPECT_TRUE(ui.lastEditable);
  EXPECT_EQ(Value(), "みかん");
}

TEST_F(DialogCommands, ButtonsOneLineEachAndAtMostTwenty) {
  ui.answers = {{true, "いいえ"}, {false, ""}};
  Run("「選んで」を「はい\\nいいえ」のボタンで選択\nA=それ\nダイアログキャンセルの値=5\n「選んで」を「x」のボタンで選択\n");
  EXPECT_EQ(kobu::Cp932ToUtf8(base.Words.Find(sj("A"), false)->Value), "いいえ");
  EXPECT_EQ(Value(), "5");
  EXPECT_EQ(Mark(), "s");  // a cancelled button choice is always text

  kobu::TKobuBase other;
  TQueueUI ui2;
  other.UI = &ui2;
  kobu::RegisterBuiltins(other);
  const char* start = other.AddProgramText(kobu::Preprocess(other, Script("A=「1\\n2\\n3\\n4\\n5\\n6\\n7\\n8\\n9\\n10\\n11\\n12\\n13\\n14\\n15\\n16\\n17\\n18\\n19\\n20\\n21」\n「?」をAのボタンで選択\n")));
  other.CurrentPosition = start;
  kobu::RunLoop(other);
  EXPECT_NE(ui2.errors.find("20個まで"), std::string::npos) << ui2.errors;
}

TEST_F(DialogCommands, FileFiltersAndFolders) {
  ui.answers = {{true, "/tmp/a.txt"}, {true, "/tmp/b.csv"}, {true, "/home/x"}};
  Run("「.txt」の読込ファイル選択\nA=それ\n「CSV|*.csv|全て|*.*」の書込ファイル選択\nB=それ\nフォルダ選択\n");
  EXPECT_EQ(ui.lastFilter, "CSV|*.csv|全て|*.*");
  EXPECT_EQ(ui.lastExtension, "csv");
  EXPECT_EQ(Value(), "/home/x/");
}

TEST_F(DialogCommands, OpenFilterFromAnExtension) {
  ui.answers = {{true, "/tmp/a.txt"}};
  Run("「txt」の読込ファイル選択\n");
  EXPECT_EQ(ui.lastFilter, "txt 形式(*.txt)|*.txt|全て(*.*)|*.*");
  EXPECT_EQ(Value(), "/tmp/a.txt");
}

TEST_F(DialogCommands, ColourFontAndMemo) {
  ui.answers = {{true, "255"}, {true, "IPAGothic||12"}, {false, ""}};
  Run("色選択\nA=それ\nフォント選択\nB=それ\nダイアログキャンセルの値=「なし」\n「本文」のメモ記入\n");
  EXPECT_EQ(kobu::Cp932ToUtf8(base.Words.Find(sj("A"), false)->TypeMark), "e");
  EXPECT_EQ(kobu::Cp932ToUtf8(base.Words.Find(sj("B"), false)->Value), "IPAGothic||12");
  EXPECT_EQ(Value(), "なし");
  EXPECT_EQ(Mark(), "s");
}

}  // namespace
