#include "gui/gui_objects.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>

#include "commands/args.h"
#include "core/errors.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "core/expression.h"
#include "core/preprocess.h"
#include "core/properties.h"
#include "core/terms.h"
#include "gui/window_messages.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// The dynamic property that ties a widget (and its viewport) to its object.
constexpr const char* kObjectTag = "kobuObject";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Which notifications each kind raises, by event slot.
constexpr unsigned Bit(int slot) { return 1u << slot; }
unsigned KindEvents(int kind) {
  switch (kind) {
    case okButton: return Bit(esClick) | Bit(esMouseDown) | Bit(esMouseUp) | Bit(esMouseMove);
    case okEdit:
    case okMemo:
      return Bit(esClick) | Bit(esDoubleClick) | Bit(esMouseDown) | Bit(esMouseUp) | Bit(esKeyDown) |
             Bit(esKeyUp) | Bit(esChange) | Bit(esMouseMove);
    case okImage:
    case okLabel:
    case okPanel:
    case okScroll:
      return Bit(esClick) | Bit(esDoubleClick) | Bit(esMouseDown) | Bit(esMouseUp) | Bit(esMouseMove);
    case okBar: return Bit(esKeyDown) | Bit(esKeyUp) | Bit(esChange);
    case okCombo: return Bit(esClick) | Bit(esDoubleClick) | Bit(esKeyDown) | Bit(esKeyUp) | Bit(esChange);
    case okList:
      return Bit(esClick) | Bit(esDoubleClick) | Bit(esMouseDown) | Bit(esMouseUp) | Bit(esKeyDown) |
             Bit(esKeyUp) | Bit(esMouseMove);
    case okForm:
      return Bit(esClick) | Bit(esDoubleClick) | Bit(esMouseDown) | Bit(esMouseUp) | Bit(esKeyDown) |
             Bit(esKeyUp) | Bit(esChange) | Bit(esMouseMove);
    case okCheck:
      return Bit(esClick) | Bit(esMouseDown) | Bit(esMouseUp) | Bit(esKeyDown) | Bit(esKeyUp) | Bit(esMouseMove);
    default: return 0;
  }
}

// Kinds whose widgets take the text settings (face, size, style).
bool TakesFont(int kind) {
  switch (kind) {
    case okButton: case okEdit: case okCombo: case okList: case okMemo: case okForm: case okLabel: case okCheck:
      return true;
    default:
      return false;
  }
}

// The kinds this object system builds widgets for.
bool BuiltKind(int kind) {
  switch (kind) {
    case okButton: case okEdit: case okImage: case okBar: case okCombo: case okList: case okMemo: case okForm:
    case okLabel: case okCheck: case okPanel: case okScroll:
      return true;
    default:
      return false;
  }
}

// The held modifiers and buttons, one per line, in the order scripts read them.
std::string SpecialKeys(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons, bool dbl) {
  std::string out;
  auto add = [&out](const char* s) {
    if (!out.empty()) out += "\r\n";
    out += s;
  };
  if (mods & Qt::ShiftModifier) add("Shift");
  if (mods & Qt::AltModifier) add("Alt");
  if (mods & Qt::ControlModifier) add("Ctrl");
  if (buttons & Qt::LeftButton) add("Left");
  if (buttons & Qt::RightButton) add("Right");
  if (buttons & Qt::MiddleButton) add("Middle");
  if (dbl) add("Double");
  return out;
}

int ObjectNumberOf(const QObject* o) {
  for (; o; o = o->parent()) {
    QVariant v = o->property(kObjectTag);
    if (v.isValid()) return v.toInt();
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) break;
  }
  return -1;
}

}  // namespace

// ---- text, colours, fonts

QString ToQt(const std::string& sjis) { return QString::fromStdString(Cp932ToUtf8(sjis)); }

std::string FromQt(TKobuBase& base, const QString& text) {
  bool lossless = true;
  std::string out = Utf8ToCp932(text.toStdString(), &lossless);
  if (!lossless) Warn(base, sj("Shift-JISで表せない文字を「?」に置き換えました。"));
  return out;
}

