// Object properties: the named settings scripts read and write on GUI objects
// (position, text, items, colours, fonts, switches and the labels events run),
// and an object word read or assigned as a whole.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QBuffer>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <cmath>
#include <unordered_map>

#include "commands/args.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kbhash.h"
#include "core/properties.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "gui/gui_objects.h"
#include "gui/image_loader.h"
#include "host/filemix.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "system/file_commands.h"

namespace kobu {

namespace {

// Sizes and positions travel to X11 as 16-bit numbers.
constexpr long double kMaxSide = 32767;
constexpr long double kMinPosition = -32768, kMaxPosition = 32767;
constexpr int kMinPoints = 1, kMaxPoints = 1000;
// A native window per widget (what winId() makes) changes how Qt paints and
// moves it, so scripts get a stable non-zero number per object instead: the
// object number above this base.
constexpr int kHandleBase = 0x10000;

// What the widgets cannot hold themselves, kept beside them.
constexpr const char* kImeMode = "kobuIme";        // 0 off ... 4 half-width katakana
constexpr const char* kBorderStyle = "kobuBorder";  // 0 none, 1 fixed, 2 sizeable, 3 dialog
constexpr const char* kSorted = "kobuSorted";       // a combo keeps its items sorted

// The slot that "イベント" also sets, by kind; -1 where it sets only its own.
constexpr int kDefaultSlot[okKindCount] = {
    esClick,  esChange, esMouseDown, esChange, esClick, esClick, -1,      esMouseDown,
    -1,       esClick,  esClick,     esChange, esClick, esClick, esClick, esClick,
    esChange, esClick,  -1,          esChange, esClick, esChange,
};

// The type mark a reading leaves: "e", "s", or the mark left as it was.
enum TMark { mkKeep, mkNumber, mkText };
TMark ReadMark(int prop) {
  switch (prop) {
    case ppX: case ppY: case ppWidth: case ppHeight: case ppW: case ppH: case ppValue: case ppSelStart:
    case ppSelLength: case ppColumn: case ppRow: case ppHandle: case ppBackColour: case ppFontSize:
    case ppFontColour: case ppVisible: case ppEnabled: case ppTransparent: case ppStretch: case ppMax: case ppMin:
    case ppEditable: case ppIme: case ppResizable: case ppStyle: case ppRepeatCount:
      return mkNumber;
    case ppText: case ppTitle: case ppItems: case ppPicture: case ppAddPicture: case ppSelectedText: case ppUrl:
    case ppFontFace: case ppOrientation: case ppScrollBars: case ppShortcut: case ppSound:
      return mkText;
    default:
      return mkKeep;
  }
}

// The event slot a property writes; -1 for the other properties.
int EventSlotOf(int prop) {
  switch (prop) {
    case ppEvent: return esEvent;
    case ppOnClick: return esClick;
    case ppOnDoubleClick: return esDoubleClick;
    case ppOnMouseDown: return esMouseDown;
    case ppOnMouseUp: return esMouseUp;
    case ppOnKeyDown: return esKeyDown;
    case ppOnKeyUp: return esKeyUp;
    case ppOnChange: return esChange;
    case ppOnMouseMove: return esMouseMove;
    case ppOnFileDrop: return esFileDrop;
    default: return -1;
  }
}

bool TakesTextSettings(int kind) {
  switch (kind) {
    case okButton: case okEdit: case okCombo: case okList: case okMemo: case okLabel: case okCheck:
      return true;
    default:
      return false;
  }
}

bool HasBackColour(int kind) {
  switch (kind) {
    case okEdit: case okCombo: case okList: case okMemo: case okForm: case okLabel: case okCheck: case okPanel:
    case okScroll:
      return true;
    default:
      return false;
  }
}

bool IsContainer(int kind) { return kind == okForm || kind == okPanel || kind == okScroll; }

std::string Num(long long v) { return std::to_string(v); }
std::string Flag(bool on) { return on ? "1" : "0"; }

// ---- text as scripts see it

// Multi-line widgets keep "\n"; scripts write and read CR LF.
QString WidgetLines(const std::string& sjis) {
  QString q = ToQt(sjis);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return q;
}

std::string ScriptLines(TKobuBase& base, QString q) {
  q.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  q.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return FromQt(base, q);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i];
  }
  return out;
}

// Bytes one character takes in the script's text: CP932, one "?" for a
// character it cannot hold, and CR LF for a memo's line end.
int CharBytes(char32_t c, bool memo) {
  if (memo && (c == U'\n' || c == 0x2029)) return 2;
  if (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) || c > 0xFFFF) return 1;
  static std::unordered_map<char32_t, int> known;
  auto it = known.find(c);
  if (it != known.end()) return it->second;
  int n = static_cast<int>(Utf8ToCp932(QString(QChar(static_cast<char16_t>(c))).toStdString()).size());
  if (n < 1) n = 1;
  known.emplace(c, n);
  return n;
}

// One character of a widget text at i: its code point and its UTF-16 units.
char32_t CodePointAt(const QString& s, int i, int& units) {
  units = 1;
  if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
    units = 2;
    return QChar::surrogateToUcs4(s.at(i), s.at(i + 1));
  }
  return s.at(i).unicode();
}

// The byte offset in the script's text of a position in the widget's text.
long long BytesBefore(const QString& s, int pos, bool memo) {
  long long bytes = 0;
  int units = 1;
  for (int i = 0; i < pos && i < s.size(); i += units) bytes += CharBytes(CodePointAt(s, i, units), memo);
  return bytes;
}

// The widget position of a byte offset. An offset inside a double-byte
// character goes to its start, or past it with `roundUp`.
int PositionOfBytes(const QString& s, long long offset, bool memo, bool roundUp) {
  long long bytes = 0;
  int i = 0, units = 1;
  while (i < s.size() && bytes < offset) {
    int len = CharBytes(CodePointAt(s, i, units), memo);
    if (bytes + len > offset && !roundUp) break;
    bytes += len;
    i += units;
  }
  return i;
}

// ---- the panel's caption: a frame has none, so a label inside shows it

