#include "gui/window_messages.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>

#include "commands/args.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/properties.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "gui/gui_objects.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// The classic message numbers scripts send, each bound to a Qt action below.
// Anything else answers 0 and does nothing.
enum TMessage : long long {
  wmSetText = 12,          // lparam a word: the text becomes its value; a number: answers the length only
  wmGetText = 13,          // the text into the lparam word (wparam > 0: at most wparam-1 bytes)
  wmGetTextLength = 14,    // in Shift-JIS bytes
  wmClose = 16,            // a window closes, a part hides
  emGetSel = 176,          // start + end * 65536, in bytes
  emSetSel = 177,          // wparam..lparam; start -1 removes the selection, end -1 is the text's end
  bmClick = 245,           // a button clicks; other parts get a left press and release at (0,0)
  wmKeyDown = 256,         // wparam a virtual-key code
  wmKeyUp = 257,
  wmChar = 258,            // wparam a character code (a Shift-JIS double-byte code above 255)
  cbGetCount = 326,        // combo: item count
  cbGetCurSel = 327,       // combo: selected index, -1 none
  cbSetCurSel = 334,       // combo: select wparam (-1 none); answers it, -1 when out of range
  lbSetCurSel = 390,       // list: the same
  lbGetCurSel = 392,       // list: selected index, -1 none
  lbGetCount = 395,        // list: item count
  wmMouseMove = 512,       // lparam y*65536+x; wparam 1 left, 2 right, 4 Shift, 8 Ctrl, 16 middle held
  wmLButtonDown = 513,
  wmLButtonUp = 514,
  wmLButtonDblClk = 515,
  wmRButtonDown = 516,
  wmRButtonUp = 517,
};

// ---- text as the classic controls keep it

bool IsMultiLine(const QWidget* w) {
  return qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

QString PlainText(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->toPlainText();
  if (auto* r = qobject_cast<QTextEdit*>(w)) return r->toPlainText();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  return w->windowTitle();
}

void SetPlainText(QWidget* w, const QString& text) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setText(text);
  if (IsMultiLine(w)) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->setPlainText(lines);
    return static_cast<QTextEdit*>(w)->setPlainText(lines);
  }
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->setText(text);
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->setEditText(text);
  if (auto* l = qobject_cast<QLabel*>(w)) return l->setText(text);
  w->setWindowTitle(text);
}

// Bytes one character takes in the text scripts see: a memo's line end is CR LF.
int CharBytes(char32_t c, bool crlf) {
  if (c == U'\n') return crlf ? 2 : 1;
  if (c < 0x80) return 1;
  return static_cast<int>(Utf8ToCp932(QString::fromUcs4(&c, 1).toStdString()).size());
}

// The Shift-JIS byte count of text[0, end).
int BytesBefore(const QString& text, int end, bool crlf) {
  int bytes = 0;
  for (int i = 0; i < end && i < text.size();) {
    char32_t c = text.at(i).unicode();
    int units = 1;
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      units = 2;
    }
    bytes += CharBytes(c, crlf);
    i += units;
  }
  return bytes;
}

// The position in `text` of a byte offset, at the start of the character that
// holds it; -1 and offsets past the end give the end.
int PositionOfBytes(const QString& text, long long offset, bool crlf) {
  if (offset < 0) return static_cast<int>(text.size());
  long long bytes = 0;
  int i = 0;
  while (i < text.size()) {
    char32_t c = text.at(i).unicode();
    int units = 1;
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      units = 2;
    }
    int len = CharBytes(c, crlf);
    if (bytes + len > offset) break;
    bytes += len;
    i += units;
  }
  return i;
}

std::string ScriptText(TKobuBase& base, QWidget* w) {
  QString text = PlainText(w);
  if (IsMultiLine(w)) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return FromQt(base, text);
}

// ---- selections of edits, in bytes

bool Selection(QWidget* w, int& start, int& end) {
  QString text;
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    text = e->text();
    start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    end = e->hasSelectedText() ? e->selectionEnd() : start;
  } else if (IsMultiLine(w)) {
    auto* m = qobject_cast<QPlainTextEdit*>(w);
    QTextCursor cur = m ? m->textCursor() : static_cast<QTextEdit*>(w)->textCursor();
    text = PlainText(w);
    start = cur.selectionStart();
    end = cur.selectionEnd();
  } else {
    return false;
  }
  bool crlf = IsMultiLine(w);
  start = BytesBefore(text, start, crlf);
  end = BytesBefore(text, end, crlf);
  return true;
}

