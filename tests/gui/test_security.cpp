// The security question through the real Qt user on the offscreen platform:
// the four-button dialog is shown and its answers decide.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <functional>

#include "core/kobubase.h"
#include "gui/dialog_forms.h"
#include "host/kobuU.h"
#include "host/qt_ui.h"
#include "host/security.h"
#include "platform/cp932.h"
#include "tests/gui/modal.h"

using kobu::sj;

namespace {

using kobutest::U;
using kobutest::WhenModal;

// Presses the button with that caption; the captions seen are kept.
void Press(kobu::TfrmSelectButton* box, const QString& caption, QStringList* captions) {
  QPushButton* target = nullptr;
  for (QPushButton* b : box->Buttons) {
    *captions << b->text();
    if (b->text() == caption) target = b;
  }
  if (target) target->click();
  else box->reject();
}

// While it lives, any modal dialog is closed at once and counted: a check
// that should not ask must not hang the test when it does.
struct TNoDialog {
  TNoDialog() {
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++shown;
        d->reject();
      }
    });
    timer.start();
  }
  QTimer timer;
  int shown = 0;
};

// A main window that is never started, with a script folder in a temporary
// folder and the Qt user over it.
struct TUser {
  TUser() : frm({"/usr/bin/koburane"}, kobu::seAuto), dialogs(&frm), ui(&frm) {
    frm.resize(640, 400);
    ui.SetDialogs(&dialogs);
    kobu::TKobuBase& base = frm.Kobu();
    base.UI = &ui;
    const std::string folder = QDir(dir.path()).canonicalPath().toStdString() + "/スクリプト";
    QDir().mkpath(QString::fromStdString(folder));
    base.ScriptFolder = kobu::Utf8ToCp932(folder + "/");
    base.ProgramFile = kobu::Utf8ToCp932(folder + "/テスト.kbr");
    base.ExecutablePath = kobu::Utf8ToCp932(folder + "/../runtime/koburane");
    base.SecurityLevel = -1;
    outside = kobu::Utf8ToCp932(QDir(dir.path()).canonicalPath().toStdString() + "/outside.txt");
  }
  QTemporaryDir dir;
  kobu::TfrmKobu frm;
  kobu::TDialogs dialogs;
  kobu::TQtUI ui;
  std::string outside;  // CP932
};

const QStringList kChoices = {U("はい"), U("いいえ"), U("全てはい"), U("全ていいえ")};

}  // namespace

class TestSecurity : public QObject {
  Q_OBJECT
 private slots:
  void allYesAllowsAndLowersTheLevel() {
    TUser u;
    QVERIFY(u.dir.isValid());
    QStringList captions;
    QString prompt;
    WhenModal<kobu::TfrmSelectButton>([&](kobu::TfrmSelectButton* box) {
      prompt = box->Label1->text();
      Press(box, U("全てはい"), &captions);
    });
    QVERIFY(kobu::CheckFileAccess(u.frm.Kobu(), u.outside, sj("\"outside.txt\"へ書き込みます。")));
    QCOMPARE(captions, kChoices);
    QCOMPARE(prompt, U("\"outside.txt\"へ書き込みます。"));
    QCOMPARE(u.frm.Kobu().SecurityLevel, 0);
    TNoDialog none;
    QVERIFY(kobu::CheckFileAccess(u.frm.Kobu(), u.outside, sj("?")));
    QCOMPARE(none.shown, 0);
  }

  void noRefusesAndKeepsTheLevel() {
    TUser u;
    QVERIFY(u.dir.isValid());
    QStringList captions;
    WhenModal<kobu::TfrmSelectButton>([&](kobu::TfrmSelectButton* box) { Press(box, U("いいえ"), &captions); });
    QVERIFY(!kobu::CheckFileAccess(u.frm.Kobu(), u.outside, sj("\"outside.txt\"へ書き込みます。")));
    QCOMPARE(captions, kChoices);
    QCOMPARE(u.frm.Kobu().SecurityLevel, 1);

    // Inside the script folder there is no question at all.
    TNoDialog none;
    QVERIFY(kobu::CheckFileAccess(u.frm.Kobu(), u.frm.Kobu().ScriptFolder + "a.txt", sj("?")));
    QCOMPARE(none.shown, 0);
  }

  void securityIniShowsTheWarning() {
    TUser u;
    QVERIFY(u.dir.isValid());
    u.frm.Kobu().SecurityLevel = 0;
    QString caption, text;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      caption = box->windowTitle();
      text = box->text();
      box->accept();
    });
    QVERIFY(!kobu::CheckFileAccess(u.frm.Kobu(), u.frm.Kobu().ScriptFolder + "Security.Ini", sj("?")));
    QCOMPARE(caption, U("セキュリティの警告"));
    QCOMPARE(text, U("このプログラムは、\"security.ini\"を、操作出来ません！"));
  }
};

QTEST_MAIN(TestSecurity)
#include "test_security.moc"