QLabel* PanelCaption(QFrame* panel, bool create) {
  auto* label = panel->findChild<QLabel*>(QStringLiteral("caption"), Qt::FindDirectChildrenOnly);
  if (label || !create) return label;
  label = new QLabel(panel);
  label->setObjectName(QStringLiteral("caption"));
  label->setAlignment(Qt::AlignCenter);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  // The layout keeps the caption centred as the panel changes size; objects
  // put on the panel are not in it, so they stay where they are placed.
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->addWidget(label);
  label->lower();
  label->show();
  return label;
}

// A label sizes itself to its caption.
void FitLabel(QLabel* label) {
  QSize s = QFontMetrics(label->font()).size(0, label->text()) + QSize(2, 2);
  label->resize(std::min(s.width(), 32767), std::min(s.height(), 32767));
}

// The inside of a scroll box grows to hold what stands on it.
void FitScrollInside(QWidget* w) {
  QWidget* inside = w ? w->parentWidget() : nullptr;
  QWidget* viewport = inside ? inside->parentWidget() : nullptr;
  auto* area = viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
  if (!area || area->widget() != inside) return;
  QRect all = inside->childrenRect();
  inside->resize(std::max(1, all.right() + 1), std::max(1, all.bottom() + 1));
}

// Form borders. Qt has no flag for a fixed border: a fixed window gets a fixed size.
void ApplyBorder(QWidget* w, int style) {
  bool shown = w->isVisible();
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  switch (style) {
    case 0: flags |= Qt::FramelessWindowHint; break;
    case 1: flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                     Qt::WindowCloseButtonHint; break;
    case 3: flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                    Qt::WindowCloseButtonHint; break;
    default: flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                      Qt::WindowCloseButtonHint; break;
  }
  QSize size = w->size();
  w->setWindowFlags(flags);
  if (style == 2) {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->resize(size);
  } else {
    w->setFixedSize(size);
  }
  w->setProperty(kBorderStyle, style);
  if (shown) w->show();
}

int BorderStyle(const QWidget* w) {
  QVariant v = w->property(kBorderStyle);
  return v.isValid() ? v.toInt() : 2;
}

// ---- reading and writing one property of one object

class TPropertyAccess {
 public:
  TPropertyAccess(TGuiObjects& objects, TObjNode& rec, THashNode* word, std::string propertyName)
      : objects_(objects), base_(objects.Base()), rec_(rec), word_(word), w_(TGuiObjects::Widget(rec)),
        property_(std::move(propertyName)),
        objectName_(word ? word->Name : rec.Name) {
    if (!w_) ScriptError(base_, "オブジェクト\"%s\"は、作成されていません。", {objectName_});
  }

  std::string Get(int prop);
  void Set(int prop, const std::string& raw);
  std::string Text();

 private:
  [[noreturn]] void Undefined() {
    ScriptError(base_, "オブジェクト\"%s\"(\"%s\")の設定項目\"%s\"は未定義です。",
                {objectName_, ObjectKindName(rec_.Kind), property_});
  }
  [[noreturn]] void UndefinedShort() { ScriptError(base_, "オブジェクト\"%s\"の設定は、未定義です。", {objectName_}); }
  [[noreturn]] void OutOfRange(const std::string& value) {
    ScriptError(base_, "オブジェクト\"%s\"の%s\"%s\"は、範囲外です。", {objectName_, property_, value});
  }

  int Kind() const { return rec_.Kind; }
  bool IsForm() const { return rec_.Kind == okForm; }
  void StoreWordValue(const std::string& v) {
    if (word_) word_->Value = v;
  }

  // Value forms.
  std::string Evaluated(const std::string& raw) { return EvaluateArgument(base_, raw); }
  int Number(const std::string& raw) {
    std::string text = Evaluated(raw);
    long double v = std::nearbyint(TextToNumber(text));
    if (!(v >= -2147483648.0L && v <= 2147483647.0L)) ScriptError(base_, "数値\"%s\"は範囲外です。", {text});
    return static_cast<int>(v);
  }
  long long IntegerValue(const std::string& raw, long long fallback) { return IntegerText(Evaluated(raw), fallback); }
  int Bounded(long double v, long double low, long double high, const std::string& shown) {
    v = std::nearbyint(v);
    if (!(v >= low && v <= high)) OutOfRange(shown);
    return static_cast<int>(v);
  }
  int Side(const std::string& raw) {
    std::string text = Evaluated(raw);
    return Bounded(TextToNumber(text), 0, kMaxSide, text);
  }
  int Coordinate(const std::string& raw) {
    std::string text = Evaluated(raw);
    return Bounded(TextToNumber(text), kMinPosition, kMaxPosition, text);
  }
  // A colour value; false for the widget's own default colour.
  bool Colour(const std::string& raw, long long fallback, QColor& colour) {
    std::string text = Evaluated(raw);
    if (ParseColour(text, colour)) return true;
    long long v = IntegerText(text, fallback);
    if (v < 0 || v > 0xFFFFFF) return false;
    colour = QColor(static_cast<int>(v & 255), static_cast<int>((v >> 8) & 255), static_cast<int>((v >> 16) & 255));
    return true;
  }

  // Geometry.
  void SetClientSize(int width, int height);
  void Recentre();
  void CursorBelow();
  void AfterGeometry() {
    FitScrollInside(w_);
    if (IsForm()) {
      if (TImageBox* img = objects_.ImageBox(rec_)) {
        img->resize(w_->size());
        img->FitImageToSize(w_->palette().color(QPalette::Window));
      }
      w_->update();
    }
  }

  void SetText(const std::string& v);
  std::string Items();
  void SetItems(const std::string& v);
  std::string ValueText();
  void SetValue(const std::string& v);
  void SetPicture(const std::string& v);
  std::string SelectedText();
  void SetSelectedText(const std::string& v);
  bool Selection(long long& start, long long& length);
  void SetSelStart(long long bytes);
  void SetSelLength(long long bytes);
  void SetEvent(int slot, const std::string& raw);
  QWidget* ContainerInside();
  QPalette::ColorRole BackRole() const {
    switch (Kind()) {
      case okEdit: case okCombo: case okList: case okMemo: return QPalette::Base;
      default: return QPalette::Window;
    }
  }
  void SetBackColour(const QColor* colour);
  void SetFontColour(const QColor* colour);

