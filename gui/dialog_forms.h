// The dialog windows the runtime creates at start-up. They stay hidden until
// a command shows them; each is set up, shown modally and read afterwards.
// Texts going in and coming out are script text (CP932); the forms convert
// at their widgets.
#pragma once
#include <QDialog>
#include <QFont>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ui.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace kobu {

// Fixed-border modal windows, centred on the screen (or over their owner)
// each time they are shown.
class TKobuForm : public QDialog {
 protected:
  TKobuForm(QWidget* owner, const char* captionUtf8);
  void showEvent(QShowEvent* event) override;
  // Fixes the client size; the window cannot be resized by the user.
  void SetClientSize(int width, int height);
  bool CentreOverOwner = false;
};

class TfrmSelectDialog : public TKobuForm {
 public:
  explicit TfrmSelectDialog(QWidget* owner);
  // どれか尋ねる (editable) and リストから選択 (read-only result field).
  TDialogAnswer Choose(const std::string& prompt, const std::vector<std::string>& items, const std::string& initial,
                       bool editable, const QFont& font, int imeMode);

  QLabel* Label1;
  QListWidget* ListBox;
  QLineEdit* EditResult;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ListBoxClick(QListWidgetItem* item);
  void ListBoxDblClick(QListWidgetItem* item);
  // Typing a character selects the first item beginning with that byte.
  bool ListBoxKeyPress(class QKeyEvent* event);
  std::vector<std::string> items_;
  std::string copied_;  // the item last copied, as the script gave it
  bool filling_ = false;
};

class TfrmMemoDialog : public TKobuForm {
 public:
  explicit TfrmMemoDialog(QWidget* owner);
  TDialogAnswer Edit(const std::string& text, const QFont& font, int imeMode);

  QPlainTextEdit* Memo;
  QMenu* PopupMenu;
  QPushButton* btnLoad;
  QPushButton* btnSave;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 private:
  void btnLoadClick();
  void btnSaveClick();
};

class TfrmDebug : public TKobuForm {
 public:
  explicit TfrmDebug(QWidget* owner);
};

// Shown without blocking while a transfer runs.
class TfrmProg : public TKobuForm {
 public:
  explicit TfrmProg(QWidget* owner);
  void ShowProgress(const std::string& message);
  void SetPosition(int percent);
  void SetMessage(const std::string& message);
  // The stop button works only with a handler; an empty one disables it.
  void EnableStop(std::function<void()> onStop);
  void HideProgress();

  QProgressBar* ProgressBar;
  QLabel* lblMsg;
  QPushButton* btnStop;

 private:
  void btnStopClick();
  std::function<void()> onStop_;
};

class TfrmSelectButton : public TKobuForm {
 public:
  explicit TfrmSelectButton(QWidget* owner);
  // One button per choice (at most 20), laid out against the main window's width.
  TDialogAnswer Choose(const std::string& prompt, const std::vector<std::string>& choices, const QFont& font,
                       int mainWidth);

  QLabel* Label1;
  std::vector<QPushButton*> Buttons;

 private:
  void btnChoiceClick(size_t index);
  std::vector<std::string> choices_;
  size_t pressed_ = 0;
};

class TfrmError : public TKobuForm {
 public:
  explicit TfrmError(QWidget* owner);
  TErrorChoice Ask(const std::string& errorLog, bool debugMode);

  QPlainTextEdit* Memo;
  QPushButton* btnContinue;
  QPushButton* btnDebug;
  QPushButton* btnStop;

 private:
  TErrorChoice choice_ = ecStop;
};

class TfrmInputBox : public TKobuForm {
 public:
  explicit TfrmInputBox(QWidget* owner);
  TDialogAnswer Ask(const std::string& prompt, const std::string& initial, const QFont& font, int imeMode);

  QLabel* lblMsg;
  QLineEdit* edtInput;
  QWidget* pnlButtons;
  QPushButton* btnOk;
  QPushButton* btnCancel;
};

class TfrmMsgBox : public TKobuForm {
 public:
  explicit TfrmMsgBox(QWidget* owner);
  // The message of 言う: long texts are cut, tabs expanded, and the lines
  // limited to what fits the screen.
  void Say(const std::string& text, const QFont& font, int tabCount);

  QLabel* lblMsg;
  QPushButton* btnOk;
};

// Input methods: Qt knows no kana modes, so 0 (or an unknown mode) turns
// them off for the field and 1 to 4 turn them on.
void ApplyImeMode(QWidget* field, int imeMode);

// A dialog filter "text|pattern|text|pattern" in Qt's "text (pattern);;..." form.
QString QtFileFilter(const std::string& filter);

// The eight dialogs, created in this order.
struct TDialogs {
  explicit TDialogs(QWidget* owner);
  std::unique_ptr<TfrmSelectDialog> SelectDialog;
  std::unique_ptr<TfrmMemoDialog> MemoDialog;
  std::unique_ptr<TfrmDebug> Debug;
  std::unique_ptr<TfrmProg> Prog;
  std::unique_ptr<TfrmSelectButton> SelectButton;
  std::unique_ptr<TfrmError> Error;
  std::unique_ptr<TfrmInputBox> InputBox;
  std::unique_ptr<TfrmMsgBox> MsgBox;
};

}  // namespace kobu
