#include "host/qt_ui.h"

#include "commands/args.h"
#include "gui/gui_objects.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <cmath>
#include <cstdio>

#include "core/kobubase.h"
#include "gui/dialog_forms.h"
#include "gui/mainwindow_commands.h"
#include "host/clipboard.h"
#include "host/console_ui.h"
#include "host/kobuU.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

QString Q(const std::string& sjis) { return QString::fromStdString(Cp932ToUtf8(sjis)); }
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
std::string S(const QString& text) { return Utf8ToCp932(text.toStdString()); }

}  // namespace

void InstallFontAliases() {
  static bool done = false;
  if (done) return;
  done = true;
  struct TAlias {
    const char* classic;
    const char* installed;
  };
  static const TAlias kAliases[] = {
      {"ＭＳ ゴシック", "IPAGothic"},     {"MS Gothic", "IPAGothic"},   {"ＭＳ Ｐゴシック", "IPAPGothic"},
      {"MS PGothic", "IPAPGothic"},       {"ＭＳ ＵＩ Gothic", "IPAPGothic"}, {"MS UI Gothic", "IPAPGothic"},
      {"ＭＳ 明朝", "IPAMincho"},         {"MS Mincho", "IPAMincho"},   {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"MS PMincho", "IPAPMincho"},
  };
  for (const TAlias& a : kAliases) QFont::insertSubstitution(U(a.classic), U(a.installed));
}

std::string ColourAnswer(const QColor& colour) {
  return std::to_string(colour.red() + colour.green() * 256 + colour.blue() * 65536);
}

std::string FontAnswer(const QFont& font) {
  std::string answer = S(font.family());
  std::string style;
  if (font.bold()) style += Utf8ToCp932("太字");
  if (font.italic()) style += Utf8ToCp932("傾斜");
  if (font.underline()) style += Utf8ToCp932("下線");
  if (!style.empty()) answer += "|" + style;
  int size = font.pointSize() > 0 ? font.pointSize() : static_cast<int>(std::lround(font.pointSizeF()));
  if (size > 0) answer += (style.empty() ? "||" : "|") + std::to_string(size);
  return answer;
}

TQtUI::TQtUI(TfrmKobu* form) : form_(form) {}

TQtUI::~TQtUI() = default;

TDialogs& TQtUI::Dialogs() {
  if (dialogs_) return *dialogs_;
  // Start-up can fail before the dialogs exist; it gets dialogs of its own.
  if (!ownDialogs_) ownDialogs_ = std::make_unique<TDialogs>(Owner());
  return *ownDialogs_;
}

QWidget* TQtUI::Owner() const { return form_; }

QFont TQtUI::TextFont() const {
  if (!form_) return QApplication::font();
  TKobuBase& k = form_->Kobu();
  if (!k.Settings[swTextFont] && !k.Settings[swTextSize]) return QApplication::font();
  // A font is written face｜style｜size, the later parts optional.
  int points = k.Settings[swTextSize] ? static_cast<int>(IntegerText(k.Settings[swTextSize]->Value, 12)) : 12;
  return FontFromDescription(k.Settings[swTextFont] ? k.Settings[swTextFont]->Value : std::string(), points);
}

int TQtUI::TabCount() const {
  if (!form_ || !form_->Kobu().Settings[swTabCount]) return 8;
  bool ok = false;
  int n = Q(form_->Kobu().Settings[swTabCount]->Value).trimmed().toInt(&ok);
  return ok && n > 0 ? n : 8;
}

void TQtUI::ShowMessage(const std::string& text) { Dialogs().MsgBox->Say(text, TextFont(), TabCount()); }

void TQtUI::QuickPrint(const std::string& text) {
  QMessageBox::information(form_, QApplication::applicationDisplayName(), Q(text));
}

void TQtUI::MessageBox(const std::string& text, const std::string& caption) {
  QMessageBox::warning(form_, Q(caption), Q(text));
}