  TGuiObjects& objects_;
  TKobuBase& base_;
  TObjNode& rec_;
  THashNode* word_;
  QWidget* w_;
  std::string property_;
  std::string objectName_;
};

void TPropertyAccess::SetClientSize(int width, int height) {
  if (w_->isWindow() && w_->minimumSize() == w_->maximumSize()) w_->setFixedSize(width, height);
  else w_->resize(width, height);
}

void TPropertyAccess::Recentre() {
  if (!base_.Centering || w_->isWindow()) return;
  QSize extent;
  if (!objects_.ParentExtent(rec_, true, extent)) return;
  w_->move(static_cast<int>(std::nearbyint((extent.width() - w_->width()) / 2.0)), w_->y());
}

void TPropertyAccess::CursorBelow() {
  base_.LayoutX = w_->x();
  base_.LayoutY = w_->y() + w_->height() + objects_.Spacing();
}

// ---- text

std::string TPropertyAccess::Text() {
  switch (Kind()) {
    case okButton: return FromQt(base_, static_cast<QPushButton*>(w_)->text());
    case okEdit: return FromQt(base_, static_cast<QLineEdit*>(w_)->text());
    case okCombo: return FromQt(base_, static_cast<QComboBox*>(w_)->currentText());
    case okMemo: return ScriptLines(base_, static_cast<QPlainTextEdit*>(w_)->toPlainText());
    case okForm: return FromQt(base_, w_->windowTitle());
    case okLabel: return ScriptLines(base_, static_cast<QLabel*>(w_)->text());
    case okCheck: return FromQt(base_, static_cast<QCheckBox*>(w_)->text());
    case okPanel: {
      QLabel* caption = PanelCaption(static_cast<QFrame*>(w_), false);
      return caption ? ScriptLines(base_, caption->text()) : std::string();
    }
    case okList: {
      auto* list = static_cast<QListWidget*>(w_);
      QListWidgetItem* item = list->currentRow() >= 0 ? list->item(list->currentRow()) : nullptr;
      return item ? FromQt(base_, item->text()) : std::string();
    }
    default: return word_ ? word_->Value : std::string();
  }
}

void TPropertyAccess::SetText(const std::string& v) {
  switch (Kind()) {
    case okButton: {
      auto* b = static_cast<QPushButton*>(w_);
      b->setText(ToQt(v));
      // Widened to show the whole caption, never narrowed.
      int need = QFontMetrics(b->font()).horizontalAdvance(b->text()) + 10;
      if (b->width() < need) b->resize(std::min(need, 32767), b->height());
      break;
    }
    case okForm:
      w_->setWindowTitle(ToQt(v));
      // The main window's title is the application's title.
      if (rec_.Number == 0) QApplication::setApplicationDisplayName(ToQt(v));
      break;
    case okList: {
      auto* list = static_cast<QListWidget*>(w_);
      if (QListWidgetItem* item = list->currentRow() >= 0 ? list->item(list->currentRow()) : nullptr)
        item->setText(ToQt(v));
      break;
    }
    case okEdit: static_cast<QLineEdit*>(w_)->setText(ToQt(v)); break;
    case okCombo: {
      auto* c = static_cast<QComboBox*>(w_);
      if (c->isEditable()) c->setEditText(ToQt(v));
      else c->setCurrentText(ToQt(v));
      break;
    }
    case okMemo: static_cast<QPlainTextEdit*>(w_)->setPlainText(WidgetLines(v)); break;
    case okLabel: {
      auto* l = static_cast<QLabel*>(w_);
      l->setText(WidgetLines(v));
      FitLabel(l);
      break;
    }
    case okCheck: static_cast<QCheckBox*>(w_)->setText(ToQt(v)); break;
    case okPanel: PanelCaption(static_cast<QFrame*>(w_), true)->setText(WidgetLines(v)); break;
    default: UndefinedShort();
  }
}

// ---- items

// Where the objects put on a container stand.
QWidget* TPropertyAccess::ContainerInside() {
  if (auto* area = qobject_cast<QScrollArea*>(w_)) return area->widget();
  return w_;
}

std::string TPropertyAccess::Items() {
  std::vector<std::string> lines;
  if (auto* c = qobject_cast<QComboBox*>(w_); c && Kind() == okCombo) {
    for (int i = 0; i < c->count(); ++i) lines.push_back(FromQt(base_, c->itemText(i)));
    return JoinLines(lines);
  }
  if (auto* l = qobject_cast<QListWidget*>(w_); l && Kind() == okList) {
    for (int i = 0; i < l->count(); ++i) lines.push_back(FromQt(base_, l->item(i)->text()));
    return JoinLines(lines);
  }
  if (!IsContainer(Kind())) return std::string();
  QWidget* inside = ContainerInside();
  std::string out;
  if (!inside) return out;
  for (QObject* child : inside->children()) {
    auto* cw = qobject_cast<QWidget*>(child);
    if (!cw || cw->isWindow()) continue;  // forms stand on the desktop, not on the main window
    for (int n = 1; n < base_.Objects.Count(); ++n)
      if (TObjNode* r = objects_.Record(n); r && r->Control == cw && !r->Name.empty()) {
        out += r->Name + "\r\n";
        break;
      }
  }
  return out;
}