bool ParseColour(const std::string& text, QColor& colour) {
  std::string t = text;
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.erase(t.begin());
  if (!t.empty() && t[0] == '#') {
    if (t.size() != 7) return false;
    bool ok = false;
    unsigned v = QString::fromStdString(t.substr(1)).toUInt(&ok, 16);
    if (!ok) return false;
    colour = QColor((v >> 16) & 255, (v >> 8) & 255, v & 255);
    return true;
  }
  bool ok = false;
  long long v = QString::fromStdString(t).toLongLong(&ok);
  if (!ok || v < 0 || v > 0xFFFFFF) return false;
  colour = QColor(v & 255, (v >> 8) & 255, (v >> 16) & 255);
  return true;
}

std::string ColourText(const QColor& c) {
  return std::to_string(c.red() + c.green() * 256 + c.blue() * 65536);
}

QFont FontFromDescription(const std::string& description, int defaultPoints) {
  QFont font = QApplication::font();
  const QString bar = U("｜");
  QString written = ToQt(description);
  QString face = written.section(bar, 0, 0), style = written.section(bar, 1, 1), size = written.section(bar, 2);
  face = face.replace(U("　"), QStringLiteral(" ")).trimmed();
  style = style.replace(U("　"), QStringLiteral(" ")).trimmed();
  if (face.isEmpty() || (!QFontDatabase::hasFamily(face) && QFont::substitutes(face).isEmpty())) face = U("ＭＳ ゴシック");
  font.setFamily(face);
  auto has = [&style](std::initializer_list<const char*> words) {
    for (const char* w : words)
      if (style.contains(U(w))) return true;
    return false;
  };
  font.setBold(has({"ボールド", "太字"}));
  font.setItalic(has({"イタリック", "傾斜", "斜体"}));
  font.setUnderline(has({"罫線", "下線", "アンダーライン"}));
  int points = defaultPoints;
  if (!size.trimmed().isEmpty()) {
    bool ok = false;
    double d = size.trimmed().toDouble(&ok);
    if (ok) points = static_cast<int>(std::lround(d));
  }
  font.setPointSize(std::clamp(points, 1, 1000));
  return font;
}

QSize DefaultObjectSize(int kind) {
  switch (kind) {
    case okButton: return {75, 25};
    case okEdit: return {121, 21};
    case okImage: return {105, 105};
    case okBar: return {121, 17};
    case okCombo: return {145, 21};
    case okList: return {121, 97};
    case okMemo: return {185, 89};
    case okForm: return {400, 300};
    case okCheck: return {97, 17};
    case okPanel: return {185, 41};
    case okScroll: return {300, 200};
    default: return {65, 17};
  }
}

// ---- the bitmap box

TImageBox::TImageBox(QWidget* parent) : QWidget(parent) {}

void TImageBox::SetImage(const QImage& image, bool keepSize) {
  image_ = image.convertToFormat(QImage::Format_RGB32);
  if (!keepSize && !image_.isNull()) resize(image_.size());
  update();
}

void TImageBox::FitImageToSize(QColor fill) {
  QSize s = size().expandedTo(QSize(1, 1));
  if (image_.size() == s) return;
  QImage fresh(s, QImage::Format_RGB32);
  fresh.fill(fill);
  if (!image_.isNull()) {
    QPainter p(&fresh);
    p.drawImage(0, 0, image_);
  }
  image_ = fresh;
  update();
}

void TImageBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!Stretch && !image_.isNull()) FitImageToSize(Fill);
}

void TImageBox::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter p(this);
  QImage shown = image_;
  if (Transparent) {
    // The colour of the top-left pixel is not drawn.
    QImage a = image_.convertToFormat(QImage::Format_ARGB32);
    QRgb key = a.pixel(0, 0);
    for (int y = 0; y < a.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(a.scanLine(y));
      for (int x = 0; x < a.width(); ++x)
        if (line[x] == key) line[x] = 0;
    }
    shown = a;
  }
  if (Stretch) p.drawImage(rect(), shown);
  else p.drawImage(0, 0, shown);
}

// ---- forms

TFormWindow::TFormWindow(TGuiObjects& objects, int number)
    : QWidget(objects.MainWindow(), Qt::Window), objects_(objects), number_(number), img_(new TImageBox(this)) {
  img_->setObjectName(QStringLiteral("img"));
  img_->setProperty(kObjectTag, number);
  setProperty(kObjectTag, number);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void TFormWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  img_->resize(event->size());
  img_->FitImageToSize(palette().color(QPalette::Window));
  objects_.Notify(number_, esChange, TEventState());
}

