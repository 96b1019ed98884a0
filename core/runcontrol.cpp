#include "core/runcontrol.h"

#include <algorithm>
#include <charconv>

#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/objects.h"
#include "core/sjis.h"
#include "core/statement.h"
#include "core/terms.h"
#include "platform/cp932.h"

namespace kobu {

bool TRunControlStack::Pop(TRunControl& out) {
  if (current_.empty()) return false;
  out = std::move(current_.back());
  current_.pop_back();
  return true;
}

const TRunControl* TRunControlStack::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &current_[index];
}

void TRunControlStack::PushFrame() {
  frames_.push_back(std::move(current_));
  current_.clear();
}

void TRunControlStack::PopFrame() {
  if (frames_.empty()) return;
  current_ = std::move(frames_.back());
  frames_.pop_back();
}

void TRunControlStack::ClearAll() {
  current_.clear();
  frames_.clear();
}

namespace {

// A loop counter's text, written into the word's own buffer.
void SetCount(std::string& value, int32_t n) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  value.assign(buf, r.ptr);
}

void CheckRunControlInner(TKobuBase& base, TRunControl& r) {
  switch (r.ControlType) {
    case rcThen:
    case rcElse:
    case rcCase:
      base.CurrentPosition = r.ExitPos;
      return;
    case rcTimes:
    case rcFor:
      // Only a finished loop comes here; one that goes round stays on the stack.
      base.CurrentPosition = r.ExitPos;
      return;
    case rcEach: {
      size_t items = r.Items ? r.Items->size() : 0;
      if (r.Counter < 0 || static_cast<size_t>(r.Counter) >= items) {
        base.CurrentPosition = r.ExitPos;
        return;
      }
      if (base.Sore) {
        base.Sore->Value = (*r.Items)[r.Counter];
        base.Sore->TypeMark = "s";
      }
      r.Counter += 1;
      if (base.Kaisu) {
        SetCount(base.Kaisu->Value, r.Counter);
        base.Kaisu->TypeMark = "e";
      }
      base.CurrentPosition = r.BodyStart();
      base.RunControl.Push(std::move(r));
      return;
    }
    case rcWhile: {
      long double v = TextToNumber(EvaluateExpressionText(base, r.Condition));
      if (v >= 1 || v <= -1) {
        r.Counter += 1;
        if (base.Kaisu) SetCount(base.Kaisu->Value, r.Counter);
        base.CurrentPosition = r.BodyStart();
        base.RunControl.Push(std::move(r));
      } else {
        base.CurrentPosition = r.ExitPos;
      }
      return;
    }
    case rcCall:
    case rcEvent:
      ReturnFromCall(base, r);
      return;
  }
  ScriptErrorSj(base, sj("特定できないシステムエラーです(ToT)") + sj("\"CheckRunControl\"で未定義の構文があります。"));
}

// Restores the cursor and the file name when a nested run ends.
class TNestedRun {
 public:
  explicit TNestedRun(TKobuBase& base)
      : base_(base), savedPos_(base.CurrentPosition), savedFile_(base.ScriptFileName), savedLine_(base.CurrentLine) {
    base.RunControl.PushFrame();
  }
  ~TNestedRun() {
    base_.RunControl.PopFrame();
    base_.CurrentPosition = savedPos_;
    base_.ScriptFileName = savedFile_;
    base_.CurrentLine = savedLine_;
  }
  TNestedRun(const TNestedRun&) = delete;
  TNestedRun& operator=(const TNestedRun&) = delete;

 private:
  TKobuBase& base_;
  const char* savedPos_;
  std::string savedFile_;
  int32_t savedLine_;
};

}  // namespace

void CheckRunControl(TKobuBase& base) {
  // A counted loop going round again stays where it is on the stack.
  TRunControl* top = base.RunControl.Top();
  if (top && (top->ControlType == rcTimes || top->ControlType == rcFor) && top->Counter != top->Limit) {
    top->Counter += 1;
    if (top->ControlType == rcTimes) {
      if (base.Kaisu) SetCount(base.Kaisu->Value, top->Counter);
    } else if (top->Target) {
      SetCount(top->Target->Value, top->Counter);
    }
    base.CurrentPosition = top->BodyStart();
    return;
  }
  TRunControl r;
  if (!base.RunControl.Pop(r)) return;
  try {
    CheckRunControlInner(base, r);
  } catch (const std::exception& e) {
    // The record's body stays alive in r while the message names its line;
    // the failed construct is left, so the run goes on behind it.
    base.RetiredBodies.push_back(r.Body);
    base.CurrentPosition = r.ExitPos;
    std::string msg = sj("実行制御でエラー。") + e.what() + sj(".制御スタック：") + std::to_string(base.RunControl.Count());
    EKobu wrapped(base, FormatScriptError(base, msg));
    if (const auto* k = dynamic_cast<const EKobu*>(&e)) wrapped.CarryFrom(*k);
    throw wrapped;
  }
}

