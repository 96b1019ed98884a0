// Qt windows as the user.
#pragma once
#include <QColor>
#include <memory>
#include <string>

#include "core/ui.h"

class QFont;
class QWidget;

namespace kobu {

class TfrmKobu;
struct TDialogs;

class TQtUI : public TKobuUI {
 public:
  explicit TQtUI(TfrmKobu* form);
  ~TQtUI() override;
  // The dialogs created at start-up; until they are given the UI makes its own.
  void SetDialogs(TDialogs* dialogs) { dialogs_ = dialogs; }
  // 1 once an error dialog was answered by ending the program, else 0.
  int ExitCode() const { return exitCode_; }

  void ShowMessage(const std::string& text) override;
  void QuickPrint(const std::string& text) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  TErrorChoice ShowErrorDialog(const std::string& errorLog, bool debugMode) override;
  void CloseMainWindow() override;
  void ProcessMessages() override;

  TDialogAnswer AskText(const std::string& prompt, const std::string& initial, int imeMode) override;
  TYesNo AskYesNo(const std::string& question, bool withCancel) override;
  TDialogAnswer ChooseFromList(const std::string& prompt, const std::vector<std::string>& items,
                               const std::string& initial, bool editable, int imeMode) override;
  TDialogAnswer ChooseButton(const std::string& prompt, const std::vector<std::string>& choices) override;
  TDialogAnswer EditMemo(const std::string& text, int imeMode) override;
  TDialogAnswer ChooseColour() override;
  TDialogAnswer ChooseFont() override;
  TDialogAnswer ChooseOpenFiles(const std::string& filter, const std::string& initialName) override;
  TDialogAnswer ChooseSaveFile(const std::string& filter, const std::string& initialName,
                               const std::string& defaultExtension) override;
  TDialogAnswer ChooseFolder() override;
  TDialogAnswer ChoosePrinter() override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

 private:
  TDialogs& Dialogs();
  QWidget* Owner() const;
  // The font of the text settings (文字書体, 文字サイズ), which the dialogs'
  // labels and fields take.
  QFont TextFont() const;
  int TabCount() const;

  TfrmKobu* form_;
  TDialogs* dialogs_ = nullptr;
  std::unique_ptr<TDialogs> ownDialogs_;
  QColor lastColour_ = Qt::black;
  size_t logShown_ = 0;  // bytes of the error log already written to stderr
  int exitCode_ = 0;
};

// Maps the classic Japanese face names scripts use to the installed IPA fonts.
void InstallFontAliases();

// The pickers' answers as scripts read them.
std::string ColourAnswer(const QColor& colour);  // red + green*256 + blue*65536
std::string FontAnswer(const QFont& font);       // name|styles|size

}  // namespace kobu
