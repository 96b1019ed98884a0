#include "core/control.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "commands/args.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/readers.h"
#include "core/runcontrol.h"
#include "core/sjis.h"
#include "core/statement.h"
#include "core/terms.h"
#include "core/ui.h"
#include "platform/cp932.h"
#include "platform/scriptfile.h"

namespace kobu {

namespace {

// Words the constructs look for in the program text, in CP932.
struct TControlWords {
  std::string naraba = sj("ならば");
  std::string nara = sj("なら");
  std::string chigaeba = sj("違えば");
  std::string denakereba = sj("でなければ");
  std::string moshi = sj("もし");
  std::string katsu = sj("かつ");
  std::string matawa = sj("または");
  std::string ga = sj("が");
  std::string ijou = sj("以上");
  std::string ika = sj("以下");
  std::string hitoshii = sj("と等しい");
  std::string sonota = sj("その他");
  std::string kurikaesu = sj("繰り返す");
};

const TControlWords& CW() {
  static const TControlWords words;
  return words;
}

bool IsLineBreak(const char* p) { return *p == '\r' || *p == '\n'; }

// True when the text at p begins with `word` (never reads past the terminator).
bool StartsWith(const char* p, const std::string& word) {
  for (char c : word) {
    if (*p != c) return false;
    ++p;
  }
  return true;
}

bool StartsWithText(const std::string& s, const std::string& word) {
  return s.size() >= word.size() && s.compare(0, word.size(), word) == 0;
}


// Exact name first, so a label wins over a command its okurigana-stripped
// form happens to name.
THashNode* FindWord(TKobuBase& base, const std::string& name) {
  if (THashNode* n = base.Words.Find(name, false)) return n;
  return base.Words.Find(name, true);
}

bool NonZero(long double v) { return v >= 1 || v <= -1; }

// A decimal number and nothing else (blanks around it allowed), truncated
// toward zero into 32 bits.
bool StrictInteger(const std::string& text, int32_t& out) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  size_t s = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exp = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++exp;
    if (exp == 0) return false;
  }
  if (i != n) return false;
  long double v = std::strtold(text.substr(s, n - s).c_str(), nullptr);
  v = std::trunc(v);
  if (!(v >= INT32_MIN)) v = INT32_MIN;  // also catches NaN
  if (v > INT32_MAX) v = INT32_MAX;
  out = static_cast<int32_t>(v);
  return true;
}

void SetKaisu(TKobuBase& base, int32_t n, bool withMark) {
  if (!base.Kaisu) return;
  base.Kaisu->Value = std::to_string(n);
  if (withMark) base.Kaisu->TypeMark = "e";
}

// Reads the block at the cursor: a parenthesised group, or the rest of the
// statement. The cursor ends behind it.
void ReadBlock(TKobuBase& base, TRunControl& r, const char*& cursor) {
  // Read on a copy: a block that fails leaves the cursor on its construct,
  // so the report names the construct's line.
  const char* p = cursor;
  // Run where no program text is being read, a construct has an empty block.
  static const char kNoText[2] = {0, 0};
  if (!p) p = kNoText + 1;
  SkipBlanks(p);
  if (IsLineBreak(p)) {
    ReadLineMarker(base, p);
    SkipBlanks(p);
  }
  r.ReturnPos = p;
  r.FileName = base.ScriptFileName;
  std::string text;
  if (*p == '(') {
    r.ReturnPos = p + 1;
    text = ReadGroup(base, p);
  } else {
    text = ReadRestOfStatement(base, p);
  }
  // The statement parser looks one character back at a line end, so the
  // copy begins with a guard byte.
  r.Body = std::make_shared<const std::string>(std::string(1, '\0') + text);
  r.ExitPos = p;
  cursor = p;
}

