// The security policy: which paths need the user's consent, the level read
// from security.ini, and the INI reader underneath it.
#include "host/security.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "core/kobubase.h"
#include "core/ui.h"
#include "platform/cp932.h"
#include "system/inifile.h"

using kobu::sj;
namespace fs = std::filesystem;

namespace {

// Answers the security question from a queue and records what was shown.
class TFakeUI : public kobu::TKobuUI {
 public:
  std::deque<kobu::TDialogAnswer> answers;  // CP932
  std::vector<std::string> prompts;         // CP932
  std::vector<std::vector<std::string>> choiceLists;
  std::vector<std::pair<std::string, std::string>> boxes;  // text, caption (CP932)
  std::string clipboard;

  void ShowMessage(const std::string&) override {}
  void QuickPrint(const std::string&) override {}
  void MessageBox(const std::string& text, const std::string& caption) override { boxes.emplace_back(text, caption); }
  kobu::TErrorChoice ShowErrorDialog(const std::string&, bool) override { return kobu::ecStop; }
  void CloseMainWindow() override {}
  kobu::TDialogAnswer AskText(const std::string&, const std::string&, int) override { return Unexpected(); }
  kobu::TYesNo AskYesNo(const std::string&, bool) override {
    ADD_FAILURE() << "yes/no question";
    return kobu::ynCancel;
  }
  kobu::TDialogAnswer ChooseFromList(const std::string&, const std::vector<std::string>&, const std::string&, bool,
                                     int) override {
    return Unexpected();
  }
  kobu::TDialogAnswer ChooseButton(const std::string& prompt, const std::vector<std::string>& choices) override {
    prompts.push_back(prompt);
    choiceLists.push_back(choices);
    if (answers.empty()) return Unexpected();
    kobu::TDialogAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  kobu::TDialogAnswer EditMemo(const std::string&, int) override { return Unexpected(); }
  kobu::TDialogAnswer ChooseColour() override { return Unexpected(); }
  kobu::TDialogAnswer ChooseFont() override { return Unexpected(); }
  kobu::TDialogAnswer ChooseOpenFiles(const std::string&, const std::string&) override { return Unexpected(); }
  kobu::TDialogAnswer ChooseSaveFile(const std::string&, const std::string&, const std::string&) override {
    return Unexpected();
  }
  kobu::TDialogAnswer ChooseFolder() override { return Unexpected(); }
  std::string ClipboardText() override { return clipboard; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }

  void Forget() {
    prompts.clear();
    choiceLists.clear();
    boxes.clear();
  }

 private:
  kobu::TDialogAnswer Unexpected() {
    ADD_FAILURE() << "unexpected dialog";
    return {};
  }
};

kobu::TDialogAnswer Pressed(const char* utf8) { return {true, sj(utf8)}; }

void WriteBytes(const std::string& nativePath, const std::string& bytes) {
  std::ofstream out(nativePath, std::ios::binary);
  out << bytes;
}

std::string MakeTempFolder() {
  std::string tmpl = (fs::temp_directory_path() / "kobu_security_XXXXXX").string();
  if (!mkdtemp(tmpl.data())) return {};
  return fs::canonical(tmpl).string();
}

// A script folder whose name holds trail bytes 0x5C (ソ, 表), a program file
// in it, a sibling folder and the runtime's folder. Paths in the tests are
// UTF-8 and become script text (CP932) on the way in.
class SecurityPolicy : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempFolder();
    ASSERT_FALSE(root.empty());
    script = root + "/ソース表";
    other = root + "/other";
    runtime = root + "/runtime";
    fs::create_directories(script + "/sub");
    fs::create_directory(other);
    fs::create_directory(runtime);
    fs::create_directory(script + "2");  // shares the folder's name as a prefix
    WriteBytes(script + "/テスト.kbr", "");
    WriteBytes(other + "/f.txt", "x");
    fs::create_directory_symlink(other, script + "/out_link");
    fs::create_directory_symlink(script + "/sub", script + "/in_link");
    fs::create_symlink(other + "/f.txt", script + "/file_link");
    fs::create_symlink(other + "/none.txt", script + "/dangling");
    fs::create_symlink("security.ini", script + "/sec_link.txt");
    fs::create_symlink(other + "/Security.Ini", script + "/sec_other.txt");

