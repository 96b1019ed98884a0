// The run-control stack and the run loop.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kobu {

struct TKobuBase;
class THashNode;

enum TControlType : uint8_t {
  rcThen = 0,
  rcElse = 1,
  rcFor = 2,
  rcTimes = 3,
  rcCall = 4,
  rcEvent = 5,
  rcEach = 6,
  rcCase = 8,
  rcWhile = 9,
};

// One open construct. Copied by value; the body text and the item list are
// shared by the copies, so positions into the body stay valid while any copy lives.
struct TRunControl {
  const char* ReturnPos = nullptr;
  const char* ExitPos = nullptr;
  int32_t Counter = 0;
  int32_t Limit = 0;
  TControlType ControlType = rcThen;
  int32_t Line = 0;  // rcCall, rcEvent: the caller's line
  std::shared_ptr<const std::string> Body;
  std::string FileName;
  std::string Condition;
  THashNode* Target = nullptr;                             // rcFor: the counter variable
  std::shared_ptr<std::vector<std::string>> Items;         // rcEach: the item list

  // Bodies begin with one '\0' guard byte, so a scanner may look one
  // character back from any position.
  const char* BodyStart() const { return Body ? Body->c_str() + 1 : nullptr; }
};

class TRunControlStack {
 public:
  void Push(const TRunControl& r) { current_.push_back(r); }
  void Push(TRunControl&& r) { current_.push_back(std::move(r)); }
  bool Pop(TRunControl& out);
  int Count() const { return static_cast<int>(current_.size()); }
  const TRunControl* Item(int index) const;
  TRunControl* Top() { return current_.empty() ? nullptr : &current_.back(); }
  void Clear() { current_.clear(); }
  void PushFrame();
  void PopFrame();
  void ClearAll();
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  // Every record: those of the running frame and of the frames below it.
  template <class Visit>
  void ForEachRecord(Visit visit) {
    for (auto& r : current_) visit(r);
    for (auto& frame : frames_)
      for (auto& r : frame) visit(r);
  }

 private:
  std::vector<TRunControl> current_;
  std::vector<std::vector<TRunControl>> frames_;
};

// Runs statements from CurrentPosition until the run ends.
void RunLoop(TKobuBase& base);
// Decides where to go when the cursor reaches the end of a block copy.
void CheckRunControl(TKobuBase& base);

// Goes back to where a call or event record was made: cursor, file and line
// (a one-line block copy has no line marker of its own to find it again).
void ReturnFromCall(TKobuBase& base, const TRunControl& r);
// A label word used as a command (or through 呼ぶ): pushes rcCall and jumps.
void CallLabel(TKobuBase& base, THashNode* label);
// A label used as a function: a nested run in its own frame; the result is in それ.
void RunLabelNested(TKobuBase& base, THashNode* label, bool pushCallRecord);
// Runs a program text at once in a nested run, under the given file name.
void RunTextNested(TKobuBase& base, const char* start, const std::string& fileName);

}  // namespace kobu