// Enters the block of a record: the cursor moves into its copy.
void EnterBlock(TKobuBase& base, const TRunControl& r, const char*& cursor) {
  // A statement ending at the copy's end finds no line marker behind it; the
  // line of the block's start is the one to report.
  FindLineNumberAt(base, r.ReturnPos);
  base.RunControl.Push(r);
  cursor = r.BodyStart();
  base.CurrentPosition = cursor;
}

void SkipLineBreaks(TKobuBase& base, const char*& cursor) {
  for (;;) {
    SkipBlanks(cursor);
    if (!IsLineBreak(cursor)) return;
    ReadLineMarker(base, cursor);
  }
}

// After a condition: reads the then- and else-blocks and enters the chosen one.
void SetupBranch(TKobuBase& base, const char*& cursor, bool thenWordRequired) {
  const TControlWords& w = CW();
  SkipBlanks(cursor);
  if (IsLineBreak(cursor)) ReadLineMarker(base, cursor);

  TRunControl thenBlock, elseBlock;
  thenBlock.ControlType = rcThen;
  elseBlock.ControlType = rcElse;
  bool haveThen = false;
  if (!thenWordRequired) {
    ReadBlock(base, thenBlock, cursor);
    haveThen = true;
  } else {
    SkipBlanks(cursor);
    if (StartsWith(cursor, w.nara)) {
      cursor += StartsWith(cursor, w.naraba) ? w.naraba.size() : w.nara.size();
      SkipBlanks(cursor);
      ReadBlock(base, thenBlock, cursor);
      haveThen = true;
    }
  }
  if (haveThen) {
    SkipBlanks(cursor);
    if (*cursor == ';') ++cursor;
    SkipLineBreaks(base, cursor);
  }

  SkipBlanks(cursor);
  const std::string* elseWord = StartsWith(cursor, w.chigaeba)     ? &w.chigaeba
                                : StartsWith(cursor, w.denakereba) ? &w.denakereba
                                                                   : nullptr;
  if (elseWord) {
    cursor += elseWord->size();
    SkipBlanks(cursor);
    if (StartsWith(cursor, w.moshi))
      ScriptErrorSj(base, w.moshi + sj("を多重構造にするときは、()で範囲を括ってください。"));
    ReadBlock(base, elseBlock, cursor);
  }

  TRunControl* chosen = nullptr;
  if (base.ConditionResult == 1) chosen = &thenBlock;
  else if (base.ConditionResult == 0) chosen = &elseBlock;
  if (chosen && chosen->ReturnPos) {
    chosen->ExitPos = cursor;
    base.ConditionResult = -1;
    EnterBlock(base, *chosen, cursor);
  }
}

bool AtBranchWord(const char* p) {
  const TControlWords& w = CW();
  return StartsWith(p, w.naraba) || StartsWith(p, w.nara) || StartsWith(p, w.chigaeba) ||
         StartsWith(p, w.denakereba);
}

