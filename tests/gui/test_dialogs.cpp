// The dialogs on the offscreen platform, shown through the Qt user and
// answered from inside their own event loops.
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QtTest>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "commands/registry.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "gui/dialog_forms.h"
#include "host/kobuU.h"
#include "host/qt_ui.h"
#include "platform/cp932.h"
#include "tests/gui/modal.h"

using kobu::sj;

namespace {

using kobutest::U;
using kobutest::WhenModal;

// Closes a dialog that an answer did not close, and says so.
bool StillOpen(QDialog* d) {
  if (!d->isVisible()) return false;
  d->reject();
  return true;
}

// The file dialog's own accept (with its checks), as its Open or Save button runs it.
void Accept(QDialog* d) { d->accept(); }

// A main window that is never started, and the Qt user over it.
struct TUser {
  TUser() : frm({"/usr/bin/koburane"}, kobu::seAuto), dialogs(&frm), ui(&frm) {
    frm.resize(640, 400);
    ui.SetDialogs(&dialogs);
  }
  kobu::TfrmKobu frm;
  kobu::TDialogs dialogs;
  kobu::TQtUI ui;
};

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QApplication::setApplicationDisplayName(U("こぶらね")); }

  // ---- 尋ねる ----

  void inputBoxEnterAnswersTheTypedText() {
    TUser u;
    QString caption, label, before;
    bool seen = false, focused = false, imeOff = false, open = false;
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) {
      seen = true;
      caption = box->windowTitle();
      label = box->lblMsg->text();
      before = box->edtInput->text();
      focused = box->focusWidget() == box->edtInput;
      imeOff = !box->edtInput->testAttribute(Qt::WA_InputMethodEnabled);
      QTest::keyClicks(box->edtInput, "123");  // the initial text is selected, so typing replaces it
      QTest::keyClick(box->edtInput, Qt::Key_Return);
      open = StillOpen(box);
    });
    kobu::TDialogAnswer a = u.ui.AskText(sj("年齢は？"), sj("二十"), 0);
    QVERIFY(seen);
    QVERIFY(!open);
    QCOMPARE(caption, U("こぶらね"));
    QCOMPARE(label, U("年齢は？"));
    QCOMPARE(before, U("二十"));
    QVERIFY(focused);
    QVERIFY(imeOff);
    QVERIFY(a.accepted);
    QCOMPARE(a.text, std::string("123"));
    QCOMPARE(u.dialogs.InputBox->btnOk->text(), U("&OK"));
    QCOMPARE(u.dialogs.InputBox->btnCancel->text(), U("キャンセル(&C)"));
    QVERIFY(u.dialogs.InputBox->width() >= 300);
  }

  void inputBoxKeepsAnUntouchedInitialTextAndTakesKana() {
    TUser u;
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) { box->btnOk->click(); });
    // ～ has two codes in CP932; the answer keeps the one the script gave.
    std::string initial = "\x81\x60";
    kobu::TDialogAnswer a = u.ui.AskText(sj("?"), initial, 0);
    QVERIFY(a.accepted);
    QCOMPARE(a.text, initial);

    bool imeOn = false;
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) {
      imeOn = box->edtInput->testAttribute(Qt::WA_InputMethodEnabled);
      box->edtInput->clear();
      QInputMethodEvent commit;
      commit.setCommitString(U("山田"));
      QApplication::sendEvent(box->edtInput, &commit);
      box->btnOk->click();
    });
    a = u.ui.AskText(sj("名前は？"), "", 2);
    QVERIFY(imeOn);
    QVERIFY(a.accepted);
    QCOMPARE(a.text, sj("山田"));
  }

  void inputBoxEscapeCancels() {
    TUser u;
    bool open = false;
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) {
      QTest::keyClicks(box->edtInput, "abc");
      QTest::keyClick(box->edtInput, Qt::Key_Escape);
      open = StillOpen(box);
    });
    kobu::TDialogAnswer a = u.ui.AskText(sj("入力してください。"), "", 0);
    QVERIFY(!open);
    QVERIFY(!a.accepted);
    QVERIFY(a.text.empty());
  }

  void labelsAndFieldsTakeTheTextSettings() {
    TUser u;
    kobu::TKobuBase& k = u.frm.Kobu();
    kobu::RegisterBuiltins(k);
    k.Settings[kobu::swTextFont]->Value = sj("ＭＳ 明朝｜太字｜20");
    QFont label, edit;
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) {
      label = box->lblMsg->font();
      edit = box->edtInput->font();
      box->reject();
    });
    u.ui.AskText(sj("?"), "", 0);
    QCOMPARE(label.family(), U("ＭＳ 明朝"));
    QCOMPARE(label.pointSize(), 20);
    QVERIFY(label.bold());
    QCOMPARE(edit.pointSize(), 20);

    k.Settings[kobu::swTextFont]->Value = sj("ＭＳ ゴシック");
    k.Settings[kobu::swTextSize]->Value = "15";
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) {
      label = box->lblMsg->font();
      box->reject();
    });
    u.ui.AskText(sj("?"), "", 0);
    QCOMPARE(label.pointSize(), 15);
    QVERIFY(!label.bold());
  }

  // ---- 言う ----

  void messageShowsTheTextWithTabsExpanded() {
    TUser u;
    QString caption, label, button;
    bool open = false;
    WhenModal<kobu::TfrmMsgBox>([&](kobu::TfrmMsgBox* box) {
      caption = box->windowTitle();
      label = box->lblMsg->text();
      button = box->btnOk->text();
      QTest::keyClick(box->btnOk, Qt::Key_Return);
      open = StillOpen(box);
    });
    u.ui.ShowMessage(sj("a\tb\r\nあ\tc"));
    QVERIFY(!open);
    QCOMPARE(caption, U("こぶらね"));
    QCOMPARE(button, U("&OK"));
    QCOMPARE(label, U("a       b\nあ      c"));  // a double-byte character takes two columns
    QVERIFY(u.dialogs.MsgBox->width() >= 100);
  }

  void messageCutsLongTextsOnACharacterBoundary() {
    TUser u;
    QString label;
    bool open = false;
    WhenModal<kobu::TfrmMsgBox>([&](kobu::TfrmMsgBox* box) {
      label = box->lblMsg->text();
      QTest::keyClick(box, Qt::Key_Escape);
      open = StillOpen(box);
    });
    u.ui.ShowMessage(std::string(5000, 'x'));
    QVERIFY(!open);
    QCOMPARE(label, QString(4095, QLatin1Char('x')) + U("..."));

    WhenModal<kobu::TfrmMsgBox>([&](kobu::TfrmMsgBox* box) {
      label = box->lblMsg->text();
      box->btnOk->click();
    });
    // あ would take bytes 4095 and 4096: it is left out whole.
    u.ui.ShowMessage(std::string(4094, 'x') + sj("あ") + std::string(100, 'y'));
    QCOMPARE(label, QString(4094, QLatin1Char('x')) + U("..."));
  }

  void messageShowsOnlyTheLinesThatFitTheScreen() {
    TUser u;
    std::string text;
    for (int i = 1; i <= 300; ++i) text += std::to_string(i) + "\r\n";
    QString label;
    int lineHeight = 0, buttonTop = 0;
    WhenModal<kobu::TfrmMsgBox>([&](kobu::TfrmMsgBox* box) {
      label = box->lblMsg->text();
      lineHeight = static_cast<int>(std::lround(1.2 * QFontMetrics(box->lblMsg->font()).height()));
      buttonTop = box->btnOk->y();
      box->btnOk->click();
    });
    u.ui.ShowMessage(text);
    int limit = u.dialogs.MsgBox->screen()->geometry().height() * 7 / 10;
    QStringList lines = label.split(QLatin1Char('\n'));
    int fit = limit / lineHeight;
    QCOMPARE(lines.size(), fit + 1);
    QCOMPARE(lines.first(), U("1"));
    QCOMPARE(lines.at(fit - 1), QString::number(fit));
    QCOMPARE(lines.last(), U("..."));
    QVERIFY(buttonTop <= limit);
  }

  // ---- どれか尋ねる, リストから選択 ----

  void listDoubleClickAnswersTheItem() {
    TUser u;
    QString caption, label;
    int count = 0;
    bool readOnly = false, open = false;
    WhenModal<kobu::TfrmSelectDialog>([&](kobu::TfrmSelectDialog* box) {
      caption = box->windowTitle();
      label = box->Label1->text();
      count = box->ListBox->count();
      readOnly = box->EditResult->isReadOnly();
      QPoint at = box->ListBox->visualItemRect(box->ListBox->item(1)).center();
      // A double click arrives as a click followed by the double-click event.
      QTest::mouseClick(box->ListBox->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(box->ListBox->viewport(), Qt::LeftButton, {}, at);
      open = StillOpen(box);
    });
    kobu::TDialogAnswer a =
        u.ui.ChooseFromList(sj("果物は？"), {sj("りんご"), sj("みかん"), sj("ぶどう")}, "", false, 0);
    QVERIFY(!open);
    QCOMPARE(caption, U("こぶらね"));
    QCOMPARE(label, U("果物は？"));
    QCOMPARE(count, 3);
    QVERIFY(readOnly);
    QVERIFY(a.accepted);
    QCOMPARE(a.text, sj("みかん"));
    QVERIFY(u.dialogs.SelectDialog->width() >= 280);
  }

  void listTypingSelectsByTheFirstByte() {
    TUser u;
    int afterB = -1, afterZ = -1;
    QString resultAfterB, resultAfterZ;
    bool open = false;
    WhenModal<kobu::TfrmSelectDialog>([&](kobu::TfrmSelectDialog* box) {
      QTest::keyClick(box->ListBox, 'b');
      afterB = box->ListBox->currentRow();
      resultAfterB = box->EditResult->text();
      QTest::keyClick(box->ListBox, 'z');
      afterZ = box->ListBox->selectedItems().size();
      resultAfterZ = box->EditResult->text();
      QTest::keyClick(box->ListBox, Qt::Key_Return);
      open = StillOpen(box);
    });
    kobu::TDialogAnswer a =
        u.ui.ChooseFromList(sj("?"), {"apple", "banana", "blueberry", "cherry"}, "", true, 0);
    QVERIFY(!open);
    QCOMPARE(afterB, 1);
    QCOMPARE(resultAfterB, U("banana"));
    QCOMPARE(afterZ, 0);
    QCOMPARE(resultAfterZ, U("banana"));
    QVERIFY(a.accepted);
    QCOMPARE(a.text, std::string("banana"));
  }

  void listClickCopiesAndTheFieldCanBeEdited() {
    TUser u;
    QString initial, afterClick;
    bool readOnly = true, imeOn = false;
    WhenModal<kobu::TfrmSelectDialog>([&](kobu::TfrmSelectDialog* box) {
      initial = box->EditResult->text();
      readOnly = box->EditResult->isReadOnly();
      imeOn = box->EditResult->testAttribute(Qt::WA_InputMethodEnabled);
      QListWidgetItem* item = box->ListBox->item(2);
      QTest::mouseClick(box->ListBox->viewport(), Qt::LeftButton, {}, box->ListBox->visualItemRect(item).center());
      afterClick = box->EditResult->text();
      box->EditResult->clear();
      QTest::keyClicks(box->EditResult, "kiwi");
      box->btnOk->click();
    });
    kobu::TDialogAnswer a = u.ui.ChooseFromList(sj("?"), {"a", "b", sj("ぶどう")}, sj("初期"), true, 1);
    QCOMPARE(initial, U("初期"));
    QVERIFY(!readOnly);
    QVERIFY(imeOn);
    QCOMPARE(afterClick, U("ぶどう"));
    QVERIFY(a.accepted);
    QCOMPARE(a.text, std::string("kiwi"));

    WhenModal<kobu::TfrmSelectDialog>([&](kobu::TfrmSelectDialog* box) { QTest::keyClick(box, Qt::Key_Escape); });
    a = u.ui.ChooseFromList(sj("?"), {"a"}, "", true, 0);
    QVERIFY(!a.accepted);
  }

  // ---- ボタンで選択 ----

  void buttonsInARowAnswerThePressedCaption() {
    TUser u;
    QStringList captions;
    std::vector<QRect> rects;
    int clientWidth = 0, labelWidth = 0;
    bool open = false;
    WhenModal<kobu::TfrmSelectButton>([&](kobu::TfrmSelectButton* box) {
      for (QPushButton* b : box->Buttons) {
        captions << b->text();
        rects.push_back(b->geometry());
      }
      clientWidth = box->width();
      labelWidth = box->Label1->width();
      box->Buttons.at(1)->click();
      open = StillOpen(box);
    });
    kobu::TDialogAnswer a = u.ui.ChooseButton(sj("色は？"), {sj("赤"), sj("緑"), sj("青")});
    QVERIFY(!open);
    QCOMPARE(captions, (QStringList{U("赤"), U("緑"), U("青")}));
    QVERIFY(a.accepted);
    QCOMPARE(a.text, sj("緑"));
    QCOMPARE(rects.size(), size_t(3));
    int w = rects[0].width();
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(rects[i].y(), rects[0].y());
      QCOMPARE(rects[i].x(), static_cast<int>(std::lround(1.1 * i * w + 8)));
    }
    QCOMPARE(clientWidth, std::max(static_cast<int>(std::lround(1.1 * 3 * w + 16)), labelWidth + 16));
  }

  void manyButtonsStandInAColumnAndEscapeCancels() {
    TUser u;
    std::vector<std::string> choices;
    for (int i = 1; i <= 20; ++i) choices.push_back(sj("選択肢") + std::to_string(i));
    std::vector<QRect> rects;
    bool open = false;
    WhenModal<kobu::TfrmSelectButton>([&](kobu::TfrmSelectButton* box) {
      for (QPushButton* b : box->Buttons) rects.push_back(b->geometry());
      QTest::keyClick(box, Qt::Key_Escape);
      open = StillOpen(box);
    });
    kobu::TDialogAnswer a = u.ui.ChooseButton(sj("どれ？"), choices);
    QVERIFY(!open);
    QVERIFY(!a.accepted);
    QCOMPARE(rects.size(), size_t(20));
    for (size_t i = 1; i < rects.size(); ++i) {
      QCOMPARE(rects[i].x(), rects[0].x());
      QVERIFY(rects[i].y() > rects[i - 1].y());
    }

    // Closing the window is cancelling too; a second call lays out anew.
    size_t count = 0;
    WhenModal<kobu::TfrmSelectButton>([&](kobu::TfrmSelectButton* box) {
      count = box->Buttons.size();
      box->close();
    });
    a = u.ui.ChooseButton(sj("?"), {"A&B"});
    QVERIFY(!a.accepted);
    QCOMPARE(count, size_t(1));
  }

  // ---- メモ記入 ----

  void memoAnswersTheEditedText() {
    TUser u;
    QString caption, before;
    QSize size;
    QStringList menu;
    bool scrollBar = false, imeOn = false;
    WhenModal<kobu::TfrmMemoDialog>([&](kobu::TfrmMemoDialog* box) {
      caption = box->windowTitle();
      size = box->size();
      before = box->Memo->toPlainText();
      scrollBar = box->Memo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
      imeOn = box->Memo->testAttribute(Qt::WA_InputMethodEnabled);
      for (QAction* action : box->PopupMenu->actions()) menu << action->text();
      box->Memo->moveCursor(QTextCursor::End);
      QTest::keyClick(box->Memo, Qt::Key_Return);
      QInputMethodEvent commit;
      commit.setCommitString(U("三行目"));
      QApplication::sendEvent(box->Memo, &commit);
      box->btnOk->click();
    });
    kobu::TDialogAnswer a = u.ui.EditMemo(sj("一行目\r\n二行目"), 1);
    QCOMPARE(caption, U("メモ帳"));
    QCOMPARE(size, QSize(412, 323));
    QCOMPARE(before, U("一行目\n二行目"));
    QVERIFY(scrollBar);
    QVERIFY(imeOn);
    QCOMPARE(menu, (QStringList{U("元に戻す"), U("コピー"), U("貼付け"), U("切り取り"), U("全て選択")}));
    QVERIFY(a.accepted);
    QCOMPARE(a.text, sj("一行目\r\n二行目\r\n三行目"));
  }

  void memoCancelClearsIt() {
    TUser u;
    bool imeOff = false;
    WhenModal<kobu::TfrmMemoDialog>([&](kobu::TfrmMemoDialog* box) {
      imeOff = !box->Memo->testAttribute(Qt::WA_InputMethodEnabled);
      box->btnCancel->click();
    });
    kobu::TDialogAnswer a = u.ui.EditMemo(sj("消える"), 0);
    QVERIFY(!a.accepted);
    QVERIFY(imeOff);
    QVERIFY(u.dialogs.MemoDialog->Memo->toPlainText().isEmpty());
  }

  void memoSavesAndLoadsShiftJisFiles() {
    QTemporaryDir dir;
    QString saved = dir.filePath(U("保存.txt")), loaded = dir.filePath(U("読む.txt"));
    std::ofstream(loaded.toStdString(), std::ios::binary) << sj("読んだ\r\n二行");
    TUser u;
    QStringList filters;
    std::string written;
    QString afterLoad;
    WhenModal<kobu::TfrmMemoDialog>([&](kobu::TfrmMemoDialog* box) {
      WhenModal<QFileDialog>([&](QFileDialog* fd) {
        filters = fd->nameFilters();
        fd->selectFile(dir.filePath(U("保存")));  // the default suffix makes it 保存.txt
        Accept(fd);
      });
      box->btnSave->click();
      written = ReadFile(saved);
      WhenModal<QFileDialog>([&](QFileDialog* fd) {
        fd->selectFile(loaded);
        Accept(fd);
      });
      box->btnLoad->click();
      afterLoad = box->Memo->toPlainText();
      box->btnOk->click();
    });
    kobu::TDialogAnswer a = u.ui.EditMemo(sj("メモ\r\n二行目"), 0);
    QCOMPARE(filters, (QStringList{U("*.txt (*.txt)"), U("すべてのファイル (*.*)")}));
    QCOMPARE(written, sj("メモ\r\n二行目"));
    QCOMPARE(afterLoad, U("読んだ\n二行"));
    QVERIFY(a.accepted);
    QCOMPARE(a.text, sj("読んだ\r\n二行"));
  }

  // ---- the error dialog ----

  void errorDialogContinues() {
    TUser u;
    QString caption, log;
    QStringList buttons;
    bool readOnly = false, debugHidden = false;
    WhenModal<kobu::TfrmError>([&](kobu::TfrmError* box) {
      caption = box->windowTitle();
      log = box->Memo->toPlainText();
      readOnly = box->Memo->isReadOnly();
      debugHidden = box->btnDebug->isHidden();
      buttons << box->btnContinue->text() << box->btnDebug->text() << box->btnStop->text();
      box->btnContinue->click();
    });
    kobu::TErrorChoice c = u.ui.ShowErrorDialog(sj("[エラー] a.kbr(3行目): 失敗\r\n"), false);
    QCOMPARE(c, kobu::ecContinue);
    QCOMPARE(caption, U("実行中にエラーが発生しました。"));
    QCOMPARE(log, U("[エラー] a.kbr(3行目): 失敗\n"));
    QVERIFY(readOnly);
    QVERIFY(debugHidden);
    QCOMPARE(buttons, (QStringList{U("実行を続ける(&O)"), U("デバッグする(&D)"), U("終了(&C)")}));
  }

  void errorDialogDebugsInDebugMode() {
    TUser u;
    bool debugVisible = false;
    WhenModal<kobu::TfrmError>([&](kobu::TfrmError* box) {
      debugVisible = box->btnDebug->isVisible();
      box->btnDebug->click();
    });
    QCOMPARE(u.ui.ShowErrorDialog(sj("[エラー] a.kbr(1行目): x\r\n"), true), kobu::ecDebug);
    QVERIFY(debugVisible);
  }

  void errorDialogStopsOnTheButtonAndOnClosing() {
    TUser u;
    WhenModal<kobu::TfrmError>([&](kobu::TfrmError* box) { box->btnStop->click(); });
    QCOMPARE(u.ui.ShowErrorDialog(sj("一つ目\r\n"), false), kobu::ecStop);
    QString log;
    WhenModal<kobu::TfrmError>([&](kobu::TfrmError* box) {
      log = box->Memo->toPlainText();
      box->close();
    });
    QCOMPARE(u.ui.ShowErrorDialog(sj("一つ目\r\n二つ目\r\n"), true), kobu::ecStop);
    QCOMPARE(log, U("一つ目\n二つ目\n"));
  }

  // ---- 二択, 三択 ----

  void yesNoQuestion() {
    TUser u;
    QString caption, text;
    bool hasCancel = true;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      caption = box->windowTitle();
      text = box->text();
      hasCancel = box->button(QMessageBox::Cancel) != nullptr;
      box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(u.ui.AskYesNo(sj("続けますか？"), false), kobu::ynYes);
    QCOMPARE(caption, U("こぶらね"));
    QCOMPARE(text, U("続けますか？"));
    QVERIFY(!hasCancel);

    WhenModal<QMessageBox>([&](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    QCOMPARE(u.ui.AskYesNo(sj("?"), false), kobu::ynNo);
  }

  void yesNoCancelQuestion() {
    TUser u;
    bool open = false;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      QTest::keyClick(box, Qt::Key_Escape);
      open = box->isVisible();
      if (open) box->reject();
    });
    QCOMPARE(u.ui.AskYesNo(sj("保存しますか？"), true), kobu::ynCancel);
    QVERIFY(!open);
    WhenModal<QMessageBox>([&](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    QCOMPARE(u.ui.AskYesNo(sj("?"), true), kobu::ynNo);
    WhenModal<QMessageBox>([&](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    QCOMPARE(u.ui.AskYesNo(sj("?"), true), kobu::ynYes);
  }

  // ---- the pickers ----

  void colourPicker() {
    TUser u;
    WhenModal<QColorDialog>([&](QColorDialog* d) {
      d->setCurrentColor(QColor(1, 2, 3));
      d->accept();
    });
    kobu::TDialogAnswer a = u.ui.ChooseColour();
    QVERIFY(a.accepted);
    QCOMPARE(a.text, std::string("197121"));  // 1 + 2*256 + 3*65536
    WhenModal<QColorDialog>([&](QColorDialog* d) { d->reject(); });
    QVERIFY(!u.ui.ChooseColour().accepted);
  }

  void fontPickerAndItsAnswer() {
    QFont plain(U("IPAGothic"), 12);
    QCOMPARE(kobu::FontAnswer(plain), std::string("IPAGothic||12"));
    QFont styled = plain;
    styled.setBold(true);
    styled.setUnderline(true);
    QCOMPARE(kobu::FontAnswer(styled), std::string("IPAGothic|") + sj("太字下線") + "|12");
    styled.setItalic(true);
    QCOMPARE(kobu::FontAnswer(styled), std::string("IPAGothic|") + sj("太字傾斜下線") + "|12");

    TUser u;
    QFont chosen;
    WhenModal<QFontDialog>([&](QFontDialog* d) {
      QFont f(U("IPAMincho"), 14);
      f.setUnderline(true);  // the IPA faces have no bold or italic styles to pick
      d->setCurrentFont(f);
      chosen = d->currentFont();
      d->accept();
    });
    kobu::TDialogAnswer a = u.ui.ChooseFont();
    QVERIFY(a.accepted);
    QCOMPARE(a.text, kobu::FontAnswer(chosen));
    QVERIFY(QString::fromStdString(kobu::Cp932ToUtf8(a.text)).endsWith(U("|下線|14")));
  }

  void fileFilters() {
    QCOMPARE(kobu::QtFileFilter(sj("txt 形式(*.txt)|*.txt|全て(*.*)|*.*")), U("txt 形式(*.txt);;全て(*.*)"));
    QCOMPARE(kobu::QtFileFilter(sj("画像|*.jpg;*.png")), U("画像 (*.jpg *.png)"));
    // ポ ends in the byte of "|"; it is no separator.
    QCOMPARE(kobu::QtFileFilter(sj("ポスター|*.pst")), U("ポスター (*.pst)"));
    QCOMPARE(kobu::QtFileFilter(""), QString());
  }

  void openPickerGivesOneNameOrSeveralLines() {
    QTemporaryDir dir;
    for (const char* name : {"a.txt", "b.txt"}) std::ofstream(dir.filePath(U(name)).toStdString()) << "x";
    QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    TUser u;
    QStringList filters;
    QString start;
    WhenModal<QFileDialog>([&](QFileDialog* fd) {
      filters = fd->nameFilters();
      start = fd->directory().absolutePath();
      fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(U("\"a.txt\" \"b.txt\""));
      Accept(fd);
    });
    kobu::TDialogAnswer several = u.ui.ChooseOpenFiles(sj("テキスト|*.txt|全て(*.*)|*.*"), "");
    QStringList selected;
    WhenModal<QFileDialog>([&](QFileDialog* fd) {
      selected = fd->selectedFiles();
      Accept(fd);
    });
    kobu::TDialogAnswer one = u.ui.ChooseOpenFiles(sj("テキスト|*.txt"), "b.txt");
    QDir::setCurrent(saved);

    QCOMPARE(filters, (QStringList{U("テキスト (*.txt)"), U("全て(*.*)")}));
    QCOMPARE(start, QDir(dir.path()).absolutePath());
    QVERIFY(several.accepted);
    std::string a = dir.filePath(U("a.txt")).toStdString(), b = dir.filePath(U("b.txt")).toStdString();
    QCOMPARE(several.text, a + "\r\n" + b);
    QCOMPARE(selected, QStringList{dir.filePath(U("b.txt"))});
    QVERIFY(one.accepted);
    QCOMPARE(one.text, b);
  }

  void savePickerAddsTheDefaultExtensionAndAsksBeforeOverwriting() {
    QTemporaryDir dir;
    TUser u;
    QString suffix;
    bool confirms = false, saves = false;
    WhenModal<QFileDialog>([&](QFileDialog* fd) {
      suffix = fd->defaultSuffix();
      confirms = !fd->testOption(QFileDialog::DontConfirmOverwrite);
      saves = fd->acceptMode() == QFileDialog::AcceptSave;
      fd->selectFile(dir.filePath(U("日記")));
      Accept(fd);
    });
    kobu::TDialogAnswer a = u.ui.ChooseSaveFile(sj("txt 形式(*.txt)|*.txt|全て(*.*)|*.*"), "", "txt");
    QCOMPARE(suffix, U("txt"));
    QVERIFY(confirms);
    QVERIFY(saves);
    QVERIFY(a.accepted);
    QCOMPARE(a.text, kobu::Utf8ToCp932(dir.filePath(U("日記.txt")).toStdString()));

    WhenModal<QFileDialog>([&](QFileDialog* fd) { fd->reject(); });
    QVERIFY(!u.ui.ChooseSaveFile(sj("*.txt|*.txt"), "", "txt").accepted);
  }

  void folderPickerGivesTheFolderWithoutTheFinalSlash() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(U("写真"));
    TUser u;
    WhenModal<QFileDialog>([&](QFileDialog* fd) {
      fd->setDirectory(dir.filePath(U("写真")));
      Accept(fd);
    });
    kobu::TDialogAnswer a = u.ui.ChooseFolder();
    QVERIFY(a.accepted);
    QCOMPARE(a.text, kobu::Utf8ToCp932(dir.filePath(U("写真")).toStdString()));
    WhenModal<QFileDialog>([&](QFileDialog* fd) { fd->reject(); });
    QVERIFY(!u.ui.ChooseFolder().accepted);
  }

  // ---- the progress dialog ----

  void progressDialogStopsOnlyWithAHandler() {
    TUser u;
    kobu::TfrmProg& p = *u.dialogs.Prog;
    QCOMPARE(p.windowTitle(), U("進行度表示"));
    QCOMPARE(p.btnStop->text(), U("中止"));
    QCOMPARE(p.ProgressBar->minimum(), 0);
    QCOMPARE(p.ProgressBar->maximum(), 100);
    p.ShowProgress(sj("受信中"));
    QVERIFY(p.isVisible());
    QCOMPARE(p.lblMsg->text(), U("受信中"));
    QVERIFY(!p.btnStop->isEnabled());
    p.SetPosition(40);
    QCOMPARE(p.ProgressBar->value(), 40);
    p.SetPosition(150);
    QCOMPARE(p.ProgressBar->value(), 100);
    p.SetMessage(sj("送信中"));
    QCOMPARE(p.lblMsg->text(), U("送信中"));
    int stops = 0;
    p.EnableStop([&stops] { ++stops; });
    QVERIFY(p.btnStop->isEnabled());
    p.btnStop->click();
    QCOMPARE(stops, 1);
    p.EnableStop({});
    QVERIFY(!p.btnStop->isEnabled());
    p.HideProgress();
    QVERIFY(!p.isVisible());
  }

  // ---- start-up ----

  void classicFaceNamesAreAliased() {
    // Qt keeps substitutes in lower case.
    QCOMPARE(QFont::substitute(U("ＭＳ ゴシック")), U("ipagothic"));
    QCOMPARE(QFont::substitute(U("MS PGothic")), U("ipapgothic"));
    QCOMPARE(QFont::substitute(U("ＭＳ 明朝")), U("ipamincho"));
    QCOMPARE(QFont::substitute(U("ＭＳ Ｐ明朝")), U("ipapmincho"));
    QCOMPARE(QFont::substitute(U("ＭＳ ＵＩ Gothic")), U("ipapgothic"));
    QCOMPARE(QFontInfo(QFont(U("ＭＳ ゴシック"))).family(), U("IPAGothic"));
  }

  void aScriptAsksAndSays() {
    QTemporaryDir dir;
    std::string path = dir.filePath(U("ask.kbr")).toStdString();
    std::ofstream(path) << "「年齢は？」と尋ねる\nそれを言う\n";
    QString saved = QDir::currentPath();  // the script's folder becomes the current one
    kobu::TfrmKobu frm({"/usr/bin/koburane", kobu::Utf8ToCp932(path)}, kobu::seAuto);
    kobu::TQtUI ui(&frm);
    frm.SetUI(&ui);
    frm.FormCreate();
    kobu::TDialogs dialogs(&frm);
    ui.SetDialogs(&dialogs);
    QString said;
    WhenModal<kobu::TfrmInputBox>([&](kobu::TfrmInputBox* box) {
      QTest::keyClicks(box->edtInput, "42");
      QTest::keyClick(box->edtInput, Qt::Key_Return);
      WhenModal<kobu::TfrmMsgBox>([&](kobu::TfrmMsgBox* msg) {
        said = msg->lblMsg->text();
        msg->btnOk->click();
      });
    });
    frm.eventDoTimer();
    frm.close();
    QDir::setCurrent(saved);
    QCOMPARE(said, U("42"));
  }
};

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  kobu::InstallFontAliases();  // as the runtime does at start
  TestDialogs t;
  return QTest::qExec(&t, argc, argv);
}

#include "test_dialogs.moc"