void TFormWindow::closeEvent(QCloseEvent* event) {
  // A script form is hidden, not destroyed: the script still owns it.
  event->accept();
}

// ---- the object system

TGuiObjects::TGuiObjects(TKobuBase& base, QWidget* mainWindow) : base_(base), main_(mainWindow) {
  objDelTimer_.setSingleShot(true);
  objDelTimer_.setInterval(1);
  connect(&objDelTimer_, &QTimer::timeout, this, [this] { ReleasePending(); });
  kobuTimer_.setSingleShot(true);
  connect(&kobuTimer_, &QTimer::timeout, this, [this] {
    if (!timerTarget_) return;
    TEventState ev;
    ev.Target = timerTarget_;
    ev.Jump = true;
    try {
      RaiseEvent(base_, ev);
    } catch (const std::exception&) {
      // The run has reported its error already.
    }
    if (!InterpreterBusy(base_)) Idle();
  });
  if (main_) {
    main_->setProperty(kObjectTag, 0);
    main_->installEventFilter(this);
    // The main window's canvas: "img" covers the client area, under every object.
    mainImg_ = new TImageBox(main_);
    mainImg_->setObjectName(QStringLiteral("img"));
    mainImg_->resize(main_->size());
    mainImg_->FitImageToSize(Qt::white);
    mainImg_->lower();
  }
  base_.ObjectSystem = this;
}

TGuiObjects::~TGuiObjects() {
  if (base_.ObjectSystem == this) base_.ObjectSystem = nullptr;
  if (main_) main_->removeEventFilter(this);
}

TGuiObjects& Objects(TKobuBase& base) { return *static_cast<TGuiObjects*>(base.ObjectSystem); }

TObjNode* TGuiObjects::Record(int number) const {
  TObjNode* rec = base_.Objects.At(number);
  if (rec && number == 0 && !rec->Control) rec->Control = main_;
  return rec;
}

TImageBox* TGuiObjects::ImageBox(const TObjNode& rec) const {
  QWidget* w = Widget(rec);
  if (!w) return nullptr;
  if (rec.Kind == okImage) return static_cast<TImageBox*>(w);
  if (rec.Kind == okForm) {
    if (auto* f = dynamic_cast<TFormWindow*>(w)) return f->Img();
    return w->findChild<TImageBox*>(QStringLiteral("img"), Qt::FindDirectChildrenOnly);
  }
  return nullptr;
}

TObjNode* TGuiObjects::RecordOfWord(const std::string& nameIn, bool wordMessage, THashNode** wordOut) {
  std::string name = nameIn;
  if (!name.empty() && (name[0] == '"' || name[0] == '`')) name = EvaluateArgument(base_, name);
  THashNode* word = base_.Words.Find(name, false);
  if (!word) {
    if (wordMessage) ScriptError(base_, "単語\"%s\"は、定義されていません。", {name});
    ScriptError(base_, "オブジェクト\"%s\"は、作成されていません。", {name});
  }
  if (word->Kind != wkObject) {
    if (wordMessage) ScriptError(base_, "\"%s\"は、オブジェクトではありません。", {name});
    ScriptError(base_, "オブジェクト\"%s\"は、作成されていません。", {name});
  }
  TObjNode* rec = Record(static_cast<int>(word->Number));
  if (!rec) ScriptError(base_, "オブジェクト\"%s\"は、作成されていません。", {name});
  if (wordOut) *wordOut = word;
  return rec;
}

int TGuiObjects::Spacing() const {
  THashNode* w = base_.Settings[swLayoutGap];
  long long v = w ? IntegerText(w->Value, 8) : 8;
  return static_cast<int>(std::clamp<long long>(v, -32767, 32767));
}

void TGuiObjects::CopyToSo(const THashNode* word) {
  THashNode* so = base_.So;
  if (!so || !word || so == word) return;
  so->Kind = word->Kind;
  so->Number = word->Number;
  so->Value = word->Value;
  so->TypeMark = word->TypeMark;
}

