#include "gui/dialog_forms.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <algorithm>
#include <cmath>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Script text as a widget shows it: UTF-8, one "\n" per line end.
QString W(const std::string& sjis) {
  QString s = QString::fromStdString(Cp932ToUtf8(sjis));
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

// Widget text back to script text; line ends become CR LF.
std::string S(const QString& text) {
  QString s = text;
  s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return Utf8ToCp932(s.toStdString());
}

// A field left as it was shown answers with the script's own bytes, so
// characters with more than one CP932 code come back unchanged.
std::string Answer(const QString& shown, const std::string& original) {
  return shown == W(original) ? original : S(shown);
}

QSize ButtonSize(QPushButton* b) {
  QSize hint = b->sizeHint();
  return QSize(std::max(kButtonWidth, hint.width()), std::max(kButtonHeight, hint.height()));
}

// Buttons side by side, 8 pixels apart, centred in `clientWidth` at `top`;
// returns their bottom.
int CentreButtons(const std::vector<QPushButton*>& buttons, int clientWidth, int top) {
  int total = 0, height = 0;
  for (QPushButton* b : buttons) {
    if (b->isHidden()) continue;
    QSize s = ButtonSize(b);
    total += (total ? 8 : 0) + s.width();
    height = std::max(height, s.height());
  }
  int left = (clientWidth - total) / 2;
  for (QPushButton* b : buttons) {
    if (b->isHidden()) continue;
    QSize s = ButtonSize(b);
    b->setGeometry(left, top, s.width(), height);
    left += s.width() + 8;
  }
  return top + height;
}

QLabel* NewLabel(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QLatin1String(name));
  l->setTextFormat(Qt::PlainText);  // script text is never markup
  return l;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* captionUtf8) {
  auto* b = new QPushButton(U(captionUtf8), parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

int ScreenHeight(const QWidget* w) {
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 768;
}

// Long messages: the first 4095 bytes, never half a character, then "...".
std::string CutLongText(const std::string& text) {
  constexpr size_t kLimit = 4095;
  if (text.size() <= kLimit) return text;
  size_t i = 0;
  while (i < text.size()) {
    size_t n = CharLenAt(text, i);
    if (i + n > kLimit) break;
    i += n;
  }
  return text.substr(0, i) + "...";
}

// Tabs padded to the next multiple of `tabCount` columns; a double-byte
// character takes two columns.
std::string ExpandTabs(const std::string& text, int tabCount) {
  const size_t tab = static_cast<size_t>(tabCount);
  std::string out;
  size_t column = 0;
  for (size_t i = 0; i < text.size();) {
    size_t n = CharLenAt(text, i);
    char c = text[i];
    if (c == '\t') {
      size_t pad = tab - column % tab;
      out.append(pad, ' ');
      column += pad;
    } else {
      out.append(text, i, n);
      column = (c == '\r' || c == '\n') ? 0 : column + n;
    }
    i += n;
  }
  return out;
}

std::vector<std::string> SplitBars(const std::string& text) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size();) {
    size_t n = CharLenAt(text, i);
    if (n == 1 && text[i] == '|') parts.emplace_back();
    else parts.back().append(text, i, n);
    i += n;
  }
  return parts;
}

}  // namespace

void ApplyImeMode(QWidget* field, int imeMode) {
  bool on = imeMode >= 1 && imeMode <= 4;
  field->setAttribute(Qt::WA_InputMethodEnabled, on);
  if (on) field->setInputMethodHints(Qt::ImhNone);
}

QString QtFileFilter(const std::string& filter) {
  if (filter.empty()) return QString();
  std::vector<std::string> parts = SplitBars(filter);
  QStringList entries;
  for (size_t i = 0; i < parts.size(); i += 2) {
    QString text = W(parts[i]);
    QString pattern = i + 1 < parts.size() ? W(parts[i + 1]) : text;
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    // Texts that already name their pattern, as "全て(*.*)", are kept as they are.
    QString named = QLatin1Char('(') + pattern + QLatin1Char(')');
    entries << (text.endsWith(named) ? text : text + QLatin1Char(' ') + named);
  }
  return entries.join(QLatin1String(";;"));
}

// ---- TKobuForm ----

TKobuForm::TKobuForm(QWidget* owner, const char* captionUtf8) : QDialog(owner) {
  setModal(true);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  if (captionUtf8) setWindowTitle(U(captionUtf8));
  hide();
}

void TKobuForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  QWidget* owner = parentWidget();
  QRect area;
  if (CentreOverOwner && owner && owner->isVisible()) area = owner->frameGeometry();
  else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) area = s->availableGeometry();
  else return;
  move(area.center() - QPoint(width() / 2, height() / 2));
}

