// What the fuzz targets share: a private current folder, a user that answers
// from a fixed queue and discards output, a command table with a budget, a
// watchdog that stops a run that takes too long, and an allocator that fails
// huge requests the way a real machine would (instead of aborting, as the
// sanitizer's allocator does).
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "commands/registry.h"
#include "core/kobubase.h"
#include "core/ui.h"
#include "platform/cp932.h"

namespace kobufuzz {

// One allocation above this fails with std::bad_alloc.
constexpr size_t kMaxAllocation = size_t(64) << 20;

// The folder a target runs in, made once per process (mode 0700) and left
// with the environment pointing every user folder (home, data, config, temp)
// into it, so no command can reach the repository or the user's files by a
// relative name or a known folder.
inline const std::string& Sandbox() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/kobufuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::string f = made;
    std::filesystem::create_directories(f + "/home");
    std::filesystem::create_directories(f + "/work");
    setenv("HOME", (f + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (f + "/home/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (f + "/home/config").c_str(), 1);
    setenv("TMPDIR", f.c_str(), 1);
    return f;
  }();
  return folder;
}

inline std::string WorkFolder() { return Sandbox() + "/work"; }

// The folder the fuzzer was started in: it reads its inputs and writes its
// corpus by names relative to it, so an input runs in the work folder and
// the fuzzer gets its own folder back afterwards.
inline const std::string& StartFolder() {
  static const std::string folder = std::filesystem::current_path().string();
  return folder;
}

inline void EnterSandbox() {
  StartFolder();
  std::error_code ec;
  std::filesystem::create_directories(WorkFolder(), ec);  // a run may remove its own folder
  if (chdir(WorkFolder().c_str()) != 0) std::abort();
}

// Empties the work folder and returns to the fuzzer's folder: a run may have
// moved elsewhere or left files that would make the next input behave
// differently.
inline void CleanSandbox() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(WorkFolder(), ec)) {
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(e.path(), ec);
  }
  if (chdir(StartFolder().c_str()) != 0) std::abort();
}

// Output goes nowhere; questions are answered from a fixed cycle; the
// access guard's question is always refused, the error dialog always stops.
class TFuzzUI : public kobu::TKobuUI {
 public:
  void ShowMessage(const std::string&) override {}
  void QuickPrint(const std::string&) override {}
  void MessageBox(const std::string&, const std::string&) override {}
  kobu::TErrorChoice ShowErrorDialog(const std::string&, bool) override { return kobu::ecStop; }
  void CloseMainWindow() override {}
  kobu::TDialogAnswer AskText(const std::string&, const std::string&, int) override { return Next(); }
  kobu::TYesNo AskYesNo(const std::string&, bool withCancel) override {
    ++turn_;
    return static_cast<kobu::TYesNo>(turn_ % (withCancel ? 3 : 2));
  }
  kobu::TDialogAnswer ChooseFromList(const std::string&, const std::vector<std::string>& items, const std::string&,
                                     bool, int) override {
    return Pick(items);
  }
  kobu::TDialogAnswer ChooseButton(const std::string&, const std::vector<std::string>& choices) override {
    static const std::string no = kobu::sj("いいえ");
    for (const auto& c : choices)
      if (c == no) return {true, c};
    return Pick(choices);
  }
  kobu::TDialogAnswer EditMemo(const std::string& text, int) override { return {true, text}; }
  kobu::TDialogAnswer ChooseColour() override { return {true, "255"}; }
  kobu::TDialogAnswer ChooseFont() override { return {true, "Gothic||12"}; }
  kobu::TDialogAnswer ChooseOpenFiles(const std::string&, const std::string&) override { return {true, "a.txt"}; }
  kobu::TDialogAnswer ChooseSaveFile(const std::string&, const std::string&, const std::string&) override {
    return {true, "a.txt"};
  }
  kobu::TDialogAnswer ChooseFolder() override { return {false, ""}; }
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }

 private:
  kobu::TDialogAnswer Next() {
    static const char* const answers[] = {"1", "abc", "", "-2.5", "\x82\xA0"};
    ++turn_;
    size_t i = turn_ % (sizeof answers / sizeof answers[0]);
    return {i != 2, answers[i]};
  }
  kobu::TDialogAnswer Pick(const std::vector<std::string>& items) {
    ++turn_;
    if (items.empty() || turn_ % 4 == 0) return {false, ""};
    return {true, items[turn_ % items.size()]};
  }
  unsigned turn_ = 0;
  std::string clipboard_;
};