bool TGuiObjects::ParentExtent(const TObjNode& rec, bool outer, QSize& extent) const {
  QWidget* w = Widget(rec);
  if (!w || !w->parentWidget()) return false;
  QWidget* parent = w->parentWidget();
  int pn = ObjectNumberOf(parent);
  const TObjNode* prec = pn >= 0 ? Record(pn) : nullptr;
  if (parent == main_ || (prec && prec->Kind == okForm)) {
    extent = parent->contentsRect().size();
    return true;
  }
  if (prec && (prec->Kind == okPanel || prec->Kind == okScroll || prec->Kind == okTabPage)) {
    extent = outer ? parent->size() : parent->contentsRect().size();
    return true;
  }
  if (QWidget* vp = parent; vp->parentWidget() && qobject_cast<QScrollArea*>(vp->parentWidget()->parentWidget())) {
    extent = vp->size();  // the inside of a scroll box
    return true;
  }
  return false;
}

QWidget* TGuiObjects::MakeWidget(int kind, int number, const std::string& caption) {
  QString cap = ToQt(caption);
  switch (kind) {
    case okButton: return new QPushButton(cap, main_);
    case okEdit: return new QLineEdit(main_);
    case okImage: {
      auto* box = new TImageBox(main_);
      return box;
    }
    case okBar: {
      auto* b = new QScrollBar(Qt::Horizontal, main_);
      b->setRange(0, 100);  // a new bar runs from 0 to 100
      return b;
    }
    case okCombo: {
      auto* c = new QComboBox(main_);
      c->setEditable(true);
      c->setInsertPolicy(QComboBox::NoInsert);
      return c;
    }
    case okList: return new QListWidget(main_);
    case okMemo: {
      auto* m = new QPlainTextEdit(main_);
      m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      m->setLineWrapMode(QPlainTextEdit::NoWrap);
      return m;
    }
    case okForm: {
      auto* f = new TFormWindow(*this, number);
      f->setWindowTitle(cap);
      return f;
    }
    case okLabel: {
      auto* l = new QLabel(cap, main_);
      l->setAttribute(Qt::WA_TranslucentBackground);
      return l;
    }
    case okCheck: return new QCheckBox(cap, main_);
    case okPanel: {
      auto* p = new QFrame(main_);
      p->setFrameStyle(QFrame::Panel | QFrame::Raised);
      p->setLineWidth(1);
      return p;
    }
    case okScroll: {
      auto* s = new QScrollArea(main_);
      auto* inner = new QWidget;
      inner->resize(1, 1);
      s->setWidget(inner);
      s->setWidgetResizable(false);
      return s;
    }
    default: return nullptr;
  }
}

void TGuiObjects::Connect(QWidget* w, int kind, int number) {
  unsigned events = KindEvents(kind);
  auto fire = [this, number](int slot) {
    TEventState ev;
    Notify(number, slot, ev);
  };
  w->setProperty(kObjectTag, number);
  w->installEventFilter(this);
  // A mouse event belongs to the object it happened on, never also to its parent.
  w->setAttribute(Qt::WA_NoMousePropagation);
  if (events & Bit(esMouseMove)) w->setMouseTracking(true);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
    area->viewport()->setProperty(kObjectTag, number);
    area->viewport()->installEventFilter(this);
    if (events & Bit(esMouseMove)) area->viewport()->setMouseTracking(true);
  }
  if (kind == okForm) {
    auto* f = static_cast<TFormWindow*>(w);
    f->Img()->installEventFilter(this);
    f->Img()->setMouseTracking(true);
    f->Img()->setAttribute(Qt::WA_NoMousePropagation);
  }
  if (auto* b = qobject_cast<QAbstractButton*>(w)) connect(b, &QAbstractButton::clicked, this, [fire] { fire(esClick); });
  if (auto* e = qobject_cast<QLineEdit*>(w)) connect(e, &QLineEdit::textChanged, this, [fire] { fire(esChange); });
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) connect(m, &QPlainTextEdit::textChanged, this, [fire] { fire(esChange); });
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    connect(c, &QComboBox::editTextChanged, this, [fire] { fire(esChange); });
    if (c->lineEdit()) {
      c->lineEdit()->setProperty(kObjectTag, number);
      c->lineEdit()->installEventFilter(this);
    }
  }
  if (auto* s = qobject_cast<QScrollBar*>(w)) connect(s, &QScrollBar::valueChanged, this, [fire] { fire(esChange); });
}

