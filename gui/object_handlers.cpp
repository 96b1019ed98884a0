// The commands that act on GUI objects as a whole, and the timer commands.
#include <QApplication>
#include <QElapsedTimer>
#include <QPainterPath>
#include <QRegion>
#include <QScrollArea>
#include <QTimer>
#include <cmath>

#include "commands/args.h"
#include "commands/registry.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/properties.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "gui/drawing_commands.h"
#include "gui/gui_objects.h"
#include "gui/mainwindow_commands.h"
#include "gui/window_messages.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// The object word an argument names (one pair of backquotes dropped).
THashNode* ObjectWordArg(TKobuBase& base) {
  std::string name = UnquoteName(ArgName(base));
  THashNode* w = base.Words.Find(name, false);
  if (!w) ScriptError(base, "オブジェクト\"%s\"が特定できません。", {name});
  if (w->Kind != wkObject) ScriptError(base, "\"%s\"は、オブジェクトではありません。", {name});
  return w;
}

TObjNode& ObjectArg(TKobuBase& base, THashNode** wordOut = nullptr) {
  THashNode* w = ObjectWordArg(base);
  TObjNode* rec = Objects(base).Record(static_cast<int>(w->Number));
  if (!rec) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {w->Name});
  if (wordOut) *wordOut = w;
  return *rec;
}

QWidget& WidgetOf(TKobuBase& base, const TObjNode& rec) {
  QWidget* w = TGuiObjects::Widget(rec);
  if (!w) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {rec.Name});
  return *w;
}

// Two numbers from a coordinate text such as (10,20), each rounded; false
// when the text is not exactly two numbers.
bool ParseCoordinatesText(TKobuBase& base, const std::string& text, int& x, int& y) {
  std::vector<std::string> items = CoordinateItems(base, text);
  if (items.size() != 2) return false;
  long double v[2];
  for (int k = 0; k < 2; ++k) {
    v[k] = std::nearbyint(TextToNumber(items[k]));
    if (!(v[k] >= -32768 && v[k] <= 32767)) return false;
  }
  x = static_cast<int>(v[0]);
  y = static_cast<int>(v[1]);
  return true;
}

// 作成 (?に,?を,?として): position, name, kind.
void CmdCreate(TKobuBase& base) {
  std::string kindText = UnquoteName(ArgName(base));
  std::string name = ArgName(base);
  std::string position = ArgName(base);
  bool atCursor = base.ImplicitSore;
  if (!name.empty() && (name[0] == '"' || name[0] == '`')) name = EvaluateArgument(base, name);
  if (base.Words.Find(name, false))
    ScriptError(base, "オブジェクト\"%s\"は、既に存在するので、作成できません。", {name});
  int x = 0, y = 0;
  if (!atCursor) {
    bool ok = false;
    try {
      ok = ParseCoordinatesText(base, position, x, y);
    } catch (const EKobu&) {
      ok = false;
    }
    if (!ok)
      ScriptErrorSj(base, FillArgs(sj("オブジェクト\"%s\"は、未定義なので、作成できません。座標指定に誤りがあります。"), {name}) +
                              "\"" + position + "\"");
  }
  Objects(base).Create(name, ObjectKindOf(kindText), atCursor, x, y);
}

// 作る (?を): the kind follows from the end of the name; placed at the layout cursor.
void CmdMake(TKobuBase& base) {
  std::string name = ArgText(base);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.erase(name.begin());
  if (name.empty())
    ScriptError(base, "\"%s\"命令の引数に誤りがあります。オブジェクト名がありません。", {RunningCommandName(base, "作る")});
  int kind = okButton;
  for (int k = 0; k < okKindCount; ++k)
    if (EndsWithChars(name, ObjectKindName(k))) {
      kind = k;
      break;
    }
  // The object is made directly: building statement text from the name would
  // run whatever a name holding ";" or quotes says.
  try {
    if (base.Words.Find(name, false))
      ScriptError(base, "オブジェクト\"%s\"は、既に存在するので、作成できません。", {name});
    Objects(base).Create(name, kind, true, 0, 0);
  } catch (const EKobu& e) {
    ScriptErrorSj(base, e.Message() + sj("(\"作る\"命令にて)"));
  }
}

// 設定 (?の,?を,?に): object, property, value.
void CmdSetProperty(TKobuBase& base) {
  std::string value = ArgName(base);
  std::string property = ArgText(base);
  std::string object = ArgName(base);
  Objects(base).SetProperty(object, property, value);
}

