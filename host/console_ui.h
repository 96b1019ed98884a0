// The terminal as the user: messages on stdout, errors on stderr.
#pragma once
#include <string>
#include <vector>

#include "core/ui.h"

namespace kobu {

class TfrmKobu;

// True while the terminal is the user: the file-access check then names on
// stderr each change it refused without asking (defined with that check).
extern bool RefusalsToStderr;

class TConsoleUI : public TKobuUI {
 public:
  explicit TConsoleUI(TfrmKobu* form) : form_(form) { RefusalsToStderr = true; }
  void ShowMessage(const std::string& text) override;
  void QuickPrint(const std::string& text) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  TErrorChoice ShowErrorDialog(const std::string& errorLog, bool debugMode) override;
  void CloseMainWindow() override;

  // Each dialog prompts on stderr and reads its answer as a line of stdin.
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
  void ShowLine(const std::string& text) override;
  // The terminal prints into a PDF file it asks for.
  TDialogAnswer ChoosePrinter() override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

  int ExitCode() const { return exitCode_; }

 private:
  TfrmKobu* form_;
  size_t logShown_ = 0;  // bytes of the error log already written
  int exitCode_ = 0;
};

// Script text to terminal text: UTF-8, every line end (CR LF, CR or LF) one newline.
std::string TerminalText(const std::string& sjis);

}  // namespace kobu