// The Japanese condition forms (かつ, または, AがB以上...) as an expression.
std::string TranslateCondition(TKobuBase& base, const std::string& condition) {
  const TControlWords& w = CW();
  std::vector<std::string> phrases;
  const char* p = condition.c_str();
  for (;;) {
    SkipBlanks(p);
    if (!*p) break;
    std::string phrase;
    while (*p && *p != ' ' && *p != ',' && *p != '\xA4') {
      if (*p == '"' || *p == '`') {
        try {
          phrase += ReadLiteralSpan(base, p);
        } catch (const EKobu& e) {
          ScriptErrorSj(base, sj("条件分岐で文字列の取得に失敗。") + e.Message());
        }
        break;
      }
      if (*p == '(') {
        try {
          phrase += '(' + ReadGroup(base, p) + ')';
        } catch (const EKobu& e) {
          ScriptErrorSj(base, sj("条件分岐で括弧の取得に失敗。") + e.Message());
        }
        break;
      }
      size_t len = CharLen(p);
      phrase.append(p, len);
      p += len;
      // が after a character that is not hiragana, or after a whole word
      // (それが, IMEひらがなが), ends its phrase, so that Aが10以上 reads like
      // A が 10以上; the が inside ひらがな does not.
      if (len == 2 && EndsWithChars(phrase, w.ga) && phrase.size() > w.ga.size()) {
        std::string_view before(phrase.data(), phrase.size() - w.ga.size());
        if (!IsHiraganaCode(CharCode(before.data() + LastCharStart(before))) || base.Words.Find(before, false))
          break;
      }
    }
    while (!phrase.empty() && (phrase.back() == ' ' || phrase.back() == '\t')) phrase.pop_back();
    phrases.push_back(std::move(phrase));
  }

  std::string out;
  for (size_t i = 0; i < phrases.size(); ++i) {
    const std::string& ph = phrases[i];
    if (StartsWithText(ph, w.katsu)) {
      out += " && " + ph.substr(w.katsu.size());
    } else if (StartsWithText(ph, w.matawa)) {
      out += " || " + ph.substr(w.matawa.size());
    } else if (EndsWithChars(ph, w.ga)) {
      std::string subject = ph.substr(0, ph.size() - w.ga.size());
      std::string object = (i + 1 < phrases.size()) ? phrases[++i] : std::string();
      if (DropSuffix(object, w.ijou)) out += subject + ">=" + object;
      else if (DropSuffix(object, w.ika)) out += subject + "<=" + object;
      else if (DropSuffix(object, w.hitoshii)) out += subject + "=" + object;
      else out += subject + "=" + object;
    } else {
      out += ph;
    }
  }
  return out;
}

// もし: the condition runs up to its then- or else-word.
void CmdIf(TKobuBase& base) {
  const char*& cursor = base.CurrentPosition;
  const char* p = cursor;
  std::string condition;
  for (;;) {
    if (!*p) {
      // The report names the line of もし, though the cursor ends at the end.
      FindLineNumberAt(base, cursor);
      cursor = p;
      ScriptError(base, "条件分岐の終端文字を認識できませんでした。");
    }
    if (AtBranchWord(p)) break;
    if (IsLineBreak(p)) {
      const char* q = p;
      ReadLineMarker(base, q);
      SkipBlanks(q);
      if (!AtBranchWord(q)) {
        cursor = p;  // a failed condition leaves the cursor at its line end
        ScriptError(base, "条件分岐の終端文字を認識できませんでした。");
      }
      p = q;
      break;
    }
    size_t len = CharLen(p);
    condition.append(p, len);
    p += len;
  }
  cursor = p;

  std::string expression = TranslateCondition(base, condition);
  std::string result = EvaluateExpressionText(base, expression);
  base.ConditionResult = IndexValue(result) == 1 ? 1 : 0;
  SetupBranch(base, cursor, true);
}

void CmdSwitch(TKobuBase& base) { base.SwitchValue = ArgText(base); }

// 繰り返す: the counter variable runs from one bound to the other.
void CmdFor(TKobuBase& base) {
  const TControlWords& w = CW();
  int32_t to = 0, from = 0;
  if (!StrictInteger(ArgText(base), to)) ScriptError(base, "\"%s\"には、数値を指定してください。", {w.kurikaesu});
  if (!StrictInteger(ArgText(base), from)) ScriptError(base, "\"%s\"には、数値を指定してください。", {w.kurikaesu});
  std::string name = UnquoteName(ArgName(base));
  THashNode* var = base.Words.Find(name, false);
  // A command written with its okurigana is a word too, not a new variable.
  if (!var && (var = base.Words.Find(name, true)) && var->Kind == wkVariable) var = nullptr;
  if (!var) {
    var = CreateVariable(base, name, "e");
  }
  if (!var || var->Kind != wkVariable)
    ScriptError(base, "\"%s\"の実行回数カウンターには、変数を指定してください。", {w.kurikaesu});

  const char*& cursor = base.CurrentPosition;
  TRunControl r;
  r.ControlType = rcFor;
  ReadBlock(base, r, cursor);
  if (from > to) return;
  var->Value = std::to_string(from);
  var->TypeMark = "e";
  r.Counter = from;
  r.Limit = to;
  r.Target = var;
  EnterBlock(base, r, cursor);
}