// 得る (?の,?を,?に): object, property, the variable that receives the value.
void CmdGetProperty(TKobuBase& base) {
  THashNode* var = ArgWord(base, true);
  std::string property = ArgText(base);
  std::string object = ArgName(base);
  if (var->Reserved) ScriptError(base, "\"%s\"は、読取専用です。", {var->Name});
  std::string v = Objects(base).GetProperty(object, property);
  var->Value = v;
  var->TypeMark = base.LastTypeMark == "e" ? "e" : "s";
}

void CmdDestroy(TKobuBase& base) { Objects(base).Destroy(UnquoteName(ArgName(base))); }

void CmdDestroyAll(TKobuBase& base) { Objects(base).DestroyAll(); }

// その単語に特定 (?を): the named word becomes その.
void CmdChooseSo(TKobuBase& base) {
  std::string name = ArgText(base);
  THashNode* w = base.Words.Find(name, false);
  if (!w) ScriptError(base, "オブジェクト\"%s\"が特定できません。", {name});
  Objects(base).CopyToSo(w);
}

// 中央へ移動 (?を).
void CmdCentre(TKobuBase& base) {
  TObjNode& rec = ObjectArg(base);
  QWidget& w = WidgetOf(base, rec);
  if (rec.Kind == okForm && rec.Number != 0) {
    w.move((base.ScreenWidth - w.width()) / 2, (base.ScreenHeight - w.height()) / 2);
    return;
  }
  QSize extent;
  if (!Objects(base).ParentExtent(rec, true, extent)) return;
  w.move((extent.width() - w.width()) / 2, (extent.height() - w.height()) / 2);
}

// 注目 (?に): the object, or the object a name evaluates to, takes the focus.
void CmdFocus(TKobuBase& base) {
  std::string name = UnquoteName(ArgName(base));
  TObjNode* rec = base.Objects.FindByName(name);
  if (!rec) {
    std::string evaluated = EvaluateArgument(base, name);
    rec = base.Objects.FindByName(evaluated);
    if (!rec) ScriptError(base, "オブジェクト\"%s\"が特定できません。", {name});
  }
  QWidget* w = TGuiObjects::Widget(*rec);
  if (!w || !w->isEnabled()) ScriptError(base, "\"%s\"には、注目できません。", {name});
  if (rec->Kind == okForm) {
    w->raise();
    w->activateWindow();
  }
  w->setFocus(Qt::OtherFocusReason);
}

// 最前面 and 最背面: a form also stays on top, or stops doing so.
void Restack(TKobuBase& base, bool front) {
  TObjNode& rec = ObjectArg(base);
  QWidget& w = WidgetOf(base, rec);
  if (rec.Kind == okForm) {
    bool shown = w.isVisible();
    w.setWindowFlag(Qt::WindowStaysOnTopHint, front);
    if (shown) w.show();
  }
  if (front) w.raise();
  else w.lower();
}
void CmdFront(TKobuBase& base) { Restack(base, true); }
void CmdBack(TKobuBase& base) { Restack(base, false); }

// 最大化, 最小化, フォーム元のサイズ: forms only.
void SetWindowState(TKobuBase& base, Qt::WindowState state) {
  THashNode* word = nullptr;
  TObjNode& rec = ObjectArg(base, &word);
  if (rec.Kind != okForm) ScriptError(base, "オブジェクト\"%s\"は、\"%s\"ではありません。", {word->Name, ObjectKindName(okForm)});
  QWidget& w = WidgetOf(base, rec);
  w.setWindowState(state);
  if (w.isVisible() || rec.Number != 0) w.show();
}
void CmdMaximise(TKobuBase& base) { SetWindowState(base, Qt::WindowMaximized); }
void CmdMinimise(TKobuBase& base) { SetWindowState(base, Qt::WindowMinimized); }
void CmdNormalSize(TKobuBase& base) { SetWindowState(base, Qt::WindowNoState); }

