// The interpreter state: everything a run owns lives here, in one place.
#pragma once
#include <array>
#include <atomic>
#include <map>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/kbhash.h"
#include "core/objects.h"
#include "core/runcontrol.h"

namespace kobu {

class TKobuUI;
class TObjectSystem;
struct TKobuBase;
class TStatementCache;
class TWordEndCache;

using THandler = void (*)(TKobuBase&);
constexpr int kCommandNumbers = 466;
// The value of 条件分岐 when none is open: "\~未定義" in CP932.
inline constexpr const char* kNoSwitchValue = "\\~\x96\xA2\x92\xE8\x8B\x60";
constexpr int kMaxProgramTexts = 50;

// The particles that end an argument word, longest match first.
class TParticles {
 public:
  void Add(std::string_view particle);
  // Adds the particle of every slot of a pattern such as "?の,?を,?に".
  void AddFromPattern(std::string_view pattern);
  // Length in bytes of the longest particle that begins at p and ends at or
  // before `end`; 0 when none does.
  size_t MatchAt(const char* p, const char* end) const;
  // Every particle that begins at p and ends at or before `end`, longest first.
  template <typename F>
  void ForEachMatch(const char* p, const char* end, F f) const {
    size_t room = static_cast<size_t>(end - p);
    for (const auto& s : byFirstByte_[static_cast<unsigned char>(*p)])
      if (s.size() <= room && s.compare(0, s.size(), p, s.size()) == 0) f(s.size());
  }
  void Clear();
  // Changes whenever a particle comes or the list is emptied.
  uint64_t Generation() const { return generation_; }

 private:
  std::vector<std::string> byFirstByte_[256];  // each sorted longest first
  uint64_t generation_ = 0;
};

// A GUI object record; the object system fills it in.
struct TObjNode {
  std::string Name;  // cleared when the object is destroyed
  int Kind = 0;
  int Number = 0;
  // Per event slot: the text assigned, and where the handler runs (null: none).
  std::array<std::string, 10> LabelTexts;
  std::array<const char*, 10> LabelTargets{};
  void* Control = nullptr;  // the object system's widget; never dereferenced here
};

class TObjList {
 public:
  int Add(std::unique_ptr<TObjNode> node);
  int Count() const { return static_cast<int>(items_.size()); }
  TObjNode* FindByName(const std::string& name) const;
  int IndexOf(const std::string& name) const;
  TObjNode* At(int index) const;
  void Replace(int index, std::unique_ptr<TObjNode> node);
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TObjNode>> items_;
};

// Settings the commands read through direct references, not by name.
enum TSettingWord {
  swTabCount,  // タブ文字の個数
  swLineHeadForbidden,  // 禁則処理の行頭禁止文字
  swDialogCancelValue,  // ダイアログキャンセルの値
  swDialogIme,  // ダイアログIMEの状態
  swDialogInitial,  // ダイアログ初期値
  swTableFieldNames,  // 表フィールド名
  swDisplayTarget,  // 表示出力先
  swTextColour,  // 文字色
  swTextSize,  // 文字サイズ
  swTextFont,  // 文字書体
  swPenColour,  // ペン色
  swPenWidth,  // ペン太さ
  swFillColour,  // 塗り色
  swJpegQuality,  // JPEG圧縮率
  swLayoutGap,  // 部品配置間隔
  swMouseX,  // マウスX
  swMouseY,  // マウスY
  swKeyPressed,  // 押されたキー
  swSpecialKeys,  // 押された特殊キー
  swEventObject,  // イベントオブジェクト
  swEventValue,  // イベントの値
  swBrowserMoveAllowed,  // ブラウザURL移動許可
  swBrowserTarget,  // ブラウザ移動先URL
  swPlayRepeat,  // 演奏繰り返し
  swPackOptions,  // 圧縮オプション
  swUnpackOptions,  // 解凍オプション
  swSfxOptions,  // 自己解凍書庫オプション
  swDdeFile,  // DDEファイル名
  swDdeText,  // DDE文字列
  swMatchCount,  // マッチ数
  swFileEncoding,  // ファイル文字コード
  swCount
};

// Something a run owns and frees at its end: open file handles, shared
// memory blocks. The owner knows the concrete type.
class TFileMixReader;

// The table search that 表検索 starts and 表検索次の値 continues.
struct TTableSearchState {
  std::vector<std::vector<std::string>> table;
  std::string key;
  int32_t column = -1;
  bool exact = false;
  size_t next = 0;
};

class TRunResource {
 public:
  virtual ~TRunResource() = default;
};

struct TKobuBase {
  TKobuBase();
  ~TKobuBase();
  TKobuBase(const TKobuBase&) = delete;
  TKobuBase& operator=(const TKobuBase&) = delete;

