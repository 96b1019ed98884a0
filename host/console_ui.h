// The terminal as the user: messages on stdout, errors on stderr.
#pragma once
#include <string>

#include "core/ui.h"

namespace kobu {

class TfrmKobu;

class TConsoleUI : public TKobuUI {
 public:
  explicit TConsoleUI(TfrmKobu* form) : form_(form) {}
  void ShowMessage(const std::string& text) override;
  void QuickPrint(const std::string& text) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  TErrorChoice ShowErrorDialog(const std::string& errorLog, bool debugMode) override;
  void CloseMainWindow() override;

  int ExitCode() const { return exitCode_; }

 private:
  TfrmKobu* form_;
  size_t logShown_ = 0;  // bytes of the error log already written
  int exitCode_ = 0;
};

// Script text to terminal text: UTF-8, every line end (CR LF, CR or LF) one newline.
std::string TerminalText(const std::string& sjis);

}  // namespace kobu
