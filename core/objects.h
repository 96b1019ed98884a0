// The interpreter's door to GUI objects and their events. The object system
// (windows and widgets) implements TObjectSystem once for both modes; the
// interpreter never sees a widget. Without an object system (Qt-free tests)
// object words keep the plain messages.
#pragma once
#include <cstdint>
#include <string>

namespace kobu {

struct TKobuBase;
class THashNode;

class TObjectSystem {
 public:
  virtual ~TObjectSystem() = default;
  // オブジェクトの項目: the property's value; sets LastTypeMark where the
  // property has a mark.
  virtual std::string GetProperty(const std::string& object, const std::string& property) = 0;
  // オブジェクトの、項目は、値: `value` is the raw value text.
  virtual void SetProperty(const std::string& object, const std::string& property, const std::string& value) = 0;
  // An object word read as a term; sets LastTypeMark.
  virtual std::string ObjectValue(THashNode* word) = 0;
  // オブジェクト=値: the object's default property.
  virtual void AssignObject(THashNode* word, const std::string& value) = 0;
  // 待機: the run goes idle; destroyed objects may be released now.
  virtual void Idle() = 0;
};

// One event on its way to a handler, with the values the event words take
// when the handler starts (a queued event keeps its own).
struct TEventState {
  const char* Target = nullptr;  // where the handler runs
  int32_t Object = -1;           // the object that raised it; -1: the timer
  bool Jump = false;             // the timer when idle: runs like a jump, in a frame of its own
  bool Mouse = false;            // マウスX, マウスY
  int32_t X = 0, Y = 0;
  bool Key = false;  // 押されたキー
  int32_t KeyCode = 0;
  bool Special = false;  // 押された特殊キー
  std::string SpecialKeys;
  bool HasValue = false;  // イベントの値
  std::string Value;
};

// True while a statement runs: an event then waits for it to end.
bool InterpreterBusy(const TKobuBase& base);
// Sets the event words an event carries (also used for events without a handler).
void SetEventWords(TKobuBase& base, const TEventState& ev);
// An event with a handler: when busy it waits in the queue and runs after the
// current statement; when idle it runs now, in a run of its own.
void RaiseEvent(TKobuBase& base, TEventState ev);
// Called by the run loop between statements: starts the newest queued event,
// which returns to where the program was. False when none waits.
bool StartQueuedEvent(TKobuBase& base);

}  // namespace kobu