// 反復: one pass per line of the collection, with the line in それ.
void CmdEach(TKobuBase& base) {
  std::string name = ArgName(base);
  std::string text;
  if (THashNode* n = base.Words.Find(name, false)) {
    if (n->Kind == wkDictionary) text = n->Dict ? n->Dict->NameList() : std::string();
    else text = n->Value;
  } else {
    text = EvaluateArgument(base, name);
  }
  const char*& cursor = base.CurrentPosition;
  TRunControl r;
  r.ControlType = rcEach;
  ReadBlock(base, r, cursor);
  auto items = std::make_shared<std::vector<std::string>>(SplitLines(text));
  if (items->empty()) return;
  r.Counter = 1;
  r.Limit = static_cast<int32_t>(items->size());
  r.Items = items;
  if (base.Sore) {
    base.Sore->Value = (*items)[0];
    base.Sore->TypeMark = "s";
  }
  SetKaisu(base, 1, true);
  EnterBlock(base, r, cursor);
}

// ループ: the condition text is kept and tested before every pass.
void CmdWhile(TKobuBase& base) {
  std::string text = TConvToHalf::Instance().Convert(ArgName(base));
  const char*& cursor = base.CurrentPosition;
  TRunControl r;
  r.ControlType = rcWhile;
  ReadBlock(base, r, cursor);
  if (text.empty() || text == "``") return;
  text = UnquoteName(text);
  if (!NonZero(TextToNumber(EvaluateExpressionText(base, text)))) return;
  r.Counter = 1;
  r.Limit = -1;
  r.Condition = text;
  SetKaisu(base, 1, false);
  EnterBlock(base, r, cursor);
}

bool IsBlockRecord(const TRunControl& r) {
  return r.ControlType == rcThen || r.ControlType == rcElse || r.ControlType == rcCase;
}

// Holds the records a command discards while it runs; they join the retired
// bodies when it is done, even when it fails.
// The statement that discarded them may still point into a body (its cursor,
// its line for an error report), so a body lives on in RetiredBodies until
// the next command that discards records.
class TDiscarded {
 public:
  explicit TDiscarded(TKobuBase& base) : base_(base) { base.RetiredBodies.clear(); }
  ~TDiscarded() {
    for (auto& r : records_)
      if (r.Body) base_.RetiredBodies.push_back(std::move(r.Body));
  }
  TDiscarded(const TDiscarded&) = delete;
  TDiscarded& operator=(const TDiscarded&) = delete;
  void Add(const TRunControl& r) { records_.push_back(r); }
  void PopAll(TRunControlStack& stack) {
    TRunControl r;
    while (stack.Pop(r)) records_.push_back(std::move(r));
  }

 private:
  TKobuBase& base_;
  std::vector<TRunControl> records_;
};

// 抜ける: leaves the innermost loop or subroutine, with the blocks inside it.
void CmdBreak(TKobuBase& base) {
  TDiscarded discarded(base);
  std::vector<TRunControl> blocks;
  TRunControl r;
  for (;;) {
    if (!base.RunControl.Pop(r)) {
      // Nothing to leave: the blocks stay open and the run goes on.
      for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) base.RunControl.Push(*it);
      return;
    }
    discarded.Add(r);
    if (!IsBlockRecord(r)) break;
    blocks.push_back(r);
  }
  switch (r.ControlType) {
    case rcFor:
    case rcTimes:
    case rcEach:
    case rcWhile:
      base.CurrentPosition = r.ExitPos;
      return;
    case rcCall:
    case rcEvent:
      ReturnFromCall(base, r);
      return;
    default:
      return;
  }
}