void TKobuForm::SetClientSize(int width, int height) { setFixedSize(width, height); }

// ---- TfrmInputBox ----

TfrmInputBox::TfrmInputBox(QWidget* owner) : TKobuForm(owner, "尋ねる") {
  lblMsg = NewLabel(this, "lblMsg");
  lblMsg->move(8, 8);
  edtInput = new QLineEdit(this);
  edtInput->setObjectName(QLatin1String("edtInput"));
  pnlButtons = new QWidget(this);
  pnlButtons->setObjectName(QLatin1String("pnlButtons"));
  btnOk = NewButton(pnlButtons, "btnOk", "&OK");
  btnCancel = NewButton(pnlButtons, "btnCancel", "キャンセル(&C)");
  btnOk->setDefault(true);  // Enter in the edit answers OK; Escape cancels
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TDialogAnswer TfrmInputBox::Ask(const std::string& prompt, const std::string& initial, const QFont& font,
                                int imeMode) {
  setWindowTitle(QApplication::applicationDisplayName());
  lblMsg->setFont(font);
  lblMsg->setText(W(prompt));
  lblMsg->adjustSize();
  edtInput->setFont(font);
  edtInput->setText(W(initial));
  edtInput->selectAll();
  ApplyImeMode(edtInput, imeMode);

  const int margin = lblMsg->y();
  int clientWidth = std::max(300, lblMsg->width() + 2 * lblMsg->x());
  edtInput->setGeometry(lblMsg->x(), lblMsg->geometry().bottom() + 1 + margin, clientWidth - 2 * lblMsg->x(),
                        edtInput->sizeHint().height());
  QSize b = ButtonSize(btnOk).expandedTo(ButtonSize(btnCancel));
  btnOk->setGeometry(0, 0, b.width(), b.height());
  btnCancel->setGeometry(b.width() + 8, 0, b.width(), b.height());
  pnlButtons->setGeometry((clientWidth - (2 * b.width() + 8)) / 2, edtInput->geometry().bottom() + 1 + margin,
                          2 * b.width() + 8, b.height());
  SetClientSize(clientWidth, pnlButtons->geometry().bottom() + 1 + margin);
  edtInput->setFocus();

  TDialogAnswer a;
  if (exec() == QDialog::Accepted) {
    a.accepted = true;
    a.text = Answer(edtInput->text(), initial);
  }
  return a;
}

// ---- TfrmMsgBox ----

TfrmMsgBox::TfrmMsgBox(QWidget* owner) : TKobuForm(owner, "メッセージ") {
  lblMsg = NewLabel(this, "lblMsg");
  lblMsg->move(12, 12);
  btnOk = NewButton(this, "btnOk", "&OK");
  btnOk->setDefault(true);  // Enter closes, and so does Escape
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmMsgBox::Say(const std::string& text, const QFont& font, int tabCount) {
  setWindowTitle(QApplication::applicationDisplayName());
  lblMsg->setFont(font);
  std::string shown = ExpandTabs(CutLongText(text), tabCount > 0 ? tabCount : 8);

  // Lines that would run off the screen are left out.
  const int screenLimit = ScreenHeight(this) * 7 / 10;
  const int lineHeight = static_cast<int>(std::lround(1.2 * QFontMetrics(font).height()));
  std::vector<std::string> lines = SplitLines(shown);
  if (lineHeight > 0 && static_cast<long long>(lines.size()) * lineHeight > screenLimit) {
    size_t fit = static_cast<size_t>(screenLimit / lineHeight);
    shown.clear();
    for (size_t i = 0; i < fit; ++i) shown += lines[i] + "\r\n";
    shown += "...";
  }
  lblMsg->setText(W(shown));
  lblMsg->adjustSize();

  const int margin = lblMsg->x();
  int clientWidth = std::max(100, lblMsg->width() + 2 * margin);
  QSize b = ButtonSize(btnOk);
  int top = std::min(lblMsg->geometry().bottom() + 1 + margin, screenLimit);
  btnOk->setGeometry((clientWidth - b.width()) / 2, top, b.width(), b.height());
  SetClientSize(clientWidth, top + b.height() + margin);
  btnOk->setFocus();
  exec();
}

// ---- TfrmSelectDialog ----

TfrmSelectDialog::TfrmSelectDialog(QWidget* owner) : TKobuForm(owner, "選択") {
  Label1 = NewLabel(this, "Label1");
  Label1->move(8, 8);
  ListBox = new QListWidget(this);
  ListBox->setObjectName(QLatin1String("ListBox"));
  ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox->installEventFilter(this);
  EditResult = new QLineEdit(this);
  EditResult->setObjectName(QLatin1String("EditResult"));
  btnOk = NewButton(this, "btnOk", "&OK");
  btnCancel = NewButton(this, "btnCancel", "キャンセル(&C)");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ListBox, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { ListBoxClick(item); });
  connect(ListBox, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { ListBoxDblClick(item); });
  // A selection made from the keyboard counts as a click on the item.
  connect(ListBox, &QListWidget::itemSelectionChanged, this, [this] {
    if (filling_) return;
    QList<QListWidgetItem*> selected = ListBox->selectedItems();
    if (!selected.isEmpty()) ListBoxClick(selected.first());
  });
}

void TfrmSelectDialog::ListBoxClick(QListWidgetItem* item) {
  int row = ListBox->row(item);
  if (row < 0 || static_cast<size_t>(row) >= items_.size()) return;
  copied_ = items_[row];
  EditResult->setText(item->text());
}

void TfrmSelectDialog::ListBoxDblClick(QListWidgetItem* item) {
  ListBoxClick(item);
  accept();
}

bool TfrmSelectDialog::ListBoxKeyPress(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  QString typed = event->text();
  if (typed.isEmpty() || typed.at(0) < QLatin1Char(' ') || typed.at(0) == QChar(0x7F)) return false;
  std::string bytes = Utf8ToCp932(typed.toStdString());
  if (bytes.empty()) return false;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (!items_[i].empty() && items_[i][0] == bytes[0]) {
      ListBox->setCurrentRow(static_cast<int>(i));
      return true;
    }
  }
  ListBox->clearSelection();
  ListBox->setCurrentItem(nullptr);
  return true;
}

