#include "core/kobubase.h"

#include <sys/resource.h>

#include <algorithm>

#include "core/errors.h"
#include "core/readers.h"
#include "core/statement_cache.h"

#include "core/sjis.h"

namespace kobu {

void TParticles::Add(std::string_view particle) {
  if (particle.empty()) return;
  auto& list = byFirstByte_[static_cast<unsigned char>(particle[0])];
  if (std::find(list.begin(), list.end(), particle) != list.end()) return;
  list.emplace_back(particle);
  ++generation_;
  std::stable_sort(list.begin(), list.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

void TParticles::AddFromPattern(std::string_view pattern) {
  size_t i = 0;
  while (i <= pattern.size()) {
    size_t comma = i;
    while (comma < pattern.size()) {
      if (CharLenAt(pattern, comma) == 1 && pattern[comma] == ',') break;
      comma += CharLenAt(pattern, comma);
    }
    std::string_view slot = pattern.substr(i, comma - i);
    while (!slot.empty() && (slot.front() == ' ' || slot.front() == '\t')) slot.remove_prefix(1);
    while (!slot.empty() && (slot.back() == ' ' || slot.back() == '\t')) slot.remove_suffix(1);
    if (!slot.empty() && slot.front() == '?') slot.remove_prefix(1);
    Add(slot);
    i = comma + 1;
  }
}

size_t TParticles::MatchAt(const char* p, const char* end) const {
  const auto& list = byFirstByte_[static_cast<unsigned char>(*p)];
  size_t room = static_cast<size_t>(end - p);
  for (const auto& s : list)
    if (s.size() <= room && std::equal(s.begin(), s.end(), p)) return s.size();
  return 0;
}

void TParticles::Clear() {
  for (auto& l : byFirstByte_) l.clear();
  ++generation_;
}

int TObjList::Add(std::unique_ptr<TObjNode> node) {
  items_.push_back(std::move(node));
  return static_cast<int>(items_.size()) - 1;
}

TObjNode* TObjList::FindByName(const std::string& name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : items_[i].get();
}

int TObjList::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] && items_[i]->Name == name) return static_cast<int>(i);
  return -1;
}

TObjNode* TObjList::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[index].get();
}

void TObjList::Replace(int index, std::unique_ptr<TObjNode> node) {
  if (index < 0 || index >= Count()) return;
  items_[index] = std::move(node);
}

TKobuBase::TKobuBase()
    : StatementCache(std::make_unique<TStatementCache>()),
      WordEndCache(std::make_unique<TWordEndCache>()),
      SwitchValue(kNoSwitchValue) {
  char here = 0;
  StackBase = &here;
  rlimit lim{};
  size_t size = 8u << 20;
  if (getrlimit(RLIMIT_STACK, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY) size = lim.rlim_cur;
  if (size > (256u << 20)) size = 256u << 20;
  // Leave a quarter for what runs above the interpreter (the toolkit, handlers).
  StackBudget = size / 4 * 3;
}

THashNode* CreateVariable(TKobuBase& base, const std::string& name, std::string_view typeMark) {
  auto v = std::make_unique<THashNode>(name, std::string(), base.RunControl.Count(), false);
  v->TypeMark = typeMark;
  v->Data = base.CurrentPosition;
  THashNode* node = v.get();
  base.Words.Add(std::move(v));
  return node;
}

void CheckStackDepth(TKobuBase& base) {
  char here = 0;
  const char* top = &here;
  size_t used = base.StackBase > top ? static_cast<size_t>(base.StackBase - top) : 0;
  if (used > base.StackBudget) ScriptError(base, "実行が無限ループしている可能性があるので終了します。");
}

TKobuBase::~TKobuBase() {
  RunControl.ClearAll();
  Words.Clear();
}

const char* TKobuBase::AddProgramText(std::string text) {
  // A '\0' guard byte before the text lets a scanner look one character back.
  text.insert(text.begin(), '\0');
  ProgramTexts.push_back(std::make_unique<const std::string>(std::move(text)));
  return ProgramTexts.back()->c_str() + 1;
}

const char* TKobuBase::AddFragmentText(const std::string& source, std::string text) {
  auto& slot = FragmentTexts[source];
  if (!slot) {
    text.insert(text.begin(), '\0');
    slot = std::make_unique<const std::string>(std::move(text));
  }
  return slot->c_str() + 1;
}

void TKobuBase::ResetForRun() {
  ErrorLog.clear();
  CurrentPosition = nullptr;
  StatementPosition = nullptr;
  CurrentLine = 0;
  RunControl.ClearAll();
  ArgumentStack.clear();
  PositionalMode = false;
  ImplicitSore = false;
  Sore = So = Soshite = Moshi = Naraba = Nara = Chigaeba = Denakereba = nullptr;
  Kaisu = ErrorMessage = CannotTerminate = nullptr;
  ErrorHandler = TerminationHandler = nullptr;
  CurrentCommandWord = {};
  ErrorHandlerJumps = 0;
  ShowErrors = 1;
  ErrorResumePos = nullptr;
  ErrorResumeLine = 0;
  Words.Clear();
  Particles.Clear();
  StatementCache->Clear();
  WordEndCache->Clear();
  Objects.Clear();
  EventQueue.clear();
  EventBatches.clear();
  LayoutX = LayoutY = 10;
  Centering = false;
  ProgramTexts.clear();
  FragmentTexts.clear();
  ConditionResult = -1;
  SwitchValue = kNoSwitchValue;
  FunctionArguments.clear();
  RetiredBodies.clear();
  FileHandles.clear();
  SharedBlocks.clear();
  TableSearch = TTableSearchState();
  StopRequested = false;
}

}  // namespace kobu