// 続ける: the next pass of the innermost loop (or the return of a subroutine).
void CmdContinue(TKobuBase& base) {
  TDiscarded discarded(base);
  TRunControl r;
  if (!base.RunControl.Pop(r)) {
    base.CurrentPosition = nullptr;
    return;
  }
  TRunControl next;
  while (IsBlockRecord(r) && base.RunControl.Pop(next)) {
    discarded.Add(r);
    r = next;
  }
  // The record may end its run here; its body outlives this statement.
  discarded.Add(r);
  base.ScriptFileName = r.FileName;
  base.RunControl.Push(r);
  CheckRunControl(base);
}

[[noreturn]] void UndefinedLabel(TKobuBase& base, const std::string& name) {
  ScriptError(base, "未定義のラベル\"%s\"に、ジャンプしようとしました。", {name});
}

void GlobalJump(TKobuBase& base, const std::string& name) {
  THashNode* label = FindWord(base, name);
  if (!label || label->Kind != wkLabel) UndefinedLabel(base, name);
  base.CurrentPosition = label->Data;
  base.ScriptFileName = label->TypeMark;
}

// Where "*name" CR stands in a block copy: the position of the CR, as a label
// word holds it; nullptr when the copy has no such line.
const char* FindLabelInBody(const TRunControl& r, const std::string& search) {
  const char* p = r.BodyStart();
  while (*p) {
    if (StartsWith(p, search)) return p + search.size() - 1;
    p += CharLen(p);
  }
  return nullptr;
}

// 飛ぶ: a label inside an open block keeps that block running; any other
// label is a jump out of every block.
void CmdJump(TKobuBase& base) {
  std::string name = UnquoteName(ArgName(base));
  std::string search = "*" + name + "\r";
  TDiscarded discarded(base);
  TRunControl r;
  while (base.RunControl.Pop(r)) {
    if (!r.Body || r.Body->size() <= 1) {
      base.RunControl.Push(r);
      break;
    }
    if (const char* found = FindLabelInBody(r, search)) {
      base.RunControl.Push(r);
      base.CurrentPosition = found;
      return;
    }
    discarded.Add(r);
  }
  GlobalJump(base, name);
}

THashNode* FindLabel(TKobuBase& base, const std::string& name) {
  THashNode* n = FindWord(base, name);
  // Only a label has a body to run; any other word is no call target.
  if (!n || n->Kind != wkLabel) ScriptError(base, "オブジェクト\"%s\"が特定できません。", {name});
  return n;
}

void CmdCall(TKobuBase& base) {
  std::string name = UnquoteName(ArgName(base));
  CallLabel(base, FindLabel(base, name));
}

// 関数定義: gives a label a parameter pattern, so it binds arguments like a command.
void CmdDefineFunction(TKobuBase& base) {
  std::string pattern = TConvToHalf::Instance().Convert(ArgText(base));
  std::string name = UnquoteName(ArgName(base));
  THashNode* label = FindLabel(base, name);
  label->Pattern = pattern;
  base.Particles.AddFromPattern(pattern);
  std::string stem = StripOkurigana(label->Name);
  if (stem != label->Name) {
    auto copy = std::make_unique<THashNode>();
    copy->CopyFrom(*label);
    copy->Name = stem;
    try {
      base.Words.Add(std::move(copy));
    } catch (const EWordReserved& e) {
      ScriptErrorSj(base, e.what());
    }
  }
}

void CmdGetArguments(TKobuBase& base) {
  std::string text;
  for (const auto& a : base.FunctionArguments) text += a + "\r\n";
  // Blanks and line ends at both ends go; bytes up to 0x20 are never trail bytes.
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  SetResult(base, text.substr(b, e - b), "s");
  base.FunctionArguments.clear();
}

void CmdEnd(TKobuBase& base) {
  TDiscarded discarded(base);
  discarded.PopAll(base.RunControl);
  base.CurrentPosition = nullptr;
  if (base.UI) base.UI->CloseMainWindow();
}