// 乗せ換える / 乗せる (?を,?の上へ / ?を,?へ): the object moves onto the container.
void CmdReparent(TKobuBase& base) {
  THashNode* containerWord = ObjectWordArg(base);
  THashNode* objectWord = ObjectWordArg(base);
  TGuiObjects& objects = Objects(base);
  TObjNode* container = objects.Record(static_cast<int>(containerWord->Number));
  TObjNode* object = objects.Record(static_cast<int>(objectWord->Number));
  std::string command = RunningCommandName(base, "乗せる");
  if (!container || !object) ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {command});
  if (container->Kind != okForm && container->Kind != okPanel && container->Kind != okScroll &&
      container->Kind != okTabPage)
    ScriptError(base, "\"%s\"命令の引数に誤りがあります。パネルとフォームなど以外には乗せられません。", {command});
  QWidget* parent = TGuiObjects::Widget(*container);
  if (auto* area = qobject_cast<QScrollArea*>(parent)) parent = area->widget();
  QWidget* w = TGuiObjects::Widget(*object);
  if (!parent || !w || w == parent || w->isAncestorOf(parent) || object->Kind == okForm)
    ScriptErrorSj(base, objectWord->Name + sj("を、") + containerWord->Name + sj("へ、親変更に失敗。"));
  QPoint pos = w->pos();
  bool shown = !w->isHidden();
  w->setParent(parent);
  w->move(pos);
  if (shown) w->show();
  if (auto* area = qobject_cast<QScrollArea*>(TGuiObjects::Widget(*container))) {
    // The inside of a scroll box grows to hold what is put on it.
    QRect all = parent->childrenRect();
    parent->resize(std::max(parent->width(), all.right() + 1), std::max(parent->height(), all.bottom() + 1));
    (void)area;
  }
}

// オブジェクト丸く (?で,?の): rounded corners of the given radius.
void CmdRound(TKobuBase& base) {
  TObjNode& rec = ObjectArg(base);
  long double r = ArgNumber(base);
  int radius = static_cast<int>(std::clamp<long double>(std::nearbyint(r), 0, 32767));
  QWidget& w = WidgetOf(base, rec);
  QPainterPath path;
  path.addRoundedRect(QRectF(w.rect()), radius, radius);
  w.setMask(QRegion(path.toFillPolygon().toPolygon()));
  w.update();
}

// タイマー設定 (?秒後に,?へ飛ぶ).
void CmdSetTimer(TKobuBase& base) {
  // The label is named, never read as a term: that would run it.
  std::string name = ArgName(base);
  name = (!name.empty() && name[0] == '"') ? EvaluateArgument(base, name) : UnquoteName(name);
  long double seconds = ArgNumber(base);
  TGuiObjects& objects = Objects(base);
  if (name.empty()) {
    objects.ArmTimer(nullptr, 0);  // disarmed, the label forgotten
    return;
  }
  THashNode* label = base.Words.Find(name, false);
  if (!label || label->Kind != wkLabel)
    ScriptError(base, "未定義のラベル\"%s\"に、ジャンプしようとしました。", {name});
  long double ms = std::nearbyint(seconds * 1000);
  if (!(ms >= 0)) ms = 0;
  if (ms > 2147483647.0L) ms = 2147483647.0L;
  objects.ArmTimer(static_cast<const char*>(label->Data), static_cast<int>(ms));
}

void CmdStopTimer(TKobuBase& base) { Objects(base).StopTimer(); }

// 待つ (?秒): events keep running; those that come while waiting run after it.
void CmdPause(TKobuBase& base) {
  long double seconds = ArgNumber(base);
  long double ms = std::nearbyint(seconds * 1000);
  if (!(ms > 0)) ms = 0;
  if (ms > 2147483647.0L) ms = 2147483647.0L;
  qint64 deadline = static_cast<qint64>(ms);
  QElapsedTimer clock;
  clock.start();
  QApplication::processEvents();
  // A timer wakes the loop at the deadline: nothing sleeps in steps.
  QTimer wake;
  wake.setSingleShot(true);
  while (clock.elapsed() < deadline && !base.StopRequested) {
    wake.start(static_cast<int>(deadline - clock.elapsed()));
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

const THandlerBinding kBindings[] = {
    {349, CmdCreate},     {350, CmdMake},      {351, CmdSetProperty}, {352, CmdGetProperty}, {353, CmdDestroy},
    {354, CmdDestroyAll}, {355, CmdRound},     {356, CmdChooseSo},    {357, CmdCentre},      {358, CmdFocus},
    {359, CmdFront},      {360, CmdBack},      {361, CmdMaximise},    {362, CmdMinimise},    {363, CmdNormalSize},
    {364, CmdSendMessage}, {401, CmdReparent}, {191, CmdSetTimer},    {192, CmdStopTimer},   {194, CmdPause},
};

}  // namespace

void BindGuiHandlers() {
  BindHandlers(kBindings);
  BindDrawingHandlers();
  BindMainWindowHandlers();
}

}  // namespace kobu