    base.UI = &ui;
    base.ProgramFile = kobu::Utf8ToCp932(script + "/テスト.kbr");
    base.ScriptFolder = kobu::Utf8ToCp932(script + "/");
    base.ExecutablePath = kobu::Utf8ToCp932(runtime + "/koburane");
    oldFolder = fs::current_path();
    fs::current_path(script);
  }
  void TearDown() override {
    if (!oldFolder.empty()) fs::current_path(oldFolder);
    if (!root.empty()) fs::remove_all(root);
  }

  bool Check(const std::string& utf8Path) { return kobu::CheckFileAccess(base, kobu::Utf8ToCp932(utf8Path), question); }
  // The security.ini beside the script (or elsewhere), CP932 content given in UTF-8.
  void WriteIni(const std::string& nativePath, const std::string& utf8Text) {
    WriteBytes(nativePath, kobu::Utf8ToCp932(utf8Text));
  }
  int LevelFrom(const std::string& nativePath, const std::string& utf8Text) {
    WriteIni(nativePath, utf8Text);
    base.SecurityLevel = -1;
    kobu::DetermineSecurityLevel(base);
    return base.SecurityLevel;
  }

  void ExpectAsked() {
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0], question);
    EXPECT_EQ(ui.choiceLists[0], (std::vector<std::string>{sj("はい"), sj("いいえ"), sj("全てはい"), sj("全ていいえ")}));
  }
  void ExpectWarned() {
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].first, sj("このプログラムは、\"security.ini\"を、操作出来ません！"));
    EXPECT_EQ(ui.boxes[0].second, sj("セキュリティの警告"));
    EXPECT_TRUE(ui.prompts.empty());
  }

  std::string root, script, other, runtime;
  fs::path oldFolder;
  TFakeUI ui;
  kobu::TKobuBase base;
  std::string question = sj("\"x.txt\"へ書き込みます。");
};