bool TfrmSelectDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox && event->type() == QEvent::KeyPress && ListBoxKeyPress(static_cast<QKeyEvent*>(event)))
    return true;
  return TKobuForm::eventFilter(watched, event);
}

TDialogAnswer TfrmSelectDialog::Choose(const std::string& prompt, const std::vector<std::string>& items,
                                       const std::string& initial, bool editable, const QFont& font, int imeMode) {
  setWindowTitle(QApplication::applicationDisplayName());
  Label1->setFont(font);
  Label1->setText(W(prompt));
  Label1->adjustSize();
  filling_ = true;
  ListBox->clear();
  ListBox->setFont(font);
  for (const std::string& item : items) ListBox->addItem(W(item));
  filling_ = false;
  items_ = items;
  copied_.clear();
  EditResult->setFont(font);
  EditResult->setText(W(initial));
  EditResult->setReadOnly(!editable);
  if (editable) ApplyImeMode(EditResult, imeMode);

  const int margin = Label1->x();
  int clientWidth = std::max(280, Label1->width() + 2 * margin);
  int inner = clientWidth - 2 * margin;
  ListBox->setGeometry(margin, Label1->geometry().bottom() + 1 + margin, inner, 160);
  EditResult->setGeometry(margin, ListBox->geometry().bottom() + 1 + margin, inner, EditResult->sizeHint().height());
  int bottom = CentreButtons({btnOk, btnCancel}, clientWidth, EditResult->geometry().bottom() + 1 + margin);
  SetClientSize(clientWidth, bottom + margin);
  ListBox->setFocus();

  TDialogAnswer a;
  if (exec() == QDialog::Accepted) {
    a.accepted = true;
    QString shown = EditResult->text();
    a.text = (!copied_.empty() && shown == W(copied_)) ? copied_ : Answer(shown, initial);
  }
  return a;
}

// ---- TfrmSelectButton ----

TfrmSelectButton::TfrmSelectButton(QWidget* owner) : TKobuForm(owner, nullptr) {
  Label1 = NewLabel(this, "Label1");
  Label1->move(8, 8);
}

void TfrmSelectButton::btnChoiceClick(size_t index) {
  pressed_ = index;
  accept();
}