TObjNode* TGuiObjects::Create(const std::string& name, int kind, bool atCursor, int x, int y) {
  if (kind < 0 || kind >= okKindCount)
    ScriptError(base_, "オブジェクト\"%s\"は、未定義なので、作成できません。", {name});
  if (!BuiltKind(kind))
    ScriptError(base_, "オブジェクト\"%s\"の種類\"%s\"は、まだ作成できません。", {name, ObjectKindName(kind)});
  std::string kindName = ObjectKindName(kind);
  std::string caption = name;
  if (caption.size() > kindName.size() && EndsWithChars(caption, kindName))
    caption.resize(caption.size() - kindName.size());

  int number = base_.Objects.Count();
  QWidget* w = MakeWidget(kind, number, caption);
  if (!w) ScriptError(base_, "オブジェクト\"%s\"は、未定義なので、作成できません。", {name});
  QSize size = DefaultObjectSize(kind);

  if (TakesFont(kind)) {
    THashNode* face = base_.Settings[swTextFont];
    THashNode* pts = base_.Settings[swTextSize];
    int points = pts ? static_cast<int>(IntegerText(pts->Value, 12)) : 12;
    w->setFont(FontFromDescription(face ? face->Value : std::string(), points));
  }
  if (kind == okForm || kind == okLabel) {
    QColor c(Qt::black);
    if (THashNode* tc = base_.Settings[swTextColour]) ParseColour(tc->Value, c);
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
  }
  if (kind == okLabel) size = QFontMetrics(w->font()).size(Qt::TextSingleLine, ToQt(caption)) + QSize(2, 2);
  if (kind == okButton) {
    // Widened to fit the caption, never narrowed.
    int wide = QFontMetrics(main_ ? main_->font() : w->font()).horizontalAdvance(QLatin1Char('W')) *
               static_cast<int>(caption.size());
    size.setWidth(std::max(size.width(), std::min(wide, 32767)));
  }

  if (kind == okForm) {
    auto* f = static_cast<TFormWindow*>(w);
    f->resize(size);
    f->Img()->resize(size);
    f->Img()->FitImageToSize(Qt::white);
    f->move((base_.ScreenWidth - size.width()) / 2, (base_.ScreenHeight - size.height()) / 2);
    f->show();
  } else {
    w->resize(size);
    if (kind == okImage) static_cast<TImageBox*>(w)->FitImageToSize(Qt::white);
    int left = atCursor ? base_.LayoutX : x, top = atCursor ? base_.LayoutY : y;
    if (base_.Centering && main_) left = (main_->contentsRect().width() - size.width()) / 2;
    w->move(left, top);
    w->show();
    base_.LayoutY = top + size.height() + Spacing();
  }

  Connect(w, kind, number);
  auto rec = std::make_unique<TObjNode>();
  rec->Name = name;
  rec->Kind = kind;
  rec->Number = number;
  rec->Control = w;
  base_.Objects.Add(std::move(rec));
  auto word = std::make_unique<THashNode>(name, std::string(), std::string(), kindName, wkObject, number, nullptr, false);
  THashNode* wp = word.get();
  base_.Words.Add(std::move(word));
  CopyToSo(wp);
  return Record(number);
}

void TGuiObjects::Destroy(const std::string& name) {
  THashNode* word = base_.Words.Find(name, false);
  if (!word) ScriptError(base_, "オブジェクト\"%s\"が特定できません。", {name});
  if (word->Kind == wkObject && word->Number == 0) return;  // 母艦 stays
  TObjNode* rec = word->Kind == wkObject ? base_.Objects.At(static_cast<int>(word->Number)) : nullptr;
  if (rec && rec->Number != 0) {
    QWidget* w = Widget(*rec);
    if (!w) ScriptError(base_, "オブジェクトの破壊で、オブジェクト\"%s\"が特定できません。", {name});
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->clear();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->clear();
    if (auto* c = qobject_cast<QComboBox*>(w)) c->clear();
    if (auto* l = qobject_cast<QListWidget*>(w)) l->clear();
    w->hide();
    pending_.push_back(w);
    base_.Objects.Replace(rec->Number, nullptr);
  }
  if (base_.So && base_.So->Kind == wkObject && base_.So->Number == word->Number) {
    base_.So->Kind = wkVariable;
    base_.So->Number = -1;
  }
  base_.Words.Delete(name, false);
}