TErrorChoice TQtUI::ShowErrorDialog(const std::string& errorLog, bool debugMode) {
  // The log also goes to stderr, so a window started from a shell or a
  // launcher leaves its errors where they can be read afterwards.
  if (logShown_ > errorLog.size()) logShown_ = 0;
  std::string fresh = TerminalText(errorLog.substr(logShown_));
  logShown_ = errorLog.size();
  std::fwrite(fresh.data(), 1, fresh.size(), stderr);
  std::fflush(stderr);
  // A main window kept on top would hide the dialog; it is ordinary meanwhile.
  bool onTop = form_ && form_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
  auto setOnTop = [this](bool on) {
    bool visible = form_->isVisible();
    form_->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) form_->show();
  };
  if (onTop) setOnTop(false);
  TErrorChoice choice = Dialogs().Error->Ask(errorLog, debugMode);
  if (onTop) setOnTop(true);
  if (choice == ecStop) exitCode_ = 1;
  return choice;
}

void TQtUI::CloseMainWindow() {
  if (form_) form_->close();
}

void TQtUI::ProcessMessages() { QApplication::processEvents(); }

TDialogAnswer TQtUI::AskText(const std::string& prompt, const std::string& initial, int imeMode) {
  return Dialogs().InputBox->Ask(prompt, initial, TextFont(), imeMode);
}

TYesNo TQtUI::AskYesNo(const std::string& question, bool withCancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), Q(question), buttons, Owner());
  box.button(QMessageBox::Yes)->setText(U("はい(&Y)"));
  box.button(QMessageBox::No)->setText(U("いいえ(&N)"));
  if (withCancel) {
    box.button(QMessageBox::Cancel)->setText(U("キャンセル"));
    box.setEscapeButton(QMessageBox::Cancel);
  }
  box.setDefaultButton(QMessageBox::Yes);
  box.exec();
  QAbstractButton* pressed = box.clickedButton();
  if (pressed == box.button(QMessageBox::Yes)) return ynYes;
  if (pressed == box.button(QMessageBox::No)) return ynNo;
  return ynCancel;
}

TDialogAnswer TQtUI::ChooseFromList(const std::string& prompt, const std::vector<std::string>& items,
                                    const std::string& initial, bool editable, int imeMode) {
  return Dialogs().SelectDialog->Choose(prompt, items, initial, editable, TextFont(), imeMode);
}

TDialogAnswer TQtUI::ChooseButton(const std::string& prompt, const std::vector<std::string>& choices) {
  int mainWidth = form_ ? form_->width() : 640;
  return Dialogs().SelectButton->Choose(prompt, choices, TextFont(), mainWidth);
}

TDialogAnswer TQtUI::EditMemo(const std::string& text, int imeMode) {
  return Dialogs().MemoDialog->Edit(text, TextFont(), imeMode);
}

TDialogAnswer TQtUI::ChooseColour() {
  QColor c = QColorDialog::getColor(lastColour_, Owner());
  if (!c.isValid()) return {};
  lastColour_ = c;
  return {true, ColourAnswer(c)};
}

TDialogAnswer TQtUI::ChooseFont() {
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, TextFont(), Owner());
  if (!ok) return {};
  return {true, FontAnswer(f)};
}

TDialogAnswer TQtUI::ChooseOpenFiles(const std::string& filter, const std::string& initialName) {
  QFileDialog dlg(Owner(), QString(), QDir::currentPath(), QtFileFilter(filter));
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFiles);
  if (!initialName.empty()) dlg.selectFile(Q(initialName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  TDialogAnswer a{true, {}};
  for (const QString& f : dlg.selectedFiles()) {
    if (!a.text.empty()) a.text += "\r\n";
    a.text += S(f);
  }
  return a;
}

TDialogAnswer TQtUI::ChooseSaveFile(const std::string& filter, const std::string& initialName,
                                    const std::string& defaultExtension) {
  QFileDialog dlg(Owner(), QString(), QDir::currentPath(), QtFileFilter(filter));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setDefaultSuffix(Q(defaultExtension));  // overwriting is asked by the dialog itself
  if (!initialName.empty()) dlg.selectFile(Q(initialName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return {true, S(dlg.selectedFiles().first())};
}

TDialogAnswer TQtUI::ChooseFolder() {
  QString dir = QFileDialog::getExistingDirectory(Owner(), QString(), QDir::currentPath());
  if (dir.isEmpty()) return {};
  while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
  return {true, S(dir)};
}

TDialogAnswer TQtUI::ChoosePrinter() {
  QPrintDialog dlg(&SharedPrinter(), Owner());
  if (dlg.exec() != QDialog::Accepted) return {};
  return {true, std::string()};
}

std::string TQtUI::ClipboardText() { return QtClipboardText(); }

void TQtUI::SetClipboardText(const std::string& text) { SetQtClipboardText(text); }

}  // namespace kobu