TDialogAnswer TfrmSelectButton::Choose(const std::string& prompt, const std::vector<std::string>& choices,
                                       const QFont& font, int mainWidth) {
  setWindowTitle(QApplication::applicationDisplayName());
  for (QPushButton* b : Buttons) delete b;
  Buttons.clear();
  choices_ = choices;
  Label1->setFont(font);
  Label1->setText(W(prompt));
  Label1->adjustSize();

  QFontMetrics fm(this->font());
  const int z = fm.height();
  const int buttonHeight = static_cast<int>(std::lround(2 * z * 0.8));
  int widest = 30;
  for (const std::string& c : choices) widest = std::max(widest, fm.horizontalAdvance(W(c)));
  const int buttonWidth = static_cast<int>(1.3 * widest);
  const int count = static_cast<int>(choices.size());
  const int top = Label1->geometry().bottom() + 1 + 8;

  bool row = 0.8 * mainWidth > 1.1 * count * buttonWidth;
  int clientWidth, clientHeight;
  if (row) {
    clientWidth = count == 1 ? buttonWidth + 16 : static_cast<int>(std::lround(1.1 * count * buttonWidth + 16));
    clientHeight = top + buttonHeight + 8;
  } else {
    clientWidth = buttonWidth + 16;
    clientHeight = top + (count - 1) * 2 * z + buttonHeight + 8;
  }
  clientWidth = std::max(clientWidth, Label1->width() + 16);
  for (int i = 0; i < count; ++i) {
    QString caption = W(choices[i]);
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));  // shown as written, no accelerator
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("btnChoice%1").arg(i + 1));
    b->setAutoDefault(false);
    if (row)
      b->setGeometry(static_cast<int>(std::lround(1.1 * i * buttonWidth + 8)), top, buttonWidth, buttonHeight);
    else
      b->setGeometry((clientWidth - buttonWidth) / 2, top + i * 2 * z, buttonWidth, buttonHeight);
    connect(b, &QPushButton::clicked, this, [this, i] { btnChoiceClick(static_cast<size_t>(i)); });
    b->show();
    Buttons.push_back(b);
  }
  SetClientSize(clientWidth, clientHeight);
  if (!Buttons.empty()) Buttons.front()->setFocus();

  TDialogAnswer a;
  if (exec() == QDialog::Accepted && pressed_ < choices_.size()) {
    a.accepted = true;
    a.text = choices_[pressed_];
  }
  return a;
}

// ---- TfrmMemoDialog ----

namespace {
const char* kMemoFilter = "*.txt|*.txt|すべてのファイル|*.*";
}

TfrmMemoDialog::TfrmMemoDialog(QWidget* owner) : TKobuForm(owner, "メモ帳") {
  const int width = 412, height = 323;
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName(QLatin1String("Memo"));
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName(QLatin1String("PopupMenu"));
  connect(PopupMenu->addAction(U("元に戻す")), &QAction::triggered, Memo, &QPlainTextEdit::undo);
  connect(PopupMenu->addAction(U("コピー")), &QAction::triggered, Memo, &QPlainTextEdit::copy);
  connect(PopupMenu->addAction(U("貼付け")), &QAction::triggered, Memo, &QPlainTextEdit::paste);
  connect(PopupMenu->addAction(U("切り取り")), &QAction::triggered, Memo, &QPlainTextEdit::cut);
  connect(PopupMenu->addAction(U("全て選択")), &QAction::triggered, Memo, &QPlainTextEdit::selectAll);
  connect(Memo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu->exec(Memo->mapToGlobal(pos)); });

  btnLoad = NewButton(this, "btnLoad", "読込");
  btnSave = NewButton(this, "btnSave", "保存");
  btnOk = NewButton(this, "btnOk", "&OK");
  btnCancel = NewButton(this, "btnCancel", "キャンセル(&C)");
  for (QPushButton* b : {btnLoad, btnSave, btnOk, btnCancel}) b->setAutoDefault(false);
  connect(btnLoad, &QPushButton::clicked, this, [this] { btnLoadClick(); });
  connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  const int top = height - 8 - kButtonHeight;
  Memo->setGeometry(0, 0, width, top - 8);
  btnLoad->setGeometry(8, top, kButtonWidth, kButtonHeight);
  btnSave->setGeometry(16 + kButtonWidth, top, kButtonWidth, kButtonHeight);
  btnOk->setGeometry(width - 16 - 2 * kButtonWidth, top, kButtonWidth, kButtonHeight);
  btnCancel->setGeometry(width - 8 - kButtonWidth, top, kButtonWidth, kButtonHeight);
  SetClientSize(width, height);
}

void TfrmMemoDialog::btnLoadClick() {
  QString path =
      QFileDialog::getOpenFileName(this, QString(), QDir::currentPath(), QtFileFilter(Utf8ToCp932(kMemoFilter)));
  if (path.isEmpty()) return;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    QMessageBox::warning(this, windowTitle(), U("「%1」が読込めません。").arg(path));
    return;
  }
  QByteArray bytes = f.readAll();
  std::string raw(bytes.constData(), static_cast<size_t>(bytes.size()));
  // Text files are Shift-JIS unless they are plainly UTF-8.
  QString text;
  if (LooksLikeUtf8(raw) || raw.rfind("\xEF\xBB\xBF", 0) == 0) {
    text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  } else {
    text = W(raw);
  }
  Memo->setPlainText(text);
}

