// The one door from the interpreter to the user. The host implements it twice:
// with Qt windows and for the terminal (console mode); tests use their own.
// All texts are script text (CP932).
#pragma once
#include <string>
#include <vector>

namespace kobu {

enum TErrorChoice { ecContinue, ecDebug, ecStop };

// The answer of a dialog: accepted with its text, or cancelled.
struct TDialogAnswer {
  bool accepted = false;
  std::string text;
};

// The answer of a yes/no question.
enum TYesNo { ynNo = 0, ynYes = 1, ynCancel = 2 };

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

  // The dialogs of the dialog commands. `imeMode` is ダイアログIMEの状態 (0 off,
  // 1 on, 2 hiragana, 3 katakana, 4 half-width katakana).
  // 尋ねる: a one-line text.
  virtual TDialogAnswer AskText(const std::string& prompt, const std::string& initial, int imeMode) = 0;
  // 二択 and 三択.
  virtual TYesNo AskYesNo(const std::string& question, bool withCancel) = 0;
  // どれか尋ねる (editable result field) and リストから選択 (read-only).
  virtual TDialogAnswer ChooseFromList(const std::string& prompt, const std::vector<std::string>& items,
                                       const std::string& initial, bool editable, int imeMode) = 0;
  // ボタンで選択: the answer is the caption of the pressed button.
  virtual TDialogAnswer ChooseButton(const std::string& prompt, const std::vector<std::string>& choices) = 0;
  // メモ記入: the edited text.
  virtual TDialogAnswer EditMemo(const std::string& text, int imeMode) = 0;
  // 色選択: the colour as red + green*256 + blue*65536, in decimal.
  virtual TDialogAnswer ChooseColour() = 0;
  // フォント選択: name, then "|" styles (太字 傾斜 下線), then "|" size.
  virtual TDialogAnswer ChooseFont() = 0;
  // 読込ファイル選択: one full name, or several one per line. `filter` is in
  // the "text|pattern|text|pattern" form.
  virtual TDialogAnswer ChooseOpenFiles(const std::string& filter, const std::string& initialName) = 0;
  // 書込ファイル選択: asks before overwriting.
  virtual TDialogAnswer ChooseSaveFile(const std::string& filter, const std::string& initialName,
                                       const std::string& defaultExtension) = 0;
  // フォルダ選択: the chosen folder (the command adds the final "/").
  virtual TDialogAnswer ChooseFolder() = 0;

  // One text line that 表示 wrote onto the main window (the terminal echoes it).
  virtual void ShowLine(const std::string& text) { (void)text; }
  // Where the print commands print: accepted with a PDF file name (the
  // terminal's answer), or accepted with an empty text for the printer the
  // print dialog set up. Cancelled: nothing is printed.
  virtual TDialogAnswer ChoosePrinter() { return {}; }

  // The clipboard's text, and replacing it.
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
};

}  // namespace kobu