void TPropertyAccess::SetItems(const std::string& v) {
  std::vector<std::string> lines = SplitLines(v);
  if (Kind() == okCombo) {
    auto* c = static_cast<QComboBox*>(w_);
    QStringList items;
    for (const auto& l : lines)
      if (!l.empty()) items << ToQt(l);
    c->clear();
    c->addItems(items);
    // As the classic combo: new items, nothing chosen, the edit empty.
    c->setCurrentIndex(-1);
    if (c->isEditable()) c->setEditText(QString());
    if (c->property(kSorted).toBool()) c->model()->sort(0);
    return;
  }
  if (Kind() == okList) {
    auto* l = static_cast<QListWidget*>(w_);
    QStringList items;
    for (const auto& line : lines) items << ToQt(line);
    l->clear();
    l->addItems(items);
    return;
  }
  if (!IsContainer(Kind())) Undefined();
  QWidget* inside = ContainerInside();
  // Every line is checked before anything moves.
  std::vector<QWidget*> moving;
  for (const auto& line : lines) {
    std::string name = TrimText(line);
    if (name.empty()) continue;
    THashNode* word = base_.Words.Find(name, false);
    TObjNode* r = word && word->Kind == wkObject ? objects_.Record(static_cast<int>(word->Number)) : nullptr;
    if (!r) ScriptError(base_, "\"%s\"は、オブジェクトではありません。", {name});
    QWidget* cw = TGuiObjects::Widget(*r);
    if (!inside || !cw || r->Number == 0 || r->Kind == okForm || cw == inside || cw->isAncestorOf(inside))
      ScriptErrorSj(base_, name + sj("を、") + objectName_ + sj("へ、親変更に失敗。"));
    moving.push_back(cw);
  }
  for (QWidget* cw : moving) {
    QPoint pos = cw->pos();
    bool shown = !cw->isHidden();
    cw->setParent(inside);
    cw->move(pos);
    cw->raise();  // above a form's drawing
    if (shown) cw->show();
    FitScrollInside(cw);
  }
}

// ---- value

std::string TPropertyAccess::ValueText() {
  switch (Kind()) {
    case okBar: return Num(static_cast<QScrollBar*>(w_)->value());
    case okCombo: return Num(static_cast<QComboBox*>(w_)->currentIndex());
    case okList: return Num(static_cast<QListWidget*>(w_)->currentRow());
    case okCheck: return Flag(static_cast<QCheckBox*>(w_)->isChecked());
    default: return "0";
  }
}

void TPropertyAccess::SetValue(const std::string& v) {
  switch (Kind()) {
    case okBar: {
      auto* bar = static_cast<QScrollBar*>(w_);
      long long n = IntegerText(v, -1);
      if (n >= 0) bar->setValue(static_cast<int>(std::clamp<long long>(n, bar->minimum(), bar->maximum())));
      break;
    }
    case okCombo: {
      auto* c = static_cast<QComboBox*>(w_);
      long long n = IntegerText(v, -1);
      if (n >= 0 && n < c->count()) c->setCurrentIndex(static_cast<int>(n));
      break;
    }
    case okList: {
      auto* l = static_cast<QListWidget*>(w_);
      long long n = IntegerText(v, -1);
      if (n >= 0 && n < l->count()) l->setCurrentRow(static_cast<int>(n));
      break;
    }
    case okCheck: static_cast<QCheckBox*>(w_)->setChecked(IntegerText(v, 0) != 0); break;
    default: UndefinedShort();
  }
}

// ---- picture

void TPropertyAccess::SetPicture(const std::string& v) {
  if (Kind() != okButton && Kind() != okImage && Kind() != okForm) UndefinedShort();
  QImage picture;
  if (!v.empty()) picture = LoadImage(objects_.Base(), v);
  if (Kind() == okButton) {
    // A push button shows a glyph beside its caption.
    auto* b = static_cast<QPushButton*>(w_);
    if (picture.isNull()) {
      b->setIcon(QIcon());
    } else {
      b->setIcon(QIcon(QPixmap::fromImage(picture)));
      b->setIconSize(picture.size());
    }
    return;
  }
  TImageBox* box = objects_.ImageBox(rec_);
  if (!box) UndefinedShort();
  box->SetImage(picture, picture.isNull());
}

// ---- selections, counted in Shift-JIS bytes

bool TPropertyAccess::Selection(long long& start, long long& length) {
  QLineEdit* edit = Kind() == okEdit ? static_cast<QLineEdit*>(w_)
                    : Kind() == okCombo ? static_cast<QComboBox*>(w_)->lineEdit() : nullptr;
  if (edit) {
    QString text = edit->text();
    int s = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    int e = edit->hasSelectedText() ? edit->selectionEnd() : s;
    start = BytesBefore(text, s, false);
    length = BytesBefore(text, e, false) - start;
    return true;
  }
  if (Kind() == okMemo) {
    auto* m = static_cast<QPlainTextEdit*>(w_);
    QString text = m->toPlainText();
    QTextCursor cur = m->textCursor();
    start = BytesBefore(text, cur.selectionStart(), true);
    length = BytesBefore(text, cur.selectionEnd(), true) - start;
    return true;
  }
  start = length = 0;
  return false;
}

void TPropertyAccess::SetSelStart(long long bytes) {
  bytes = std::max(0LL, bytes);
  if (Kind() == okMemo) {
    auto* m = static_cast<QPlainTextEdit*>(w_);
    QTextCursor cur = m->textCursor();
    cur.setPosition(PositionOfBytes(m->toPlainText(), bytes, true, false));
    m->setTextCursor(cur);
    return;
  }
  QLineEdit* edit = Kind() == okEdit ? static_cast<QLineEdit*>(w_) : static_cast<QComboBox*>(w_)->lineEdit();
  if (edit) edit->setCursorPosition(PositionOfBytes(edit->text(), bytes, false, false));
}

void TPropertyAccess::SetSelLength(long long bytes) {
  bytes = std::max(0LL, bytes);
  long long start = 0, length = 0;
  Selection(start, length);
  if (Kind() == okMemo) {
    auto* m = static_cast<QPlainTextEdit*>(w_);
    QString text = m->toPlainText();
    QTextCursor cur = m->textCursor();
    int from = cur.selectionStart();
    cur.setPosition(from);
    cur.setPosition(PositionOfBytes(text, start + bytes, true, true), QTextCursor::KeepAnchor);
    m->setTextCursor(cur);
    return;
  }
  QLineEdit* edit = Kind() == okEdit ? static_cast<QLineEdit*>(w_) : static_cast<QComboBox*>(w_)->lineEdit();
  if (!edit) return;
  int from = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  int to = PositionOfBytes(edit->text(), start + bytes, false, true);
  edit->setSelection(from, to - from);
}

