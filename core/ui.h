// The one door from the interpreter to the user. The host implements it twice:
// with Qt windows and for the terminal (console mode); tests use their own.
#pragma once
#include <string>

namespace kobu {

enum TErrorChoice { ecContinue, ecDebug, ecStop };

class TKobuUI {
 public:
  virtual ~TKobuUI() = default;
  // The message dialog of 言う: the whole text, modal.
  virtual void ShowMessage(const std::string& text) = 0;
  // A quick print ("?" followed by a literal): a plain message box.
  virtual void QuickPrint(const std::string& text) = 0;
  // A plain message box with a caption (start-up failures, last-resort reports).
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
  // The error dialog over the whole error log.
  virtual TErrorChoice ShowErrorDialog(const std::string& errorLog, bool debugMode) = 0;
  // Asks the main window to close; the host runs the termination step.
  virtual void CloseMainWindow() = 0;
  // Lets pending window messages run (commands that wait call this).
  virtual void ProcessMessages() {}
};

}  // namespace kobu