  // The user interface (never null once the host has set it up).
  TKobuUI* UI = nullptr;

  // Word table and the statement being read.
  THash Words;
  TParticles Particles;
  std::vector<std::string> ArgumentStack;
  bool PositionalMode = false;
  bool ImplicitSore = false;
  std::string LastTypeMark;
  const THandler* Handlers = nullptr;  // kCommandNumbers entries, set by the registry
  // Every command name as the registry spells it (言う, not the stored 言).
  std::unordered_set<std::string> CommandSpellings;
  // The word that named the command whose handler is running: argument
  // errors name the command as the script wrote it.
  std::string_view CurrentCommandWord;
  // Statements already read, in their ready form, and where words already
  // read end (never null).
  std::unique_ptr<TStatementCache> StatementCache;
  std::unique_ptr<TWordEndCache> WordEndCache;
  // Changes whenever a word or a particle comes or goes: how a text splits
  // into words depends on nothing else.
  uint64_t WordsGeneration() const { return Words.Generation() + Particles.Generation(); }

  // Program texts; positions point into them, so they never change during a run.
  std::string ScriptFileName;
  std::string ScriptText;
  std::vector<std::unique_ptr<const std::string>> ProgramTexts;
  // Texts run by こぶらねする, by their source: run again, a text is reused.
  std::map<std::string, std::unique_ptr<const std::string>> FragmentTexts;
  const char* CurrentPosition = nullptr;
  // While a statement that ended at a line end is executed, the position on
  // its own line (the cursor is already behind the next line marker).
  const char* StatementPosition = nullptr;
  int32_t CurrentLine = 0;

  // Start-up switches.
  bool RuntimeMode = false;
  bool PackedScript = false;
  bool ScriptBesideExe = false;
  bool DebugMode = false;
  bool LineStopMode = false;
  int32_t SecurityLevel = -1;
  // Set by the user interface, or by a watchdog from another thread.
  std::atomic<bool> StopRequested{false};
  std::vector<std::string> Parameters;  // [0] is the executable; script text (CP932)
  std::string ExecutablePath;           // CP932
  // The program file (script, packed executable or the -runtime file) as a
  // canonical full path, and its folder ending in "/" (CP932; empty when unknown).
  std::string ProgramFile;
  std::string ScriptFolder;
  // The current folder when the process started (CP932): relative
  // parameters are relative to it, even after the run moved to the script.
  std::string StartFolder;
  // The container opened at start-up (a packed program, or "-resource"):
  // file commands look for packed files there before the disk.
  std::shared_ptr<TFileMixReader> PackedReader;

  // Control flow.
  TRunControlStack RunControl;
  int ConditionResult = -1;
  std::string SwitchValue;  // kNoSwitchValue while no 条件分岐 is open
  std::vector<std::string> FunctionArguments;
  // Bodies of records that a command discarded while a statement inside them
  // was still being read; released by the next command that discards records.
  std::vector<std::shared_ptr<const std::string>> RetiredBodies;