std::string TPropertyAccess::SelectedText() {
  switch (Kind()) {
    case okEdit: return FromQt(base_, static_cast<QLineEdit*>(w_)->selectedText());
    case okCombo: {
      QLineEdit* e = static_cast<QComboBox*>(w_)->lineEdit();
      return e ? FromQt(base_, e->selectedText()) : std::string();
    }
    case okMemo: return ScriptLines(base_, static_cast<QPlainTextEdit*>(w_)->textCursor().selectedText());
    case okList: return Text();
    default: return std::string();
  }
}

void TPropertyAccess::SetSelectedText(const std::string& v) {
  switch (Kind()) {
    case okEdit: static_cast<QLineEdit*>(w_)->insert(ToQt(v)); break;
    case okCombo:
      if (QLineEdit* e = static_cast<QComboBox*>(w_)->lineEdit()) e->insert(ToQt(v));
      break;
    case okMemo: {
      auto* m = static_cast<QPlainTextEdit*>(w_);
      QTextCursor cur = m->textCursor();
      cur.insertText(WidgetLines(v));
      m->setTextCursor(cur);
      break;
    }
    case okList: SetText(v); break;
    default: Undefined();
  }
}

// ---- colours

void TPropertyAccess::SetBackColour(const QColor* colour) {
  QPalette::ColorRole role = BackRole();
  QPalette pal = w_->palette();
  QColor c = colour ? *colour : IsForm() ? QColor(Qt::white) : QApplication::palette(w_).color(role);
  pal.setColor(role, c);
  w_->setPalette(pal);
  switch (Kind()) {
    case okCheck: case okPanel: case okForm: w_->setAutoFillBackground(true); break;
    case okScroll: {
      auto* area = static_cast<QScrollArea*>(w_);
      area->viewport()->setBackgroundRole(QPalette::Window);
      area->viewport()->setAutoFillBackground(true);
      if (area->widget()) area->widget()->setAutoFillBackground(true);
      break;
    }
    default: break;  // a label keeps its transparency: the colour shows once that is off
  }
  if (IsForm()) {
    // A form's colour also wipes its drawing.
    if (TImageBox* img = objects_.ImageBox(rec_)) {
      QImage fresh(w_->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
      fresh.fill(c);
      img->Fill = c;
      img->resize(w_->size());
      img->SetImage(fresh, true);
    }
  }
  w_->update();
}

void TPropertyAccess::SetFontColour(const QColor* colour) {
  QPalette pal = w_->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(role, colour ? *colour : QApplication::palette(w_).color(role));
  w_->setPalette(pal);
}

// ---- events

void TPropertyAccess::SetEvent(int slot, const std::string& raw) {
  if (slot != esEvent) return objects_.SetEventSlot(rec_, slot, raw);
  if (raw.empty() || raw == "\\NULL-VALUE") return objects_.SetEventSlot(rec_, esEvent, std::string());
  objects_.SetEventSlot(rec_, esEvent, raw);
  int also = kDefaultSlot[rec_.Kind];
  if (also < 0) return;
  // Label positions and handler texts live as long as the run, so the two
  // slots may share the target.
  rec_.LabelTexts[also] = rec_.LabelTexts[esEvent];
  rec_.LabelTargets[also] = rec_.LabelTargets[esEvent];
}

// ---- reading

std::string TPropertyAccess::Get(int prop) {
  if (rec_.Kind == okMenu) {
    switch (prop) {
      case ppX: case ppY: case ppWidth: case ppHeight: case ppW: case ppH: case ppBounds: case ppPosition:
      case ppRightSide: case ppBelow:
        Undefined();
      default: break;
    }
  }
  auto* memo = Kind() == okMemo ? static_cast<QPlainTextEdit*>(w_) : nullptr;
  auto* bar = Kind() == okBar ? static_cast<QScrollBar*>(w_) : nullptr;
  switch (prop) {
    case ppX: return Num(w_->x());
    case ppY: return Num(w_->y());
    case ppWidth: case ppW: return Num(w_->width());
    case ppHeight: case ppH: return Num(w_->height());
    case ppBounds:
      return "(" + Num(w_->x()) + "," + Num(w_->y()) + "," + Num(w_->x() + w_->width()) + "," +
             Num(w_->y() + w_->height()) + ")";
    case ppPosition: return "(" + Num(w_->x()) + "," + Num(w_->y()) + ")";
    case ppRightSide: return "(" + Num(w_->x() + w_->width() + objects_.Spacing()) + "," + Num(w_->y()) + ")";
    case ppBelow: return "(" + Num(w_->x()) + "," + Num(w_->y() + w_->height() + objects_.Spacing()) + ")";
    case ppText: return Text();
    case ppTitle: return IsForm() ? Text() : word_ ? word_->Value : std::string();
    case ppItems: return Items();
    case ppValue: return ValueText();
    case ppPicture: case ppAddPicture: return word_ ? word_->Value : std::string();
    case ppSelectedText: return SelectedText();
    case ppSelStart: case ppSelLength: {
      long long start = 0, length = 0;
      Selection(start, length);
      return Num(prop == ppSelStart ? start : length);
    }
    case ppColumn: {
      if (!memo) Undefined();
      QTextCursor cur = memo->textCursor();
      return Num(BytesBefore(cur.block().text(), cur.positionInBlock(), false));
    }
    case ppRow:
      if (!memo) Undefined();
      return Num(memo->textCursor().blockNumber());
    case ppUrl: case ppShortcut: case ppSound: case ppFileDrop: return std::string();
    case ppName: return rec_.Name;
    case ppKind: return ObjectKindName(rec_.Kind);
    case ppHandle: return Num(kHandleBase + rec_.Number);
    case ppBackColour: return HasBackColour(Kind()) ? ColourText(w_->palette().color(BackRole())) : "0";
    case ppFontFace: return TakesTextSettings(Kind()) ? FromQt(base_, w_->font().family()) : std::string();
    case ppFontSize: {
      if (!TakesTextSettings(Kind())) return "0";
      QFont f = w_->font();
      // A font given in pixels counts at the fixed 96 dpi.
      int points = f.pointSize() > 0 ? f.pointSize() : static_cast<int>(std::lround(f.pixelSize() * 72.0 / 96.0));
      return Num(points);
    }
    case ppFontColour:
      return TakesTextSettings(Kind()) ? ColourText(w_->palette().color(w_->foregroundRole())) : "0";
    case ppVisible: return Flag(!w_->isHidden());
    case ppEnabled: return Flag(!w_->testAttribute(Qt::WA_Disabled));
    case ppTransparent:
      if (Kind() == okLabel) return Flag(!w_->autoFillBackground());
      if (Kind() == okImage || IsForm())
        if (TImageBox* box = objects_.ImageBox(rec_)) return Flag(box->Transparent);
      return "0";
    case ppStretch:
      if (Kind() == okImage || IsForm())
        if (TImageBox* box = objects_.ImageBox(rec_)) return Flag(box->Stretch);
      return std::string();
    case ppMax: return bar ? Num(bar->maximum()) : "0";
    case ppMin: return bar ? Num(bar->minimum()) : "0";
    case ppOrientation:
      if (!bar) Undefined();
      return bar->orientation() == Qt::Vertical ? sj("縦") : sj("横");
    case ppScrollBars: {
      if (!memo) Undefined();
      bool v = memo->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
      bool h = memo->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
      return v && h ? sj("両方") : v ? sj("縦") : h ? sj("横") : std::string();
    }
    case ppEditable:
      if (Kind() == okCombo) return Flag(static_cast<QComboBox*>(w_)->isEditable());
      if (Kind() == okEdit) return Flag(static_cast<QLineEdit*>(w_)->isReadOnly());
      if (memo) return Flag(memo->isReadOnly());
      Undefined();
    case ppIme: {
      if (Kind() != okEdit && Kind() != okMemo && Kind() != okCombo) return "0";
      int mode = w_->property(kImeMode).toInt();
      return Num(mode >= 0 && mode <= 4 ? mode : 0);
    }
    case ppResizable: return IsForm() ? Flag(BorderStyle(w_) != 1) : "0";
    case ppStyle: return IsForm() ? Num(BorderStyle(w_)) : "0";
    case ppRepeatCount: return "0";
    case ppButtonMode: Undefined();
    case ppEvent: {
      // Runs the handler of slot 0 as an event of this object would.
      TEventState ev;
      ev.Object = rec_.Number;
      objects_.Notify(rec_.Number, esEvent, ev);
      return std::string();
    }
    default:
      // The other event names and ソート have no reading.
      Warn(base_, FillArgs(sj("\"%s,%s\"は、未定義です。"), {objectName_, property_}));
      return std::string();
  }
}

// ---- writing

void TPropertyAccess::Set(int prop, const std::string& raw) {
  if (int slot = EventSlotOf(prop); slot >= 0) return SetEvent(slot, raw);
  if (rec_.Kind == okMenu) {
    switch (prop) {
      case ppPosition: Undefined();
      case ppX: case ppY: case ppWidth: case ppHeight: case ppW: case ppH: case ppBounds: UndefinedShort();
      default: break;
    }
  }
  auto* memo = Kind() == okMemo ? static_cast<QPlainTextEdit*>(w_) : nullptr;
  auto* bar = Kind() == okBar ? static_cast<QScrollBar*>(w_) : nullptr;
  switch (prop) {
    case ppX: w_->move(Coordinate(raw), w_->y()); return AfterGeometry();
    case ppY: w_->move(w_->x(), Coordinate(raw)); return AfterGeometry();
    case ppWidth: case ppW:
      SetClientSize(Side(raw), w_->height());
      Recentre();
      return AfterGeometry();
    case ppHeight: case ppH:
      SetClientSize(w_->width(), Side(raw));
      if (!IsForm()) CursorBelow();
      return AfterGeometry();
    case ppBounds: {
      std::vector<std::string> v = RectangleItems(base_, CoordinateItems(base_, raw));
      int n[4];
      for (int i = 0; i < 4; ++i) n[i] = Bounded(TextToNumber(v[i]), kMinPosition, kMaxPosition, v[i]);
      int width = n[2] - n[0], height = n[3] - n[1];
      if (width < 0 || width > kMaxSide) OutOfRange(Num(width));
      if (height < 0 || height > kMaxSide) OutOfRange(Num(height));
      w_->move(n[0], n[1]);
      SetClientSize(width, height);
      if (!IsForm()) {
        Recentre();
        CursorBelow();
      }
      return AfterGeometry();
    }
    case ppPosition: {
      std::vector<std::string> v = CoordinateItems(base_, raw);
      if (v.size() != 2) Undefined();
      int x = Bounded(TextToNumber(v[0]), kMinPosition, kMaxPosition, v[0]);
      int y = Bounded(TextToNumber(v[1]), kMinPosition, kMaxPosition, v[1]);
      w_->move(x, y);
      return AfterGeometry();
    }
    case ppText: case ppTitle: {
      switch (Kind()) {
        case okImage: case okBar: case okScroll: UndefinedShort();
        default: break;
      }
      std::string v = Evaluated(raw);
      SetText(v);
      return StoreWordValue(v);
    }
    case ppItems: {
      if (Kind() != okCombo && Kind() != okList && !IsContainer(Kind())) Undefined();
      return SetItems(Evaluated(raw));
    }
    case ppValue: {
      if (Kind() != okBar && Kind() != okCombo && Kind() != okList && Kind() != okCheck) UndefinedShort();
      std::string v = Evaluated(raw);
      SetValue(v);
      return StoreWordValue(v);
    }
    case ppPicture: {
      if (Kind() != okButton && Kind() != okImage && Kind() != okForm) UndefinedShort();
      std::string v = Evaluated(raw);
      SetPicture(v);
      return StoreWordValue(v);
    }
    case ppStretch: case ppTransparent: {
      TImageBox* box = Kind() == okImage || IsForm() ? objects_.ImageBox(rec_) : nullptr;
      if (!box && !(prop == ppTransparent && Kind() == okLabel)) Undefined();
      bool on = prop == ppStretch ? IntegerValue(raw, 0) > 0 : Number(raw) > 0;
      if (!box) {
        w_->setAutoFillBackground(!on);
        w_->setAttribute(Qt::WA_TranslucentBackground, on);
      } else if (prop == ppStretch) {
        box->Stretch = on;
      } else {
        box->Transparent = on;
      }
      return w_->update();
    }
    case ppMax: case ppMin: {
      if (!bar) Undefined();
      int n = static_cast<int>(std::clamp<long long>(IntegerValue(raw, 0), INT32_MIN, INT32_MAX));
      if (prop == ppMax) bar->setMaximum(n);
      else bar->setMinimum(n);
      return;
    }
    case ppOrientation: {
      if (!bar) Undefined();
      Qt::Orientation o = Evaluated(raw) == sj("縦") ? Qt::Vertical : Qt::Horizontal;
      if (o == bar->orientation()) return;
      // A bar turned on its side keeps its own proportions.
      bar->setOrientation(o);
      bar->resize(bar->height(), bar->width());
      return AfterGeometry();
    }
    case ppButtonMode: case ppShortcut: case ppRepeatCount: case ppSound: case ppAddPicture: case ppUrl:
      Undefined();
    case ppVisible: {
      bool on = IntegerValue(raw, 0) != 0;
      w_->setVisible(on);
      return;
    }
    case ppEnabled: return w_->setEnabled(IntegerValue(raw, 0) != 0);
    case ppEditable: {
      if (Kind() != okEdit && Kind() != okMemo && Kind() != okCombo) Undefined();
      bool on = Number(raw) != 0;
      if (Kind() == okEdit) return static_cast<QLineEdit*>(w_)->setReadOnly(!on);
      if (memo) return memo->setReadOnly(!on);
      auto* c = static_cast<QComboBox*>(w_);
      if (c->isEditable() == on) return;
      c->setEditable(on);
      if (on && c->lineEdit()) {
        // A new edit: it reports keys and mouse like the one it replaces.
        c->setInsertPolicy(QComboBox::NoInsert);
        c->lineEdit()->installEventFilter(&objects_);
      }
      return;
    }
    case ppBackColour: {
      if (!HasBackColour(Kind())) Undefined();
      QColor c;
      bool given = Colour(raw, -1, c);
      return SetBackColour(given ? &c : nullptr);
    }
    case ppName: case ppHandle: case ppRightSide: case ppBelow: case ppKind:
      ScriptError(base_, "\"%s\"は、読取専用です。", {property_});
    case ppScrollBars: {
      if (!memo) Undefined();
      std::string v = Evaluated(raw);
      bool vertical = v == sj("縦") || v == sj("両方"), horizontal = v == sj("横") || v == sj("両方");
      memo->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      memo->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      return;
    }
    case ppFontFace: {
      if (!TakesTextSettings(Kind())) Undefined();
      std::string description = Evaluated(raw);
      THashNode* size = base_.Settings[swTextSize];
      int points = static_cast<int>(std::clamp<long long>(size ? IntegerText(size->Value, 12) : 12, kMinPoints, kMaxPoints));
      w_->setFont(FontFromDescription(description, points));
      if (Kind() == okLabel) FitLabel(static_cast<QLabel*>(w_));
      return;
    }
    case ppFontSize: {
      if (!TakesTextSettings(Kind())) Undefined();
      std::string text = Evaluated(raw);
      long long points = IntegerText(text, 9);
      if (points < kMinPoints || points > kMaxPoints) OutOfRange(text);
      QFont f = w_->font();
      f.setPointSize(static_cast<int>(points));
      w_->setFont(f);
      if (Kind() == okLabel) FitLabel(static_cast<QLabel*>(w_));
      return;
    }
    case ppFontColour: {
      if (!TakesTextSettings(Kind())) Undefined();
      QColor c;
      bool given = Colour(raw, 0, c);
      return SetFontColour(given ? &c : nullptr);
    }
    case ppFileDrop: {
      bool on = Evaluated(raw) != "0";
      w_->setAcceptDrops(on);
      if (auto* area = qobject_cast<QAbstractScrollArea*>(w_)) area->viewport()->setAcceptDrops(on);
      if (IsForm())
        if (TImageBox* img = objects_.ImageBox(rec_)) img->setAcceptDrops(on);
      return;
    }
    case ppResizable: {
      if (!IsForm()) Undefined();
      return ApplyBorder(w_, Number(raw) >= 1 ? 2 : 1);
    }
    case ppStyle: {
      if (!IsForm()) Undefined();
      int style = Number(raw);
      return ApplyBorder(w_, style >= 0 && style <= 3 ? style : 2);
    }
    case ppIme: {
      if (Kind() != okEdit && Kind() != okMemo && Kind() != okCombo) Undefined();
      long long mode = IntegerValue(raw, 0);
      if (mode < 0 || mode > 4) mode = 0;
      w_->setProperty(kImeMode, static_cast<int>(mode));
      // Input methods cannot be switched into a kana mode from here; "off"
      // asks them to start in direct input.
      QWidget* target = Kind() == okCombo && static_cast<QComboBox*>(w_)->lineEdit()
                            ? static_cast<QComboBox*>(w_)->lineEdit() : w_;
      Qt::InputMethodHints hints = target->inputMethodHints();
      target->setInputMethodHints(mode == 0 ? hints | Qt::ImhPreferLatin : hints & ~Qt::ImhPreferLatin);
      return;
    }
    case ppSelectedText: {
      if (Kind() != okEdit && Kind() != okMemo && Kind() != okCombo && Kind() != okList) Undefined();
      return SetSelectedText(Evaluated(raw));
    }
    case ppSelStart: case ppSelLength: {
      if (Kind() != okEdit && Kind() != okMemo && Kind() != okCombo) Undefined();
      int n = Number(raw);
      return prop == ppSelStart ? SetSelStart(n) : SetSelLength(n);
    }
    case ppColumn: {
      if (!memo) Undefined();
      long long n = IntegerValue(raw, 0);
      QTextCursor cur = memo->textCursor();
      cur.clearSelection();
      int steps = static_cast<int>(std::min<long long>(std::llabs(n), INT32_MAX));
      cur.movePosition(n < 0 ? QTextCursor::PreviousCharacter : QTextCursor::NextCharacter, QTextCursor::MoveAnchor,
                       steps);
      return memo->setTextCursor(cur);
    }
    case ppRow: {
      if (!memo) Undefined();
      long long n = IntegerValue(raw, 0);
      QTextDocument* doc = memo->document();
      int line = static_cast<int>(std::clamp<long long>(n, 0, doc->blockCount() - 1));
      QScrollBar* scroll = memo->verticalScrollBar();
      int top = scroll->value();
      int diff = line - memo->textCursor().blockNumber();
      QTextCursor cur(doc->findBlockByNumber(line));
      memo->setTextCursor(cur);
      // The text scrolls by as many lines as the caret moved.
      scroll->setValue(top + diff);
      return;
    }
    case ppSort: {
      if (Kind() != okCombo && Kind() != okList) Undefined();
      bool on = IntegerValue(raw, 0) != 0;
      if (Kind() == okList) {
        auto* l = static_cast<QListWidget*>(w_);
        l->setSortingEnabled(on);
        if (on) l->sortItems();
      } else {
        auto* c = static_cast<QComboBox*>(w_);
        c->setProperty(kSorted, on);
        if (on) c->model()->sort(0);
      }
      return;
    }
    default: Undefined();
  }
}

// The property's number, the script's name normalised like a word name; -1 when unknown.
int PropertyNumber(TKobuBase& base, const std::string& name) {
  if (base.PropertyNames.empty()) base.PropertyNames = NormalisedPropertyNames();
  std::string key = StripOkurigana(name);
  for (size_t i = 0; i < base.PropertyNames.size(); ++i)
    if (base.PropertyNames[i] == key) return static_cast<int>(i);
  return -1;
}

// オブジェクト=値 sets the property that the object's value reads.
int DefaultProperty(int kind) {
  switch (kind) {
    case okImage: return ppPicture;
    case okBar: case okList: case okCheck: case okRadio: return ppValue;
    default: return ppText;
  }
}

std::string PropertyName(int prop) { return NormalisedPropertyNames()[static_cast<size_t>(prop)]; }

}  // namespace