TEST_F(SecurityPolicy, MidLevelAsksOnlyOutsideTheScriptFolder) {
  std::string backslashed = script + "/sub/c.txt";
  for (char& c : backslashed)
    if (c == '/') c = '\\';
  struct {
    std::string path;
    bool asks;
  } cases[] = {
      {"a.txt", false},
      {"sub/b.txt", false},
      {"sub\\c.txt", false},
      {"./sub/../a.txt", false},
      {".", false},
      {"in_link/x.txt", false},
      {"security.ini.txt", false},
      {"my_security.ini", false},
      {script + "/a.txt", false},
      {"C:" + backslashed, false},
      {"../x.txt", true},
      {"sub/../../x.txt", true},
      {"out_link/x.txt", true},
      {"file_link", true},
      {"dangling", true},
      {other + "/x.txt", true},
      {script + "2/x.txt", true},
      {"*.txt", true},
      {"sub/*", true},
      {script + "/*.txt", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ui.Forget();
    base.SecurityLevel = -1;
    if (c.asks) {
      ui.answers = {Pressed("いいえ")};
      EXPECT_FALSE(Check(c.path));
      ExpectAsked();
      ui.Forget();
      ui.answers = {Pressed("はい")};
      EXPECT_TRUE(Check(c.path));
      EXPECT_EQ(ui.prompts.size(), 1u);
    } else {
      EXPECT_TRUE(Check(c.path));
      EXPECT_TRUE(ui.prompts.empty());
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(base.SecurityLevel, 1);
  }
}

TEST_F(SecurityPolicy, RelativePathsAreResolvedFromTheCurrentFolder) {
  fs::current_path(other);
  ui.answers = {Pressed("いいえ")};
  EXPECT_FALSE(Check("a.txt"));
  ExpectAsked();
  ui.Forget();
  fs::current_path(script + "/sub");
  EXPECT_TRUE(Check("a.txt"));
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(SecurityPolicy, SecurityIniIsRefusedUnderEveryName) {
  const std::string paths[] = {
      "security.ini",     "Security.INI",   "SECURITY.ini",         "sub/SeCuRiTy.iNi",
      "sub\\security.ini", "security.ini/", "sub/../SECURITY.INI",  script + "/Security.ini",
      other + "/SECURITY.INI", "sec_link.txt", "sec_other.txt",
  };
  for (int level : {0, 1}) {
    for (const std::string& p : paths) {
      SCOPED_TRACE(p + " at level " + std::to_string(level));
      ui.Forget();
      base.SecurityLevel = level;
      EXPECT_FALSE(Check(p));
      ExpectWarned();
      EXPECT_EQ(base.SecurityLevel, level);
    }
  }
  // At the high level everything is refused before the name is looked at.
  ui.Forget();
  base.SecurityLevel = 2;
  EXPECT_FALSE(Check("security.ini"));
  EXPECT_TRUE(ui.boxes.empty());
}

// The policy file is also out of reach through a hard link and through the
// folders that hold it (moving or deleting them takes the file along).
TEST_F(SecurityPolicy, SecurityIniIsRefusedThroughHardLinksAndHoldingFolders) {
  WriteIni(script + "/security.ini", "[テスト.kbr]\nsecurity=low\n");
  fs::create_hard_link(script + "/security.ini", script + "/sub/plain.txt");
  for (const std::string& p : {std::string("sub/plain.txt"), std::string("."), script, root}) {
    SCOPED_TRACE(p);
    ui.Forget();
    base.SecurityLevel = 0;
    EXPECT_FALSE(Check(p));
    ExpectWarned();
  }
  ui.Forget();
  EXPECT_TRUE(Check("sub"));  // a folder beside it is fine
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SecurityPolicy, SeveralPathsAreCheckedTogether) {
  base.SecurityLevel = 1;
  EXPECT_TRUE(kobu::CheckFileAccess(base, {sj("a.txt"), sj("sub/b.txt")}, question));
  EXPECT_TRUE(ui.prompts.empty());

  ui.answers = {Pressed("はい")};
  EXPECT_TRUE(kobu::CheckFileAccess(base, {sj("a.txt"), kobu::Utf8ToCp932(other + "/b.txt")}, question));
  ExpectAsked();

  ui.Forget();
  base.SecurityLevel = 0;
  EXPECT_FALSE(kobu::CheckFileAccess(base, {sj("a.txt"), sj("Security.ini")}, question));
  ExpectWarned();
}

TEST_F(SecurityPolicy, AllYesLowersTheLevelForTheRestOfTheRun) {
  ui.answers = {Pressed("全てはい")};
  EXPECT_TRUE(Check(other + "/x.txt"));
  ExpectAsked();
  EXPECT_EQ(base.SecurityLevel, 0);
  EXPECT_TRUE(Check(other + "/y.txt"));
  EXPECT_TRUE(Check("*.txt"));
  EXPECT_TRUE(Check("../z.txt"));
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_FALSE(Check("SECURITY.INI"));
  EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(SecurityPolicy, AllNoRefusesEverythingSilentlyAfterwards) {
  ui.answers = {Pressed("全ていいえ")};
  EXPECT_FALSE(Check(other + "/x.txt"));
  ExpectAsked();
  EXPECT_EQ(base.SecurityLevel, 2);
  EXPECT_FALSE(Check("a.txt"));
  EXPECT_FALSE(Check(other + "/x.txt"));
  EXPECT_FALSE(Check("security.ini"));
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SecurityPolicy, NoAndCancelRefuseThisOnce) {
  const kobu::TDialogAnswer answers[] = {Pressed("いいえ"), {false, {}}, {true, sj("ほか")}};
  for (const auto& a : answers) {
    ui.Forget();
    ui.answers = {a};
    EXPECT_FALSE(Check(other + "/x.txt"));
    ExpectAsked();
    EXPECT_EQ(base.SecurityLevel, 1);
  }
}

TEST_F(SecurityPolicy, NoScriptFolderMeansNothingIsInside) {
  base.ScriptFolder.clear();
  ui.answers = {Pressed("いいえ")};
  EXPECT_FALSE(Check("a.txt"));
  ExpectAsked();
}

TEST_F(SecurityPolicy, HighInIniBesideTheScriptRefusesEverything) {
  WriteIni(script + "/security.ini", "[テスト.kbr]\r\nsecurity=High\r\n");
  EXPECT_FALSE(Check("a.txt"));
  EXPECT_FALSE(Check(other + "/x.txt"));
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(base.SecurityLevel, 2);
}

TEST_F(SecurityPolicy, LowInIniBesideTheScriptAllowsOutsidePaths) {
  WriteIni(script + "/security.ini", "; chosen by the user\n[テスト.KBR]\nSecurity = low\n");
  EXPECT_TRUE(Check(other + "/x.txt"));
  EXPECT_TRUE(Check("*.txt"));
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(base.SecurityLevel, 0);
  EXPECT_FALSE(Check("security.ini"));
  ExpectWarned();
}

TEST_F(SecurityPolicy, IniBesideTheScriptIsFoundInAnyLetterCase) {
  EXPECT_EQ(LevelFrom(script + "/SECURITY.INI", "[テスト.kbr]\nsecurity=low\n"), 0);
  // The exact name wins over another spelling.
  EXPECT_EQ(LevelFrom(script + "/security.ini", "[テスト.kbr]\nsecurity=high\n"), 2);
}

TEST_F(SecurityPolicy, IniSectionIsTheScriptsFileName) {
  EXPECT_EQ(LevelFrom(script + "/security.ini", "[other.kbr]\nsecurity=low\n"), 1);
  EXPECT_EQ(LevelFrom(script + "/security.ini", "[テスト.kbr]\nlevel=low\n"), 1);
  EXPECT_EQ(LevelFrom(script + "/security.ini", "[" + script + "/テスト.kbr]\nsecurity=low\n"), 1);
}

TEST_F(SecurityPolicy, RuntimeFolderIniUsesTheFullPathAndOnlyWhenNoneIsBesideTheScript) {
  const std::string full = "[" + script + "/テスト.kbr]\nsecurity=low\n";
  EXPECT_EQ(LevelFrom(runtime + "/security.ini", full), 0);
  EXPECT_EQ(LevelFrom(runtime + "/security.ini", "[テスト.kbr]\nsecurity=low\n"), 1);
  EXPECT_EQ(LevelFrom(runtime + "/security.ini", full), 0);
  // One beside the script, even without a word for this script, takes precedence.
  EXPECT_EQ(LevelFrom(script + "/security.ini", "[other.kbr]\nsecurity=high\n"), 1);
  fs::remove(script + "/security.ini");
  fs::remove(runtime + "/security.ini");
  // Without a script folder only the runtime's file is left.
  base.ScriptFolder.clear();
  EXPECT_EQ(LevelFrom(runtime + "/Security.INI", full), 0);
}

TEST_F(SecurityPolicy, OnlyTheFirstLetterOfTheValueCounts) {
  struct {
    const char* value;
    int level;
  } cases[] = {
      {"High", 2}, {"h", 2},      {"HIGH!", 2}, {"hoge", 2}, {"Low", 0},    {"lax", 0},  {"  LOW  ", 0},
      {"Mid", 1},  {"medium", 1}, {"", 1},      {"xyz", 1},  {"０", 1},     {"ｈｉｇｈ", 1}, {"1", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(LevelFrom(script + "/security.ini", std::string("[テスト.kbr]\r\nsecurity=") + c.value + "\r\n"),
              c.level);
  }
}

TEST_F(SecurityPolicy, TheLevelIsDeterminedOnceAndNotOverTheCommandLine) {
  WriteIni(script + "/security.ini", "[テスト.kbr]\nsecurity=high\n");
  base.SecurityLevel = 0;  // "-security low"
  kobu::DetermineSecurityLevel(base);
  EXPECT_EQ(base.SecurityLevel, 0);
  EXPECT_TRUE(Check(other + "/x.txt"));

  base.SecurityLevel = -1;
  fs::remove(script + "/security.ini");
  EXPECT_TRUE(Check("a.txt"));
  EXPECT_EQ(base.SecurityLevel, 1);
  WriteIni(script + "/security.ini", "[テスト.kbr]\nsecurity=high\n");
  EXPECT_TRUE(Check("a.txt"));  // read at the first check only
}

// ---- the INI reader ----

class IniReading : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempFolder();
    ASSERT_FALSE(root.empty());
    file = root + "/設定.ini";
  }
  void TearDown() override {
    if (!root.empty()) fs::remove_all(root);
  }
  // Content and names in UTF-8; the file and the names travel as CP932.
  std::string Read(const std::string& content, const char* section, const char* key, bool* found) {
    WriteBytes(file, kobu::Utf8ToCp932(content));
    return kobu::ReadIniValue(file, sj(section), sj(key), found);
  }
  std::string root, file;
};

TEST_F(IniReading, NamesIgnoreLetterCaseAndBlanksAreTrimmed) {
  bool found = false;
  EXPECT_EQ(Read("[Section]\r\nKey=Value\r\n", "SECTION", "key", &found), "Value");
  EXPECT_TRUE(found);
  EXPECT_EQ(Read("  [  Sec One ]  \n\t name  =  some value \t\n", "sec one", "NAME", &found), "some value");
  EXPECT_TRUE(found);
  EXPECT_EQ(Read("[s]\nurl = a=b \n", "s", "url", &found), "a=b");
  EXPECT_EQ(Read("[s]\nempty=\n", "s", "empty", &found), "");
  EXPECT_TRUE(found);
  EXPECT_EQ(Read("[s]\nlast=no line end", "s", "last", &found), "no line end");
}

TEST_F(IniReading, MissingFileSectionOrKeyGiveNothing) {
  bool found = true;
  EXPECT_EQ(Read("[s]\nk=1\n", "s", "j", &found), "");
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(Read("[s]\nk=1\n", "t", "k", &found), "");
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(Read("k=1\n[s]\n", "s", "k", &found), "");  // a key before the section is not in it
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(kobu::ReadIniValue(root + "/none.ini", "s", "k", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(kobu::ReadIniValue(root + "/none.ini", "s", "k"), "");
}

TEST_F(IniReading, CommentsAndTheFirstMatchWin) {
  bool found = false;
  EXPECT_EQ(Read("[s]\n;k=0\nk=1\nK=2\n[S]\nk=3\nj=4\n", "s", "k", &found), "1");
  EXPECT_EQ(Read("[s]\n;k=0\nk=1\nK=2\n[S]\nk=3\nj=4\n", "s", "j", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(Read("[a]\nk=1\n[b]\nk=2\n", "b", "k", &found), "2");
}

TEST_F(IniReading, DoubleByteNamesAreComparedWholeCharacters) {
  bool found = false;
  // ア is 83 41 and ヂ is 83 61: folding the trail byte would make them one.
  EXPECT_EQ(Read("[ア]\r\nキー=値\r\n", "ア", "キー", &found), sj("値"));
  EXPECT_TRUE(found);
  EXPECT_EQ(Read("[ア]\r\nキー=値\r\n", "ヂ", "キー", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(Read("[s]\r\nア=1\r\n", "s", "ヂ", &found), "");
  EXPECT_FALSE(found);
  // ゾ is 83 5D: its trail byte is not the closing bracket.
  EXPECT_EQ(Read("[ゾ]\r\nk=v\r\n", "ゾ", "k", &found), "v");
  EXPECT_TRUE(found);
}

}  // namespace