void SetSelection(QWidget* w, long long startBytes, long long endBytes) {
  bool crlf = IsMultiLine(w);
  QString text = PlainText(w);
  int start = PositionOfBytes(text, startBytes, crlf), end = PositionOfBytes(text, endBytes, crlf);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    if (startBytes < 0) return e->deselect();
    // The caret goes to the end given, even when it comes first.
    return e->setSelection(start, end - start);
  }
  if (!crlf) return;
  auto* m = qobject_cast<QPlainTextEdit*>(w);
  QTextCursor cur = m ? m->textCursor() : static_cast<QTextEdit*>(w)->textCursor();
  if (startBytes < 0) {
    cur.clearSelection();
  } else {
    cur.setPosition(start);
    cur.setPosition(end, QTextCursor::KeepAnchor);
  }
  if (m) m->setTextCursor(cur);
  else static_cast<QTextEdit*>(w)->setTextCursor(cur);
}

// ---- list and combo selections

long long SelectRow(int count, long long index, const std::function<void(int)>& select) {
  if (index == -1) {
    select(-1);
    return -1;
  }
  if (index < 0 || index >= count) return -1;
  select(static_cast<int>(index));
  return index;
}

// ---- keys

struct TKeyPair {
  int Vk;
  int Qt;
};
// Keys whose codes differ; A-Z and 0-9 share their codes, F1-F24 are 112-135
// and the number pad 96-111 (Qt marks those with the keypad modifier).
const TKeyPair kKeys[] = {
    {8, Qt::Key_Backspace}, {9, Qt::Key_Tab},         {13, Qt::Key_Return},     {16, Qt::Key_Shift},
    {17, Qt::Key_Control},  {18, Qt::Key_Alt},        {19, Qt::Key_Pause},      {20, Qt::Key_CapsLock},
    {27, Qt::Key_Escape},   {32, Qt::Key_Space},      {33, Qt::Key_PageUp},     {34, Qt::Key_PageDown},
    {35, Qt::Key_End},      {36, Qt::Key_Home},       {37, Qt::Key_Left},       {38, Qt::Key_Up},
    {39, Qt::Key_Right},    {40, Qt::Key_Down},       {44, Qt::Key_Print},      {45, Qt::Key_Insert},
    {46, Qt::Key_Delete},   {91, Qt::Key_Meta},       {93, Qt::Key_Menu},       {144, Qt::Key_NumLock},
    {145, Qt::Key_ScrollLock},
    // Spellings of the same keys that only go one way.
    {13, Qt::Key_Enter},    {9, Qt::Key_Backtab},     {18, Qt::Key_AltGr},
};
const TKeyPair kPadKeys[] = {
    {106, Qt::Key_Asterisk}, {107, Qt::Key_Plus}, {109, Qt::Key_Minus}, {110, Qt::Key_Period},
    {111, Qt::Key_Slash},    {110, Qt::Key_Comma},
};

// The Qt key and modifiers of a virtual-key code; key 0 when there is none.
std::pair<int, Qt::KeyboardModifiers> QtKeyOf(int code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return {code, Qt::NoModifier};
  if (code >= 112 && code <= 135) return {Qt::Key_F1 + (code - 112), Qt::NoModifier};
  if (code >= 96 && code <= 105) return {Qt::Key_0 + (code - 96), Qt::KeypadModifier};
  for (const TKeyPair& k : kPadKeys)
    if (k.Vk == code) return {k.Qt, Qt::KeypadModifier};
  for (const TKeyPair& k : kKeys)
    if (k.Vk == code) return {k.Qt, Qt::NoModifier};
  return {0, Qt::NoModifier};
}

// The modifier bit of a modifier key.
Qt::KeyboardModifiers ModifierOfKey(int key) {
  switch (key) {
    case Qt::Key_Shift: return Qt::ShiftModifier;
    case Qt::Key_Control: return Qt::ControlModifier;
    case Qt::Key_Alt: return Qt::AltModifier;
    default: return Qt::NoModifier;
  }
}

// A character message's Qt key and text; false for a code that names no
// character (a single byte that begins a two-byte one, for instance).
bool CharacterOf(long long code, int& key, QString& text) {
  if (code <= 0 || code > 0xFFFF) return false;
  if (code < 0x80) {
    char c = static_cast<char>(code);
    text = QString(QLatin1Char(c));
    switch (c) {
      case 8: key = Qt::Key_Backspace; break;
      case 9: key = Qt::Key_Tab; break;
      case 10: case 13: key = Qt::Key_Return; text = QStringLiteral("\r"); break;
      case 27: key = Qt::Key_Escape; break;
      default:
        if (c < 0x20 || c == 0x7F) return false;
        // Qt names a printable key by its upper-case character.
        key = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
    }
    return true;
  }
  std::string bytes;
  if (code <= 0xFF) bytes += static_cast<char>(code);
  else bytes = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  if (IsLeadByte(static_cast<unsigned char>(bytes[0])) != (bytes.size() == 2)) return false;
  bool lossless = true;
  text = QString::fromStdString(Cp932ToUtf8(bytes, &lossless));
  if (!lossless) return false;
  key = 0;
  return true;
}