// ---- coordinates

// The items of a coordinate text such as (10,20) or (0,0,100,50), each
// evaluated: the text may be a literal, and may be wrapped in one pair of
// parentheses; items are split at top-level commas.
std::vector<std::string> CoordinateItems(TKobuBase& base, const std::string& raw) {
  std::string text = TrimText(raw);
  if (!text.empty() && text[0] == '"') text = EvaluateArgument(base, text);
  text = TrimText(UnquoteName(text));
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
    // Only when this ")" closes that "(": (1)+(2) stays whole.
    const char* p = text.c_str();
    std::string inner = ReadGroup(base, p);
    if (*p == 0) text = TrimText(inner);
  }
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::string item;
  const char* p = text.c_str();
  while (*p) {
    if (*p == '"' || *p == '`') {
      item += ReadLiteralSpan(base, p);
    } else if (*p == '(') {
      item += "(" + ReadGroup(base, p) + ")";
    } else if (*p == ',') {
      items.push_back(item);
      item.clear();
      ++p;
    } else {
      size_t n = CharLen(p);
      item.append(p, n);
      p += n;
    }
  }
  items.push_back(item);
  for (auto& i : items) i = EvaluateArgument(base, TrimText(i));
  return items;
}

std::vector<std::string> RectangleItems(TKobuBase& base, std::vector<std::string> items) {
  if (items.size() > 4) {
    std::string list;
    for (size_t i = 0; i < items.size(); ++i) list += (i ? "," : "") + items[i];
    ScriptErrorSj(base, sj("座標の指定エラー。引数が多すぎます。") + "\"" + list + "\"");
  }
  items.resize(4, "0");
  return items;
}


