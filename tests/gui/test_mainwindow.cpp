// The main window on the offscreen platform: its size and title, the start of
// the script, and closing.
#include <QApplication>
#include <QtTest/QtTest>
#include <cstdio>
#include <fstream>

#include "core/kobubase.h"
#include "core/ui.h"
#include "gui/dialog_forms.h"
#include "host/kobuU.h"
#include "platform/cp932.h"

namespace {

// Records what the script shows instead of opening boxes.
class TRecordingUI : public kobu::TKobuUI {
 public:
  explicit TRecordingUI(kobu::TfrmKobu* form) : form_(form) {}
  void ShowMessage(const std::string& text) override { messages.push_back(kobu::Cp932ToUtf8(text)); }
  void QuickPrint(const std::string& text) override { messages.push_back(kobu::Cp932ToUtf8(text)); }
  void MessageBox(const std::string& text, const std::string&) override { boxes.push_back(kobu::Cp932ToUtf8(text)); }
  kobu::TErrorChoice ShowErrorDialog(const std::string& log, bool) override {
    errors.push_back(kobu::Cp932ToUtf8(log));
    return kobu::ecStop;
  }
  void CloseMainWindow() override { form_->close(); }
  // The dialogs have tests of their own; here every one is cancelled.
  kobu::TDialogAnswer AskText(const std::string&, const std::string&, int) override { return {}; }
  kobu::TYesNo AskYesNo(const std::string&, bool) override { return kobu::ynCancel; }
  kobu::TDialogAnswer ChooseFromList(const std::string&, const std::vector<std::string>&, const std::string&, bool,
                                     int) override {
    return {};
  }
  kobu::TDialogAnswer ChooseButton(const std::string&, const std::vector<std::string>&) override { return {}; }
  kobu::TDialogAnswer EditMemo(const std::string&, int) override { return {}; }
  kobu::TDialogAnswer ChooseColour() override { return {}; }
  kobu::TDialogAnswer ChooseFont() override { return {}; }
  kobu::TDialogAnswer ChooseOpenFiles(const std::string&, const std::string&) override { return {}; }
  kobu::TDialogAnswer ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }
  kobu::TDialogAnswer ChooseFolder() override { return {}; }
  std::string ClipboardText() override { return {}; }
  void SetClipboardText(const std::string&) override {}
  std::vector<std::string> messages, boxes, errors;

 private:
  kobu::TfrmKobu* form_;
};

std::string WriteScript(const QTemporaryDir& dir, const char* name, const char* utf8) {
  std::string path = dir.filePath(name).toStdString();
  std::ofstream(path) << utf8;
  return path;
}

// A main window for one script, with the recording user; created, not started.
struct TWindow {
  TWindow(const QTemporaryDir& dir, const char* name, const char* utf8)
      : frm({"/usr/bin/koburane", kobu::Utf8ToCp932(WriteScript(dir, name, utf8))}, kobu::seAuto), ui(&frm) {
    frm.SetUI(&ui);
    frm.FormCreate();
  }
  kobu::TfrmKobu frm;
  TRecordingUI ui;
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
 private slots:
  void createsTheWindowAndRunsTheScript() {
    QTemporaryDir dir;
    TWindow w(dir, "a.kbr", "「こんにちは」と言う\n");
    kobu::TDialogs dialogs(&w.frm);
    QCOMPARE(w.frm.size(), QSize(640, 400));
    QCOMPARE(w.frm.windowTitle(), QString::fromUtf8("こぶらね"));
    QCOMPARE(dialogs.Error->windowTitle(), QString::fromUtf8("実行中にエラーが発生しました。"));
    w.frm.eventDoTimer();
    QCOMPARE(w.ui.messages, std::vector<std::string>{"こんにちは"});
    QVERIFY(w.frm.isVisible());  // a finished script leaves the window open
    QVERIFY(!w.frm.Closed());
    w.frm.eventDoTimer();  // the script starts exactly once
    QCOMPARE(w.ui.messages.size(), size_t(1));
  }

  void hiddenWhileTheScriptHoldsTheRaiseWord() {
    QTemporaryDir dir;
    TWindow w(dir, "b.kbr", "' 母艦浮上 は後で\n「x」と言う\n");
    w.frm.eventDoTimer();
    // The comment is gone after preprocessing, so the window shows.
    QVERIFY(w.frm.isVisible());

    TWindow w2(dir, "c.kbr", "「母艦浮上」と言う\n");
    w2.frm.eventDoTimer();
    QVERIFY(!w2.frm.isVisible());
  }

  void endClosesTheWindow() {
    QTemporaryDir dir;
    TWindow w(dir, "d.kbr", "「前」と言う\nおわり\n「後」と言う\n");
    w.frm.eventDoTimer();
    QVERIFY(w.frm.Closed());
    QCOMPARE(w.ui.messages, std::vector<std::string>{"前"});
  }

  void terminationHandlerCanKeepTheWindowOpen() {
    QTemporaryDir dir;
    TWindow w(dir, "t.kbr", "一度目=1\n後始末に終了処理設定\nおわり\n「来ない」と言う\n"
                                     "*後始末\n「後始末」と言う\n"
                                     "もし、一度目=1ならば (一度目=0;後始末に終了処理設定)\n");
    w.frm.eventDoTimer();
    // The handler ran and armed itself again: the close was refused.
    QCOMPARE(w.ui.messages, std::vector<std::string>{"後始末"});
    QVERIFY(!w.frm.Closed());
    QVERIFY(w.frm.isVisible());
    // The next close runs it once more; this time it lets the window go.
    w.frm.close();
    QCOMPARE(w.ui.messages.size(), size_t(2));
    QVERIFY(w.frm.Closed());
  }

  void errorShowsTheLogAndCloses() {
    QTemporaryDir dir;
    TWindow w(dir, "e.kbr", "「前」と言う\n\n謎命令\n");
    w.frm.eventDoTimer();
    QCOMPARE(w.ui.errors.size(), size_t(1));
    QVERIFY(w.ui.errors[0].rfind("[エラー] e.kbr(3行目): \"謎命令\"は未定義の命令です。", 0) == 0);
    QVERIFY(w.frm.Closed());
  }
};

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TestMainWindow t;
  return QTest::qExec(&t, argc, argv);
}

#include "test_mainwindow.moc"