// ---- mouse

// Where the object's mouse goes: the client area, as a real click lands there.
QWidget* MouseTarget(TKobuBase& base, const TObjNode& rec, QWidget* w) {
  if (rec.Kind == okForm)
    if (TImageBox* img = Objects(base).ImageBox(rec)) return img;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area->viewport();
  return w;
}

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, long long wparam, int x, int y) {
  Qt::MouseButtons held;
  if (wparam & 1) held |= Qt::LeftButton;
  if (wparam & 2) held |= Qt::RightButton;
  if (wparam & 16) held |= Qt::MiddleButton;
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) held |= button;
  if (type == QEvent::MouseButtonRelease) held &= ~Qt::MouseButtons(button);
  Qt::KeyboardModifiers mods;
  if (wparam & 4) mods |= Qt::ShiftModifier;
  if (wparam & 8) mods |= Qt::ControlModifier;
  QPointF local(x, y);
  QMouseEvent event(type, local, target->mapToGlobal(local), button, held, mods);
  QApplication::sendEvent(target, &event);
}

void SendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text) {
  QKeyEvent event(type, key, mods, text);
  QApplication::sendEvent(target, &event);
}

[[noreturn]] void ArgumentError(TKobuBase& base) {
  ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, "メッセージ送信")});
}

std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}

// The parts of a message are 32-bit: "$FFFFFFFF" is -1, and a decimal number
// outside the range is no number (0), like any other text.
int32_t MessageInteger(const std::string& text) {
  long long v = IntegerText(text, 0);
  if (v >= INT32_MIN && v <= INT32_MAX) return static_cast<int32_t>(v);
  bool hex = text.find_first_of("$xX") != std::string::npos;
  if (hex && v > 0 && v <= 0xFFFFFFFFLL) return static_cast<int32_t>(static_cast<uint32_t>(v));
  return 0;
}

// The message text "number,wparam,lparam". The lparam may name a word (made
// at the current scope level when missing): the word the message reads or writes.
struct TMessageText {
  long long Number = 0, WParam = 0, LParam = 0;
  THashNode* Word = nullptr;
};

TMessageText ParseMessage(TKobuBase& base, const std::string& text) {
  TMessageText m;
  // The text is half-width already, so "," is one byte and never a trail byte.
  size_t comma1 = SjisFindFrom(",", text, 0);
  std::string number = text.substr(0, comma1), wparam, lparam;
  if (comma1 != std::string::npos) {
    size_t comma2 = SjisFindFrom(",", text, comma1 + 1);
    wparam = text.substr(comma1 + 1, comma2 == std::string::npos ? std::string::npos : comma2 - comma1 - 1);
    if (comma2 != std::string::npos) lparam = text.substr(comma2 + 1);
  }
  m.Number = MessageInteger(Trimmed(number));
  m.WParam = MessageInteger(Trimmed(wparam));
  lparam = Trimmed(lparam);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (lparam.empty()) {
    m.LParam = 0;
  } else if (lparam[0] == '$' || digit(lparam[0]) || (lparam[0] == '-' && lparam.size() > 1 && digit(lparam[1]))) {
    m.LParam = MessageInteger(lparam);
  } else {
    m.Word = base.Words.Find(lparam, false);
    if (!m.Word) {
      // A command's own spelling (言う) is no name for a new variable.
      if (base.CommandSpellings.count(lparam)) ArgumentError(base);
      m.Word = CreateVariable(base, lparam);
    }
  }
  return m;
}