std::string TGuiObjects::GetProperty(const std::string& object, const std::string& property) {
  THashNode* word = nullptr;
  TObjNode* rec = RecordOfWord(object, true, &word);
  int prop = PropertyNumber(base_, property);
  if (prop < 0)
    ScriptError(base_, "オブジェクト\"%s\"(\"%s\")の設定項目\"%s\"は未定義です。",
                {word->Name, ObjectKindName(rec->Kind), property});
  std::string value = TPropertyAccess(*this, *rec, word, property).Get(prop);
  switch (ReadMark(prop)) {
    case mkNumber: base_.LastTypeMark = "e"; break;
    case mkText: base_.LastTypeMark = "s"; break;
    case mkKeep: break;
  }
  return value;
}

void TGuiObjects::SetProperty(const std::string& object, const std::string& property, const std::string& value) {
  THashNode* word = nullptr;
  TObjNode* rec = RecordOfWord(object, false, &word);
  CopyToSo(word);
  int prop = PropertyNumber(base_, property);
  if (prop < 0) return;  // an unknown name changes nothing
  TPropertyAccess(*this, *rec, word, property).Set(prop, value);
}

std::string TGuiObjects::ObjectValue(THashNode* word) {
  TObjNode* rec = Record(static_cast<int>(word->Number));
  if (!rec) ScriptError(base_, "オブジェクト\"%s\"は、作成されていません。", {word->Name});
  switch (rec->Kind) {
    case okButton: case okEdit: case okCombo: case okMemo: case okForm: case okLabel: case okPanel: {
      std::string v = TPropertyAccess(*this, *rec, word, PropertyName(ppText)).Text();
      base_.LastTypeMark = "s";
      return v;
    }
    case okImage:
      base_.LastTypeMark = "s";
      return TrimText(word->Value);
    case okBar: case okList: case okCheck: {
      std::string v = TPropertyAccess(*this, *rec, word, PropertyName(ppValue)).Get(ppValue);
      base_.LastTypeMark = "e";
      return v;
    }
    default:
      ScriptError(base_, "オブジェクト\"%s\"から、直接値を得ることは出来ません。", {word->Name});
  }
}

void TGuiObjects::AssignObject(THashNode* word, const std::string& value) {
  TObjNode* rec = Record(static_cast<int>(word->Number));
  if (!rec) ScriptError(base_, "オブジェクト\"%s\"は、作成されていません。", {word->Name});
  int prop = DefaultProperty(rec->Kind);
  // The value is evaluated already: it goes on as a literal of itself.
  TPropertyAccess(*this, *rec, word, PropertyName(prop)).Set(prop, QuoteLiteral(value));
  CopyToSo(word);
}

}  // namespace kobu