namespace {
// An invalid floating-point operation adds one line of its own to the log.
void LogInvalidFloat(TKobuBase& base, const std::string& message) {
  bool blank = true;
  for (unsigned char c : base.ErrorLog)
    if (c > ' ') blank = false;
  if (!blank) base.ErrorLog += "\r\n";
  base.ErrorLog += FormatScriptError(base, sj("プログラムで不正な操作がありました。") + message) + "\r\n";
}

// Counts the run loops running, so events know whether a statement runs.
class TRunLoopDepth {
 public:
  explicit TRunLoopDepth(TKobuBase& base) : base_(base) { ++base.RunLoopDepth; }
  ~TRunLoopDepth() { --base_.RunLoopDepth; }
  TRunLoopDepth(const TRunLoopDepth&) = delete;
  TRunLoopDepth& operator=(const TRunLoopDepth&) = delete;

 private:
  TKobuBase& base_;
};

void RunLoopSteps(TKobuBase& base) {
  const char* lastStart = nullptr;
  while (base.CurrentPosition) {
    try {
      // Events that came while the last statement ran go first.
      if ((!base.EventQueue.empty() || !base.EventBatches.empty()) && base.ArgumentStack.empty() &&
          StartQueuedEvent(base)) {
        lastStart = nullptr;
        continue;
      }
      if (*base.CurrentPosition == 0) {
        CheckRunControl(base);
        while (base.CurrentPosition && *base.CurrentPosition == 0) {
          // A loop with an empty body goes round here without a statement:
          // a stop request must still end it.
          if (base.RunControl.Count() == 0 || base.StopRequested) return;
          CheckRunControl(base);
        }
        // A loop that went back to its body starts a new pass: coming back
        // to the same statement is progress, not a stuck step.
        lastStart = nullptr;
        continue;
      }
      if (base.RunControl.Count() > 65535)
        ScriptError(base, "実行が無限ループしている可能性があるので終了します。");
      if (base.StopRequested) return;
      if (base.CurrentPosition == lastStart) {
        // Abandon the character the step stuck on, so the run cannot hang here.
        base.CurrentPosition += CharLen(base.CurrentPosition);
        lastStart = nullptr;
        ScriptError(base, "特定できないシステムエラーです(ToT)");
      }
      lastStart = base.CurrentPosition;
      ExecuteStatementStep(base, base.CurrentPosition);
    } catch (const EKobu& e) {
      base.ArgumentStack.clear();
      if (e.InvalidFloat) LogInvalidFloat(base, e.FloatMessage);
      HandleScriptError(base, e.Message(), true);
    } catch (const std::exception& e) {
      base.ArgumentStack.clear();
      HandleScriptError(base, e.what(), false);
    }
  }
}

}  // namespace

void RunLoop(TKobuBase& base) {
  TRunLoopDepth depth(base);
  RunLoopSteps(base);
  // Events still queued when the outermost run ends (待機 after a click) run
  // as the program goes idle.
  if (base.RunLoopDepth == 1 && !base.EventBatches.empty()) {
    // Older batches first, then what came last; the newest runs first.
    std::vector<TEventState> all;
    for (auto& batch : base.EventBatches)
      for (auto& ev : batch.Events) all.push_back(std::move(ev));
    for (auto& ev : base.EventQueue) all.push_back(std::move(ev));
    base.EventBatches.clear();
    base.EventQueue = std::move(all);
  }
  while (base.RunLoopDepth == 1 && !base.EventQueue.empty() && !base.StopRequested) {
    TEventState ev = std::move(base.EventQueue.back());
    base.EventQueue.pop_back();
    base.CurrentPosition = nullptr;  // idle: the event runs in a run of its own
    RaiseEvent(base, std::move(ev));
  }
}

void ReturnFromCall(TKobuBase& base, const TRunControl& r) {
  base.CurrentPosition = r.ReturnPos;
  base.ScriptFileName = r.FileName;
  base.CurrentLine = r.Line;
}

void CallLabel(TKobuBase& base, THashNode* label) {
  if (!label->Pattern.empty()) {
    // A label made a function takes its arguments by its pattern.
    BindArguments(base, label);
    size_t slots = 0;
    for (size_t i = 0; i < label->Pattern.size(); i += CharLenAt(label->Pattern, i))
      if (label->Pattern[i] == '?') ++slots;
    size_t take = std::min(slots, base.ArgumentStack.size());
    size_t first = base.ArgumentStack.size() - take;
    std::vector<std::string> args(base.ArgumentStack.begin() + static_cast<long>(first), base.ArgumentStack.end());
    base.ArgumentStack.resize(first);
    for (const auto& a : args) base.FunctionArguments.push_back(EvaluateArgument(base, a));
  }
  TRunControl r;
  r.ControlType = rcCall;
  r.ReturnPos = base.CurrentPosition;
  r.ExitPos = label->Data;
  r.FileName = base.ScriptFileName;
  r.Line = base.CurrentLine;
  base.RunControl.Push(std::move(r));
  base.ScriptFileName = label->TypeMark;
  base.CurrentPosition = label->Data;
}

void RunLabelNested(TKobuBase& base, THashNode* label, bool pushCallRecord) {
  CheckStackDepth(base);
  TNestedRun nested(base);
  if (pushCallRecord) {
    base.CurrentPosition = nullptr;
    CallLabel(base, label);
  } else {
    base.CurrentPosition = label->Data;
  }
  RunLoop(base);
}

void RunTextNested(TKobuBase& base, const char* start, const std::string& fileName) {
  CheckStackDepth(base);
  TNestedRun nested(base);
  base.ScriptFileName = fileName;
  base.CurrentPosition = start;
  RunLoop(base);
}

}  // namespace kobu