void CmdWait(TKobuBase& base) {
  TDiscarded discarded(base);
  discarded.PopAll(base.RunControl);
  base.CurrentPosition = nullptr;
  if (base.ObjectSystem) base.ObjectSystem->Idle();
}

void CmdReturn(TKobuBase& base) {
  TDiscarded discarded(base);
  TRunControl r;
  if (!base.RunControl.Pop(r)) {
    base.CurrentPosition = nullptr;
    return;
  }
  while (r.ControlType != rcCall && r.ControlType != rcEvent) {
    discarded.Add(r);
    if (!base.RunControl.Pop(r)) ScriptError(base, "「戻る」べき場所がありません。");
  }
  ReturnFromCall(base, r);
}

// A file name from a script: "\\" separates like "/", a drive letter goes.
std::string ScriptPath(const std::string& name) {
  std::string path;
  size_t i = 0;
  if (name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    i = 2;
  for (; i < name.size();) {
    size_t len = CharLenAt(name, i);
    if (len == 1 && name[i] == '\\') path += '/';
    else path.append(name, i, len);
    i += len;
  }
  return path;
}

// 取り込む: the file joins the program (its labels too) and runs at once.
void CmdInclude(TKobuBase& base) {
  std::string name = ArgText(base);
  std::string path = ScriptPath(name);
  std::string text;
  bool lossy = false;
  if (path.empty() || !LoadScriptFile(path, seAuto, text, lossy))
    ScriptError(base, "ファイル\"%s\"が、ありません。", {name});
  if (static_cast<int>(base.ProgramTexts.size()) >= kMaxProgramTexts)
    ScriptError(base, "ファイル\"%s\"を取り込めません。取り込めるファイルは%d個までです。",
                {name, std::to_string(kMaxProgramTexts - 1)});
  std::string program = Preprocess(base, text);
  const char* start = base.AddProgramText(std::move(program));
  RegisterLabels(base, start, path);
  RunTextNested(base, start, path);
}

// こぶらねする: a text given by the script runs as a program of its own.
void CmdRunText(TKobuBase& base) {
  std::string source = ArgText(base);
  const char* start;
  auto found = base.FragmentTexts.find(source);
  if (found != base.FragmentTexts.end()) start = found->second->c_str() + 1;
  else start = base.AddFragmentText(source, Preprocess(base, source));
  std::string name = base.ScriptFileName + sj("の") + std::to_string(FindLineNumber(base)) + sj("行目のこぶらね");
  RunTextNested(base, start, name);
}

void CmdNothing(TKobuBase&) {}

void CmdNara(TKobuBase& base) { ScriptError(base, "条件文は、「もし～ならば」と対で使わなければなりません。"); }

const TCommandRow kRows[] = {
    {"おわり", "", "プログラムの実行を終了する", 2, CmdEnd},
    {"終わり", "", "プログラムの実行を終了する", 2, CmdEnd},
    {"おわる", "", "プログラムの実行を終了する", 2, CmdEnd},
    {"飛ぶ", "?へ", "ラベル?へジャンプする", 5, CmdJump},
    {"呼ぶ", "?を", "ラベル?をサブルーチンとして呼ぶ", 6, CmdCall},
    {"戻る", "", "サブルーチンから戻る", 3, CmdReturn},
    {"待機", "", "プログラムの実行を止めてイベントを待つ", 13, CmdWait},
    {"抜ける", "", "繰り返しやサブルーチンから抜ける", 215, CmdBreak},
    {"続ける", "", "繰り返しの次の回へ進む", 398, CmdContinue},
    {"こぶらねする", "?を", "文字列?をプログラムとして実行する", 0, CmdRunText},
    {"取り込む", "?を", "ファイル?をプログラムに取り込んで実行する", 1, CmdInclude},
    {"もし", "", "条件?が真ならば…、違えば…を実行する", 102, CmdIf},
    {"ならば", "", "条件文の真の範囲を示す", 19, CmdNothing},
    {"なら", "", "条件文の真の範囲を示す", 200, CmdNara},
    {"違えば", "", "条件文の偽の範囲を示す", 20, CmdNothing},
    {"でなければ", "", "条件文の偽の範囲を示す", 20, CmdNothing},
    {"条件分岐", "?で", "値?で条件分岐し、続く「～の時」の範囲を選ぶ", 369, CmdSwitch},
    {"繰り返す", "?を,?から,?まで", "変数?を,?から,?まで数えながら繰り返す", 56, CmdFor},
    {"反復", "?を", "一覧?の各行について繰り返す", 71, CmdEach},
    {"ループ", "?で", "条件?が真の間繰り返す", 414, CmdWhile},
    {"関数定義", "?を,?で", "ラベル?を,引数リスト?で,関数として定義する", 399, CmdDefineFunction},
    {"引数取得", "", "それに、関数の引数の一覧を配列形式で得る", 400, CmdGetArguments},
};

}  // namespace