long long Send(TKobuBase& base, const TObjNode& rec, QWidget* w, const TMessageText& m) {
  // Mouse positions are two signed 16-bit halves.
  int x = static_cast<int16_t>(m.LParam & 0xFFFF), y = static_cast<int16_t>((m.LParam >> 16) & 0xFFFF);
  switch (m.Number) {
    case wmSetText:
      if (!m.Word) return static_cast<long long>(ScriptText(base, w).size());
      SetPlainText(w, ToQt(m.Word->Value));
      return 1;
    case wmGetText: {
      if (!m.Word) return 0;
      if (m.Word->Kind != wkVariable || m.Word->Reserved) ArgumentError(base);
      std::string text = ScriptText(base, w);
      if (m.WParam > 0 && static_cast<unsigned long long>(m.WParam - 1) < text.size()) {
        // Room for wparam-1 bytes, cut before a character that would not fit whole.
        size_t cut = 0;
        while (cut < text.size()) {
          size_t len = CharLenAt(text, cut);
          if (cut + len > static_cast<size_t>(m.WParam - 1)) break;
          cut += len;
        }
        text.resize(cut);
      }
      long long length = static_cast<long long>(text.size());
      m.Word->Value = std::move(text);
      m.Word->TypeMark = "s";
      return length;
    }
    case wmGetTextLength: return static_cast<long long>(ScriptText(base, w).size());
    case wmClose:
      if (w->isWindow()) w->close();
      else w->hide();
      return 0;
    case emGetSel: {
      int start = 0, end = 0;
      if (!Selection(w, start, end)) return 0;
      if (start > 0xFFFF || end > 0xFFFF) return -1;
      return start + end * 65536LL;
    }
    case emSetSel:
      SetSelection(w, m.WParam, m.LParam);
      return 0;
    case bmClick:
      if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->click();
      } else {
        QWidget* target = MouseTarget(base, rec, w);
        SendMouse(target, QEvent::MouseButtonPress, Qt::LeftButton, 0, 0, 0);
        SendMouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, 0, 0, 0);
      }
      return 0;
    case wmKeyDown:
    case wmKeyUp: {
      auto [key, mods] = QtKeyOf(static_cast<int>(m.WParam));
      if (m.WParam < 0 || m.WParam > 255) key = 0;
      // Events carry the modifiers from before a modifier key moved, and Qt
      // turns that key's own bit over: held while it goes down, not after it is up.
      if (m.Number == wmKeyUp) mods |= ModifierOfKey(key);
      SendKey(w, m.Number == wmKeyDown ? QEvent::KeyPress : QEvent::KeyRelease, key ? key : Qt::Key_unknown, mods,
              QString());
      return 0;
    }
    case wmChar: {
      int key = 0;
      QString text;
      if (CharacterOf(m.WParam, key, text))
        SendKey(w, QEvent::KeyPress, key ? key : Qt::Key_unknown, Qt::NoModifier, text);
      return 0;
    }
    case cbGetCount:
      if (auto* c = qobject_cast<QComboBox*>(w)) return c->count();
      return 0;
    case cbGetCurSel:
      if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
      return 0;
    case cbSetCurSel:
      if (auto* c = qobject_cast<QComboBox*>(w))
        return SelectRow(c->count(), m.WParam, [c](int i) { c->setCurrentIndex(i); });
      return 0;
    case lbSetCurSel:
      if (auto* l = qobject_cast<QListWidget*>(w))
        return SelectRow(l->count(), m.WParam, [l](int i) { l->setCurrentRow(i); });
      return 0;
    case lbGetCurSel:
      if (auto* l = qobject_cast<QListWidget*>(w)) return l->currentRow();
      return 0;
    case lbGetCount:
      if (auto* l = qobject_cast<QListWidget*>(w)) return l->count();
      return 0;
    case wmMouseMove:
      SendMouse(MouseTarget(base, rec, w), QEvent::MouseMove, Qt::NoButton, m.WParam, x, y);
      return 0;
    case wmLButtonDown:
    case wmLButtonUp:
    case wmLButtonDblClk:
    case wmRButtonDown:
    case wmRButtonUp: {
      static const QEvent::Type kTypes[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                             QEvent::MouseButtonDblClick, QEvent::MouseButtonPress,
                                             QEvent::MouseButtonRelease};
      int i = static_cast<int>(m.Number - wmLButtonDown);
      SendMouse(MouseTarget(base, rec, w), kTypes[i], i < 3 ? Qt::LeftButton : Qt::RightButton, m.WParam, x, y);
      return 0;
    }
    default: return 0;
  }
}

}  // namespace

void CmdSendMessage(TKobuBase& base) {
  std::string text = TConvToHalf::Instance().Convert(ArgText(base));
  std::string name = UnquoteName(ArgName(base));
  if (!name.empty() && name[0] == '"') name = EvaluateArgument(base, name);
  TObjNode* rec = base.Objects.FindByName(name);
  if (!rec) ScriptError(base, "オブジェクト\"%s\"が特定できません。", {name});
  TMessageText m = ParseMessage(base, text);
  if (m.Number < 0) ArgumentError(base);
  QWidget* w = rec->Number == 0 ? Objects(base).MainWindow() : TGuiObjects::Widget(*rec);
  if (!w) ArgumentError(base);
  long long answer = Send(base, *rec, w, m);
  SetResult(base, std::to_string(answer), "e");
}

int VirtualKeyCode(const QKeyEvent& event) {
  int key = event.key();
  if (event.modifiers() & Qt::KeypadModifier) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return 96 + (key - Qt::Key_0);
    for (const TKeyPair& k : kPadKeys)
      if (k.Qt == key) return k.Vk;
  }
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  for (const TKeyPair& k : kKeys)
    if (k.Qt == key) return k.Vk;
  // Punctuation has no code of its own: its key depends on the layout, and
  // Qt's codes for it (the characters) would collide with the table above.
  return 0;
}

int QtKeyOfVirtualKey(int code) { return QtKeyOf(code).first; }

}  // namespace kobu