void TfrmMemoDialog::btnSaveClick() {
  QFileDialog dlg(this, QString(), QDir::currentPath(), QtFileFilter(Utf8ToCp932(kMemoFilter)));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDefaultSuffix(QStringLiteral("txt"));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
  QString path = dlg.selectedFiles().first();
  std::string bytes = S(Memo->toPlainText());
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
    QMessageBox::warning(this, windowTitle(), U("「%1」に書き込めません。").arg(path));
}

TDialogAnswer TfrmMemoDialog::Edit(const std::string& text, const QFont& font, int imeMode) {
  Memo->setFont(font);
  Memo->setPlainText(W(text));
  ApplyImeMode(Memo, imeMode);
  Memo->moveCursor(QTextCursor::Start);
  Memo->setFocus();
  TDialogAnswer a;
  if (exec() == QDialog::Accepted) {
    a.accepted = true;
    a.text = Answer(Memo->toPlainText(), text);
  } else {
    Memo->clear();
  }
  return a;
}

// ---- TfrmError ----

TfrmError::TfrmError(QWidget* owner) : TKobuForm(owner, "実行中にエラーが発生しました。") {
  CentreOverOwner = true;
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName(QLatin1String("Memo"));
  Memo->setReadOnly(true);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  btnContinue = NewButton(this, "btnContinue", "実行を続ける(&O)");
  btnDebug = NewButton(this, "btnDebug", "デバッグする(&D)");
  btnStop = NewButton(this, "btnStop", "終了(&C)");
  connect(btnContinue, &QPushButton::clicked, this, [this] {
    choice_ = ecContinue;
    accept();
  });
  connect(btnDebug, &QPushButton::clicked, this, [this] {
    choice_ = ecDebug;
    accept();
  });
  // 終了 and closing the window are the same answer.
  connect(btnStop, &QPushButton::clicked, this, &QDialog::reject);
}

TErrorChoice TfrmError::Ask(const std::string& errorLog, bool debugMode) {
  const int width = 520, height = 300;
  choice_ = ecStop;
  Memo->setPlainText(W(errorLog));
  Memo->moveCursor(QTextCursor::End);  // the newest error is the one to read
  Memo->ensureCursorVisible();
  btnDebug->setVisible(debugMode);
  const int top = height - 8 - kButtonHeight;
  Memo->setGeometry(8, 8, width - 16, top - 16);
  CentreButtons({btnContinue, btnDebug, btnStop}, width, top);
  SetClientSize(width, height);
  btnContinue->setFocus();
  exec();
  return choice_;
}

// ---- TfrmProg ----

TfrmProg::TfrmProg(QWidget* owner) : TKobuForm(owner, "進行度表示") {
  const int width = 320;
  lblMsg = NewLabel(this, "lblMsg");
  lblMsg->setGeometry(8, 8, width - 16, QFontMetrics(lblMsg->font()).height() + 2);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QLatin1String("ProgressBar"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setGeometry(8, lblMsg->geometry().bottom() + 1 + 8, width - 16, 18);
  btnStop = NewButton(this, "btnStop", "中止");
  btnStop->setEnabled(false);
  btnStop->setAutoDefault(false);
  connect(btnStop, &QPushButton::clicked, this, [this] { btnStopClick(); });
  int bottom = CentreButtons({btnStop}, width, ProgressBar->geometry().bottom() + 1 + 8);
  SetClientSize(width, bottom + 8);
}

void TfrmProg::ShowProgress(const std::string& message) {
  SetMessage(message);
  SetPosition(0);
  show();
  raise();
}

void TfrmProg::SetPosition(int percent) { ProgressBar->setValue(std::clamp(percent, 0, 100)); }

void TfrmProg::SetMessage(const std::string& message) { lblMsg->setText(W(message)); }

void TfrmProg::EnableStop(std::function<void()> onStop) {
  onStop_ = std::move(onStop);
  btnStop->setEnabled(static_cast<bool>(onStop_));
}

void TfrmProg::HideProgress() { hide(); }

void TfrmProg::btnStopClick() {
  std::function<void()> handler = onStop_;  // the handler may replace itself
  if (handler) handler();
}

// ---- the rest ----

TfrmDebug::TfrmDebug(QWidget* owner) : TKobuForm(owner, "デバッグダイアログ") {}

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
