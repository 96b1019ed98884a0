#include "gui/dialog_forms.h"

namespace kobu {

namespace {
// Dialogs are fixed-border modal windows.
void Prepare(QDialog* d, const char* captionUtf8) {
  d->setModal(true);
  d->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
  if (captionUtf8) d->setWindowTitle(QString::fromUtf8(captionUtf8));
  d->hide();
}
}  // namespace

TfrmSelectDialog::TfrmSelectDialog(QWidget* owner) : QDialog(owner) { Prepare(this, "選択"); }
TfrmMemoDialog::TfrmMemoDialog(QWidget* owner) : QDialog(owner) { Prepare(this, "メモ帳"); }
TfrmDebug::TfrmDebug(QWidget* owner) : QDialog(owner) { Prepare(this, "デバッグダイアログ"); }
TfrmProg::TfrmProg(QWidget* owner) : QDialog(owner) { Prepare(this, "進行度表示"); }
TfrmSelectButton::TfrmSelectButton(QWidget* owner) : QDialog(owner) { Prepare(this, nullptr); }
TfrmError::TfrmError(QWidget* owner) : QDialog(owner) { Prepare(this, "実行中にエラーが発生しました。"); }
TfrmInputBox::TfrmInputBox(QWidget* owner) : QDialog(owner) { Prepare(this, "尋ねる"); }
TfrmMsgBox::TfrmMsgBox(QWidget* owner) : QDialog(owner) { Prepare(this, "メッセージ"); }

TDialogs::TDialogs(QWidget* owner)
    : SelectDialog(std::make_unique<TfrmSelectDialog>(owner)),
      MemoDialog(std::make_unique<TfrmMemoDialog>(owner)),
      Debug(std::make_unique<TfrmDebug>(owner)),
      Prog(std::make_unique<TfrmProg>(owner)),
      SelectButton(std::make_unique<TfrmSelectButton>(owner)),
      Error(std::make_unique<TfrmError>(owner)),
      InputBox(std::make_unique<TfrmInputBox>(owner)),
      MsgBox(std::make_unique<TfrmMsgBox>(owner)) {}

}  // namespace kobu