// Stops a run from another thread once its time is up: every run loop, nested
// ones too, looks at StopRequested before each statement.
class TWatchdog {
 public:
  TWatchdog() : thread_([this] { Watch(); }) { thread_.detach(); }
  void Arm(kobu::TKobuBase& base, std::chrono::milliseconds budget) {
    std::lock_guard<std::mutex> lock(mutex_);
    flag_ = &base.StopRequested;
    deadline_ = std::chrono::steady_clock::now() + budget;
    wake_.notify_all();
  }
  void Disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    flag_ = nullptr;
  }
  static TWatchdog& Instance() {
    static TWatchdog* dog = new TWatchdog;  // never destroyed: its thread lives on
    return *dog;
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (!flag_) {
        wake_.wait(lock);
        continue;
      }
      if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && flag_ &&
          std::chrono::steady_clock::now() >= deadline_) {
        flag_->store(true);
        flag_ = nullptr;
      }
    }
  }
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool>* flag_ = nullptr;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

// The command table a fuzzed run uses: the registry's, with a budget of
// command calls per input and the commands that would leave the sandbox
// taken out (they then answer as commands without a handler do).
class TCommandBudget {
 public:
  static constexpr long kMaxCommands = 20000;
  static void Install(kobu::TKobuBase& base) {
    static bool ready = [&] {
      for (int i = 0; i < kobu::kCommandNumbers; ++i) Real()[i] = base.Handlers[i];
      Fill(std::make_integer_sequence<int, kobu::kCommandNumbers>());
      for (const kobu::TCommandRow* row : kobu::CommandRows())
        if (Blocked(row->name)) Table()[row->number] = nullptr;
      return true;
    }();
    (void)ready;
    Calls() = 0;
    base.Handlers = Table().data();
  }

 private:
  // Nothing that runs today sleeps, starts a process or reaches the network
  // (those families have no handlers yet); a change of the current folder is
  // undone by CleanSandbox. Names listed here (UTF-8) are kept out should they
  // gain handlers that could escape or stall.
  static bool Blocked(const char* name) {
    static const char* const blocked[] = {
        "待つ", "秒待つ", "起動", "起動して終了まで待機", "DLL宣言", "HTTPダウンロード",
    };
    for (const char* b : blocked)
      if (std::strcmp(name, b) == 0) return true;
    return false;
  }
  static std::array<kobu::THandler, kobu::kCommandNumbers>& Real() {
    static std::array<kobu::THandler, kobu::kCommandNumbers> t{};
    return t;
  }
  static std::array<kobu::THandler, kobu::kCommandNumbers>& Table() {
    static std::array<kobu::THandler, kobu::kCommandNumbers> t{};
    return t;
  }
  static long& Calls() {
    static long n = 0;
    return n;
  }
  template <int N>
  static void Counted(kobu::TKobuBase& base) {
    if (++Calls() > kMaxCommands) {
      base.StopRequested = true;
      return;
    }
    Real()[N](base);
  }
  template <int... N>
  static void Fill(std::integer_sequence<int, N...>) {
    static constexpr kobu::THandler counted[] = {&Counted<N>...};
    for (int i = 0; i < kobu::kCommandNumbers; ++i) Table()[i] = Real()[i] ? counted[i] : nullptr;
  }
};

// Sets up a base for one input: the built-in words, the user, the budget.
inline void Prepare(kobu::TKobuBase& base, TFuzzUI& ui) {
  EnterSandbox();
  base.UI = &ui;
  kobu::RegisterBuiltins(base);
  TCommandBudget::Install(base);
  base.ScriptFileName = WorkFolder() + "/fuzz.kbr";
  base.ProgramFile = base.ScriptFileName;
  base.ScriptFolder = WorkFolder() + "/";
  base.StartFolder = base.ScriptFolder;
  base.SecurityLevel = 1;
  base.Parameters = {"koburane", base.ScriptFileName};
}

// Splits an input in two at the first zero byte (the second part may be empty).
inline std::pair<std::string_view, std::string_view> SplitAtZero(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t z = all.find('\0');
  if (z == std::string_view::npos) return {all, {}};
  return {all.substr(0, z), all.substr(z + 1)};
}

}  // namespace kobufuzz

// The allocator every target links: huge requests fail as std::bad_alloc.
// The memory itself still comes from the sanitizer's malloc, so overflows and
// use after free are still caught (only new/delete mismatches are not).
#define KOBUFUZZ_ALLOCATOR                                                                        \
  void* operator new(size_t n) {                                                                  \
    if (n > kobufuzz::kMaxAllocation) throw std::bad_alloc();                                     \
    if (void* p = std::malloc(n ? n : 1)) return p;                                               \
    throw std::bad_alloc();                                                                       \
  }                                                                                               \
  void* operator new[](size_t n) { return operator new(n); }                                      \
  void* operator new(size_t n, const std::nothrow_t&) noexcept {                                  \
    return n > kobufuzz::kMaxAllocation ? nullptr : std::malloc(n ? n : 1);                       \
  }                                                                                               \
  void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); } \
  void operator delete(void* p) noexcept { std::free(p); }                                        \
  void operator delete[](void* p) noexcept { std::free(p); }                                      \
  void operator delete(void* p, size_t) noexcept { std::free(p); }                                \
  void operator delete[](void* p, size_t) noexcept { std::free(p); }
