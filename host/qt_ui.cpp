#include "host/qt_ui.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "host/kobuU.h"
#include "platform/cp932.h"

namespace kobu {

namespace {
QString Q(const std::string& sjis) { return QString::fromStdString(Cp932ToUtf8(sjis)); }
}  // namespace

void TQtUI::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), Q(text), QMessageBox::NoButton,
                  form_);
  box.addButton(QString::fromUtf8("&OK"), QMessageBox::AcceptRole);
  box.exec();
}

void TQtUI::QuickPrint(const std::string& text) {
  QMessageBox::information(form_, QApplication::applicationDisplayName(), Q(text));
}

void TQtUI::MessageBox(const std::string& text, const std::string& caption) {
  QMessageBox::warning(form_, Q(caption), Q(text));
}

TErrorChoice TQtUI::ShowErrorDialog(const std::string& errorLog, bool debugMode) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8("実行中にエラーが発生しました。"), Q(errorLog),
                  QMessageBox::NoButton, form_);
  QPushButton* go = box.addButton(QString::fromUtf8("実行を続ける(&O)"), QMessageBox::AcceptRole);
  QPushButton* debug = debugMode ? box.addButton(QString::fromUtf8("デバッグする(&D)"), QMessageBox::ActionRole) : nullptr;
  box.addButton(QString::fromUtf8("終了(&C)"), QMessageBox::RejectRole);
  box.exec();
  if (box.clickedButton() == go) return ecContinue;
  if (debug && box.clickedButton() == debug) return ecDebug;
  return ecStop;
}

void TQtUI::CloseMainWindow() {
  if (form_) form_->close();
}

void TQtUI::ProcessMessages() { QApplication::processEvents(); }

}  // namespace kobu
