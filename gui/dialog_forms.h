// The dialog windows the runtime creates at start-up. They stay hidden until
// a command shows them; each command family gives its dialog its contents.
#pragma once
#include <QDialog>
#include <memory>

namespace kobu {

class TfrmSelectDialog : public QDialog { public: explicit TfrmSelectDialog(QWidget* owner); };
class TfrmMemoDialog : public QDialog { public: explicit TfrmMemoDialog(QWidget* owner); };
class TfrmDebug : public QDialog { public: explicit TfrmDebug(QWidget* owner); };
class TfrmProg : public QDialog { public: explicit TfrmProg(QWidget* owner); };
class TfrmSelectButton : public QDialog { public: explicit TfrmSelectButton(QWidget* owner); };
class TfrmError : public QDialog { public: explicit TfrmError(QWidget* owner); };
class TfrmInputBox : public QDialog { public: explicit TfrmInputBox(QWidget* owner); };
class TfrmMsgBox : public QDialog { public: explicit TfrmMsgBox(QWidget* owner); };

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