std::span<const TCommandRow> ControlCommandRows() { return kRows; }

// "?" without a literal: the last pending word is the condition; any
// non-zero value is true.
void RunQuestionCondition(TKobuBase& base, const char*& cursor) {
  if (base.ArgumentStack.empty()) ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。", {"?"});
  std::string arg = std::move(base.ArgumentStack.back());
  base.ArgumentStack.pop_back();
  // A possessive word and the word after it are one reference (Aの値?).
  static const std::string no = sj("の");
  if (!base.ArgumentStack.empty() && EndsWithChars(base.ArgumentStack.back(), no)) {
    arg = base.ArgumentStack.back() + arg;
    base.ArgumentStack.pop_back();
  }
  std::string value;
  if (ResolveReference(base, arg, value)) value = EvaluateExpressionText(base, QuoteLiteral(value));
  else value = EvaluateExpressionText(base, arg);
  base.ConditionResult = NonZero(TextToNumber(value)) ? 1 : 0;
  SkipBlanks(cursor);
  if (IsLineBreak(cursor)) ReadLineMarker(base, cursor);
  SkipBlanks(cursor);
  SetupBranch(base, cursor, AtBranchWord(cursor));
}

// A word ending in の時: this branch runs when it matches the open 条件分岐,
// and then closes it for the branches that follow.
void RunCaseBranch(TKobuBase& base, const std::string& label, const char*& cursor) {
  const TControlWords& w = CW();
  TRunControl r;
  r.ControlType = rcCase;
  ReadBlock(base, r, cursor);
  if (base.SwitchValue == kNoSwitchValue) return;
  bool match = false;
  std::string bound = label;
  if (label == w.sonota) {
    match = true;
  } else if (DropSuffix(bound, w.ijou)) {
    match = TextToNumber(base.SwitchValue) >= TextToNumber(EvaluateArgument(base, bound));
  } else if (DropSuffix(bound, w.ika)) {
    match = TextToNumber(base.SwitchValue) <= TextToNumber(EvaluateArgument(base, bound));
  } else {
    match = EvaluateArgument(base, label) == base.SwitchValue;
  }
  if (!match) return;
  base.SwitchValue = kNoSwitchValue;
  EnterBlock(base, r, cursor);
}

// A word ending in 回: the block runs count times, with 回数 counting.
void RunCountedLoop(TKobuBase& base, const std::string& countText, const char*& cursor) {
  long count = IndexValue(EvaluateArgument(base, countText));
  TRunControl r;
  r.ControlType = rcTimes;
  ReadBlock(base, r, cursor);
  if (count <= 0) return;
  r.Counter = 1;
  r.Limit = static_cast<int32_t>(count);
  SetKaisu(base, 1, false);
  EnterBlock(base, r, cursor);
}

}  // namespace kobu