  // Errors.
  std::string ErrorLog;
  int ShowErrors = 1;
  THashNode* ErrorHandler = nullptr;
  const char* ErrorResumePos = nullptr;
  int32_t ErrorResumeLine = 0;  // the failed statement's line, for a resume inside a block copy
  THashNode* TerminationHandler = nullptr;
  // Jumps to the error handler since it last resumed: a handler that fails
  // itself would otherwise loop forever.
  int ErrorHandlerJumps = 0;

  // Words the interpreter uses directly (set by the registry).
  THashNode* Sore = nullptr;        // それ
  THashNode* So = nullptr;          // そ
  THashNode* Soshite = nullptr;     // そして
  THashNode* Moshi = nullptr;       // もし
  THashNode* Naraba = nullptr;      // ならば
  THashNode* Nara = nullptr;        // なら
  THashNode* Chigaeba = nullptr;    // 違えば
  THashNode* Denakereba = nullptr;  // でなければ
  THashNode* Kaisu = nullptr;       // 回数
  THashNode* ErrorMessage = nullptr;     // エラーメッセージ
  THashNode* CannotTerminate = nullptr;  // 終了不可能
  std::array<THashNode*, swCount> Settings{};
  // What the host knows of the screen; a fixed default without a display.
  int32_t ScreenWidth = 1024;
  int32_t ScreenHeight = 768;

  TObjList Objects;
  // The windows and widgets of the objects (null without a user interface).
  TObjectSystem* ObjectSystem = nullptr;
  // Events that arrived while a statement ran, oldest first.
  std::vector<TEventState> EventQueue;
  // Events that arrived with a newer one, which runs first: each batch waits
  // until the handler started before it has returned (the run-control stack
  // is back at its depth, in the same frame).
  struct TEventBatch {
    int Frames = 0;
    int Depth = 0;
    std::vector<TEventState> Events;  // oldest first
  };
  std::vector<TEventBatch> EventBatches;
  int RunLoopDepth = 0;  // run loops running, one inside the other
  // Where the next object goes without a position, and whether objects are
  // centred on the main window.
  int32_t LayoutX = 10, LayoutY = 10;
  bool Centering = false;
  TTableSearchState TableSearch;

  // Open file handles (a handle variable records its index here; a closed
  // handle leaves an empty slot) and the shared memory blocks written so far.
  std::vector<std::unique_ptr<TRunResource>> FileHandles;
  std::vector<std::unique_ptr<TRunResource>> SharedBlocks;
  // The GUI property names, okurigana stripped, in table order.
  std::vector<std::string> PropertyNames;

  // The C++ stack is finite: nested runs and nested terms check how much of
  // it they use and fail as a runaway script before the process would crash.
  const char* StackBase = nullptr;
  size_t StackBudget = 0;
  int ExpressionDepth = 0;  // expressions being evaluated, one inside the other

  // Stores a program text and returns its start; the text stays put for the run.
  const char* AddProgramText(std::string text);
  // The same for a text run by こぶらねする, kept once per source text.
  const char* AddFragmentText(const std::string& source, std::string text);
  // Empties everything a previous run left (word table, stacks, texts).
  void ResetForRun();
};

// Enters a new empty variable word at the current scope level (the depth of
// the run-control stack), remembering where it was made. The name must not
// be a word yet.
THashNode* CreateVariable(TKobuBase& base, const std::string& name, std::string_view typeMark = {});

// Raises the runaway-script error when the C++ stack is nearly used up.
void CheckStackDepth(TKobuBase& base);

// The statement line kept for error reports while a statement runs.
class TStatementLineGuard {
 public:
  TStatementLineGuard(TKobuBase& base, const char* pos) : base_(base), saved_(base.StatementPosition) {
    base.StatementPosition = pos;
  }
  ~TStatementLineGuard() { base_.StatementPosition = saved_; }
  TStatementLineGuard(const TStatementLineGuard&) = delete;
  TStatementLineGuard& operator=(const TStatementLineGuard&) = delete;

 private:
  TKobuBase& base_;
  const char* saved_;
};

}  // namespace kobu