void TGuiObjects::DestroyAll() {
  for (int n = 1; n < base_.Objects.Count(); ++n)
    if (TObjNode* rec = base_.Objects.At(n)) {
      std::string name = rec->Name;
      if (base_.Words.Find(name, false)) Destroy(name);
      else {
        if (QWidget* w = Widget(*rec)) {
          w->hide();
          pending_.push_back(w);
        }
        base_.Objects.Replace(n, nullptr);
      }
    }
}

void TGuiObjects::Idle() {
  // Destroyed objects go once the handler that destroyed them has returned.
  if (!pending_.empty()) objDelTimer_.start();
}

void TGuiObjects::ReleasePending() {
  for (QWidget* w : pending_) w->deleteLater();
  pending_.clear();
}

void TGuiObjects::SetEventSlot(TObjNode& rec, int slot, const std::string& valueIn) {
  if (slot < 0 || slot >= esCount) return;
  std::string v = valueIn;
  auto clear = [&] {
    rec.LabelTexts[slot].clear();
    rec.LabelTargets[slot] = nullptr;
  };
  if (v == "\"\"" || v == "``") return clear();
  if (v.size() >= 2 && v.front() == '`' && v.back() == '`') v = UnquoteName(v);
  // A label named in 「」 (クリックした時は「押した」) is that label; as script
  // text the bare literal would only fail when the event comes.
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
    THashNode* named = base_.Words.Find(EvaluateArgument(base_, v), false);
    if (named && named->Kind == wkLabel) v = named->Name;
  }
  THashNode* word = v.empty() ? nullptr : base_.Words.Find(v, true);
  if (word) {
    if (word->Kind == wkLabel) {
      rec.LabelTexts[slot] = v;
      rec.LabelTargets[slot] = static_cast<const char*>(word->Data);
      return;
    }
    if (word->Kind == wkVariable)
      ScriptErrorSj(base_, sj("計算式に誤りがあります。") + sj("イベントに変数を設定することは出来ません。ラベルを指定してください。"));
  } else {
    if (v.empty()) return clear();
    if (v[0] == '(') v = EvaluateArgument(base_, v);
  }
  // A piece of script text runs as the handler; it lives as long as the run,
  // so a queued or running handler never outlives its text.
  const char* start;
  auto found = base_.FragmentTexts.find(v);
  if (found != base_.FragmentTexts.end()) start = found->second->c_str() + 1;
  else start = base_.AddFragmentText(v, Preprocess(base_, v));
  rec.LabelTexts[slot] = v;
  rec.LabelTargets[slot] = start;
}

void TGuiObjects::Notify(int number, int slot, TEventState ev) {
  TObjNode* rec = Record(number);
  if (!rec || slot < 0 || slot >= esCount) return;
  ev.Object = number;
  if (ev.Mouse) SetEventWords(base_, ev);  // the mouse words change even without a handler
  const char* target = rec->LabelTargets[slot];
  if (!target) return;
  ev.Target = target;
  bool idle = !InterpreterBusy(base_);
  try {
    RaiseEvent(base_, std::move(ev));
  } catch (const std::exception&) {
    // The run has reported its error already; nothing may cross the toolkit.
  }
  // A handler run while idle has returned: what it destroyed can go.
  if (idle) Idle();
}

