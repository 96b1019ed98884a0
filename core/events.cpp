#include "core/objects.h"

#include <string>

#include "core/errors.h"
#include "core/kobubase.h"
#include "core/properties.h"
#include "core/runcontrol.h"

namespace kobu {

namespace {

void SetNumberWord(THashNode* w, int32_t v) {
  if (!w) return;
  w->Value = std::to_string(v);
  w->TypeMark = "e";
}

// Pushes the return record and moves the cursor into the handler.
void EnterHandler(TKobuBase& base, const TEventState& ev) {
  SetEventWords(base, ev);
  TRunControl r;
  r.ControlType = rcEvent;
  r.ReturnPos = base.CurrentPosition;
  r.ExitPos = ev.Target;
  r.FileName = base.ScriptFileName;
  r.Line = base.CurrentLine;
  base.RunControl.Push(std::move(r));
  base.CurrentPosition = ev.Target;
}

// Runs an event now, while nothing else runs: the handler's end ends the run.
void RunIdleEvent(TKobuBase& base, const TEventState& ev) {
  CheckStackDepth(base);
  const char* savedPos = base.CurrentPosition;
  std::string savedFile = base.ScriptFileName;
  int32_t savedLine = base.CurrentLine;
  if (ev.Jump) {
    SetEventWords(base, ev);
    base.RunControl.PushFrame();
    base.CurrentPosition = ev.Target;
  } else {
    base.CurrentPosition = nullptr;
    EnterHandler(base, ev);
  }
  try {
    RunLoop(base);
  } catch (...) {
    if (ev.Jump) base.RunControl.PopFrame();
    throw;
  }
  if (ev.Jump) base.RunControl.PopFrame();
  // A handler that ended the program leaves the cursor empty on purpose.
  if (!base.StopRequested) base.CurrentPosition = savedPos;
  base.ScriptFileName = savedFile;
  base.CurrentLine = savedLine;
}

}  // namespace

bool InterpreterBusy(const TKobuBase& base) { return base.RunLoopDepth > 0 && base.CurrentPosition; }

void SetEventWords(TKobuBase& base, const TEventState& ev) {
  if (ev.Mouse) {
    SetNumberWord(base.Settings[swMouseX], ev.X);
    SetNumberWord(base.Settings[swMouseY], ev.Y);
  }
  if (ev.Key) SetNumberWord(base.Settings[swKeyPressed], ev.KeyCode);
  if (ev.Special && base.Settings[swSpecialKeys]) {
    base.Settings[swSpecialKeys]->Value = ev.SpecialKeys;
    base.Settings[swSpecialKeys]->TypeMark = "s";
  }
  if (ev.HasValue && base.Settings[swEventValue]) {
    base.Settings[swEventValue]->Value = ev.Value;
    base.Settings[swEventValue]->TypeMark = "s";
  }
  // イベントオブジェクト becomes the object's word, so its properties can be read.
  if (ev.Object >= 0) {
    if (THashNode* w = base.Settings[swEventObject]) {
      const TObjNode* rec = base.Objects.At(ev.Object);
      w->Kind = wkObject;
      w->Number = ev.Object;
      w->TypeMark = rec ? ObjectKindName(rec->Kind) : std::string();
      w->Value.clear();
    }
  }
}

void RaiseEvent(TKobuBase& base, TEventState ev) {
  if (!ev.Target || base.StopRequested) return;
  if (InterpreterBusy(base)) {
    base.EventQueue.push_back(std::move(ev));
    return;
  }
  RunIdleEvent(base, ev);
}

bool StartQueuedEvent(TKobuBase& base) {
  if (!base.CurrentPosition) return false;
  TEventState ev;
  if (!base.EventQueue.empty()) {
    // The newest of the events that came during one statement runs first;
    // the others wait until it has returned.
    ev = std::move(base.EventQueue.back());
    base.EventQueue.pop_back();
    if (!base.EventQueue.empty()) {
      base.EventBatches.push_back({base.RunControl.FrameCount(), base.RunControl.Count(), std::move(base.EventQueue)});
      base.EventQueue.clear();
    }
  } else {
    if (base.EventBatches.empty()) return false;
    TKobuBase::TEventBatch& batch = base.EventBatches.back();
    if (batch.Frames != base.RunControl.FrameCount() || base.RunControl.Count() > batch.Depth) return false;
    ev = std::move(batch.Events.back());
    batch.Events.pop_back();
    if (batch.Events.empty()) base.EventBatches.pop_back();
  }
  // A timer that fires while the program runs returns like an event.
  ev.Jump = false;
  EnterHandler(base, ev);
  return true;
}

}  // namespace kobu