bool TGuiObjects::eventFilter(QObject* watched, QEvent* event) {
  QEvent::Type t = event->type();
  bool mouse = t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease || t == QEvent::MouseMove ||
               t == QEvent::MouseButtonDblClick;
  bool key = t == QEvent::KeyPress || t == QEvent::KeyRelease;
  if (t == QEvent::Resize && watched == main_ && mainImg_) {
    // The canvas follows the window, keeping what was drawn.
    mainImg_->resize(main_->size());
    mainImg_->FitImageToSize(main_->palette().color(QPalette::Window));
    return QObject::eventFilter(watched, event);
  }
  if (t == QEvent::DragEnter || t == QEvent::DragMove || t == QEvent::Drop) return FileDrop(watched, event);
  if (!mouse && !key) return QObject::eventFilter(watched, event);
  int number = ObjectNumberOf(watched);
  TObjNode* rec = number >= 0 ? Record(number) : nullptr;
  if (!rec) return QObject::eventFilter(watched, event);
  unsigned events = number == 0 ? ~0u : KindEvents(rec->Kind);

  if (mouse) {
    auto* me = static_cast<QMouseEvent*>(event);
    TEventState ev;
    ev.Mouse = ev.Special = true;
    QPoint pos = me->position().toPoint();
    ev.X = pos.x();
    ev.Y = pos.y();
    Qt::MouseButtons buttons = me->buttons() | me->button();
    ev.SpecialKeys = SpecialKeys(me->modifiers(), buttons, t == QEvent::MouseButtonDblClick);
    switch (t) {
      case QEvent::MouseButtonPress:
        if (events & Bit(esMouseDown)) Notify(number, esMouseDown, ev);
        break;
      case QEvent::MouseButtonRelease:
        if (events & Bit(esMouseUp)) Notify(number, esMouseUp, ev);
        // Widgets without a click signal of their own click on release.
        if (me->button() == Qt::LeftButton && (events & Bit(esClick)) && !qobject_cast<QAbstractButton*>(watched) &&
            Record(number))
          Notify(number, esClick, TEventState());
        break;
      case QEvent::MouseButtonDblClick:
        if (events & Bit(esDoubleClick)) Notify(number, esDoubleClick, TEventState());
        break;
      default:
        if (events & Bit(esMouseMove)) Notify(number, esMouseMove, ev);
        break;
    }
    return QObject::eventFilter(watched, event);
  }

  auto* ke = static_cast<QKeyEvent*>(event);
  // A key an object ignores goes on to its parent as the same event: it was
  // reported once already.
  auto* watchedWidget = qobject_cast<QWidget*>(watched);
  if (event == lastKey_ && lastKeyWidget_ && watchedWidget && watchedWidget != lastKeyWidget_ &&
      watchedWidget->isAncestorOf(lastKeyWidget_))
    return QObject::eventFilter(watched, event);
  lastKey_ = event;
  lastKeyWidget_ = watchedWidget;
  int slot = t == QEvent::KeyPress ? esKeyDown : esKeyUp;
  TEventState ev;
  ev.Key = ev.Special = true;
  ev.KeyCode = VirtualKeyCode(*ke);
  ev.SpecialKeys = SpecialKeys(ke->modifiers(), Qt::NoButton, false);
  // The main window sees every key first.
  if (number != 0) {
    if (TObjNode* mother = Record(0); mother && mother->LabelTargets[slot]) Notify(0, slot, ev);
  }
  if ((events & Bit(slot)) && Record(number) && Record(number)->LabelTargets[slot]) Notify(number, slot, ev);
  return QObject::eventFilter(watched, event);
}

// Files dropped from the desktop onto an object that accepts them: its
// ファイルドロップした時 handler, or the default of edits, lists and memos.
bool TGuiObjects::FileDrop(QObject* watched, QEvent* event) {
  auto* drop = static_cast<QDropEvent*>(event);
  const QMimeData* mime = drop->mimeData();
  if (!mime || !mime->hasUrls()) return false;
  if (event->type() != QEvent::Drop) {
    drop->acceptProposedAction();
    return true;
  }
  int number = ObjectNumberOf(watched);
  TObjNode* rec = number >= 0 ? Record(number) : nullptr;
  if (!rec) return false;
  std::string names;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    if (!names.empty()) names += "\r\n";
    names += FromQt(base_, url.toLocalFile());
  }
  drop->acceptProposedAction();
  if (names.empty()) return true;
  if (rec->LabelTargets[esFileDrop]) {
    TEventState ev;
    ev.HasValue = true;
    ev.Value = names;
    Notify(number, esFileDrop, ev);
    return true;
  }
  QWidget* w = Widget(*rec);
  QString text = ToQt(names);
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text);
  else if (auto* l = qobject_cast<QListWidget*>(w)) l->addItems(text.split(QStringLiteral("\r\n")));
  else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->appendPlainText(text.split(QStringLiteral("\r\n")).join('\n'));
  return true;
}

void TGuiObjects::ArmTimer(const char* target, int milliseconds) {
  timerTarget_ = target;
  if (target) kobuTimer_.start(std::max(0, milliseconds));
  else kobuTimer_.stop();
}

void TGuiObjects::StopTimer() { kobuTimer_.stop(); }

bool TGuiObjects::KeepsRunAlive() const { return kobuTimer_.isActive() && timerTarget_; }

}  // namespace kobu
