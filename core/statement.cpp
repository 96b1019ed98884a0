#include "core/statement.h"

#include <algorithm>

#include "core/control.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/properties.h"
#include "core/readers.h"
#include "core/runcontrol.h"
#include "core/sjis.h"
#include "core/statement_cache.h"
#include "core/tabletext.h"
#include "core/terms.h"
#include "core/ui.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// Words of the statement syntax, in CP932.
struct TSyntaxWords {
  std::string no = sj("の");
  std::string ha = sj("は");
  std::string kai = sj("回");
  std::string noToki = sj("の時");
  std::string te = sj("て");
  std::string moshi = sj("もし");
  std::string soshite = sj("そして");
  std::string sore = sj("それ");
  std::string kurikaesu = sj("繰返");
  std::string hanpuku = sj("反復");
  std::string loop = sj("ループ");
  std::string sagyouFolder = sj("作業フォルダ");
  std::string systemCommand = sj("システム命令");
  std::string hash = sj("ハッシュ");
  std::string to = sj("と"), wo = sj("を"), ni = sj("に"), he = sj("へ");
};

const TSyntaxWords& W() {
  static const TSyntaxWords words;
  return words;
}

// True when the word ends in the pattern's particle or an accepted form of it.
bool MatchesParticle(const std::string& word, const std::string& particle, size_t& matchedLen) {
  const TSyntaxWords& w = W();
  auto test = [&](const std::string& form) {
    if (EndsWithChars(word, form)) {
      matchedLen = form.size();
      return true;
    }
    return false;
  };
  if (test(particle)) return true;
  if (particle == w.to || particle == w.no) return test(w.wo);
  if (particle == w.wo) return test(w.to) || test(w.no);
  if (particle == w.ni) return test(w.he);
  if (particle == w.he) return test(w.ni);
  return false;
}

std::vector<std::string> PatternParticles(const std::string& pattern) {
  std::vector<std::string> items;
  if (pattern.empty()) return items;
  size_t i = 0;
  for (;;) {
    size_t e = i;
    while (e < pattern.size() && !(CharLenAt(pattern, e) == 1 && pattern[e] == ',')) e += CharLenAt(pattern, e);
    std::string slot = pattern.substr(i, e - i);
    size_t a = slot.find_first_not_of(" \t");
    size_t b = slot.find_last_not_of(" \t");
    slot = (a == std::string::npos) ? std::string() : slot.substr(a, b - a + 1);
    if (!slot.empty() && slot[0] == '?') slot.erase(0, 1);
    items.push_back(slot);
    if (e >= pattern.size()) break;
    i = e + 1;
  }
  return items;
}

[[noreturn]] void BadCharacter(TKobuBase& base, const char*& cursor) {
  size_t len = std::max<size_t>(CharLen(cursor), 1);
  std::string ch(cursor, len);
  cursor += len;  // the statement is abandoned past the character
  std::string msg = FillArgs(sj("\"%s\"は、文法が正しくないため、実行できません。"), {ch});
  if (ch == "&") msg += sj("\"&\"は、文字列との連結に使います。");
  else if (len == 1 && (IsOperatorChar(ch[0]) || ch == "|"))
    msg += FillArgs(sj("\"%s\"は、計算式で使います。"), {ch});
  ScriptErrorSj(base, msg);
}

// After a string literal: "&"-joined pieces and the particle. A piece may
// run a command that ends the run; the cursor is then null and the rest of
// the statement goes with the run.
std::string Tail(TKobuBase& base, const char*& p) {
  SkipTabsSpaces(p);
  if (*p != '&') return ReadParticleOrWord(base, p);
  std::string out;
  while (*p == '&') {
    ++p;
    SkipBlanks(p);
    if (*p == '\r' || *p == '\n') {
      ReadLineMarker(base, p);
      SkipBlanks(p);
    }
    if (*p == '"' || *p == '`') {
      std::string v = ReadTerm(base, p, nullptr);
      if (!p) return out;
      out += '&';
      out += QuoteLiteral(v);
      SkipTabsSpaces(p);
      if (*p != '&') out += ReadParticleOrWord(base, p);
    } else {
      out += '&';
      out += ReadWord(base, p);
    }
    SkipTabsSpaces(p);
  }
  return out;
}

// An index of an element reference, unevaluated: a group (with its
// parentheses), a number, or a word. A word read together with its particle
// (B#Iを言う, A#Iは5) gives the particle back to the statement.
std::string ReadElementIndex(TKobuBase& base, const char*& p) {
  if (*p == '(') return "(" + ReadGroup(base, p) + ")";
  if (*p == '$' || (*p >= '0' && *p <= '9')) return ReadNumberText(p);
  std::string w = ReadWord(base, p);
  if (base.Words.Find(w, false)) return w;
  const char* end = w.data() + w.size();
  for (size_t k = w.empty() ? 0 : CharLenAt(w, 0); k < w.size(); k += CharLenAt(w, k)) {
    size_t len = base.Particles.MatchAt(w.data() + k, end);
    if (len && k + len == w.size()) {
      p -= len;
      w.resize(k);
      break;
    }
  }
  return w;
}

// Both return true when the step goes on at its start: a possessive word
// waits for the word that follows it.
bool Completion(TKobuBase& base, std::string w, const char*& cursor, bool plain);

bool StatementStep(TKobuBase& base, const char*& cursor) {
  SkipBlanks(cursor);
  char c = *cursor;
  switch (c) {
    case 0:
      FlushStatement(base);
      return false;
    case '\r':
    case '\n': {
      if (cursor[-1] == ',') {  // a comma at the line end continues the statement
        ReadLineMarker(base, cursor);
        return false;
      }
      const char* linePos = cursor;
      ReadLineMarker(base, cursor);
      {
        TStatementLineGuard line(base, linePos);
        FlushStatement(base);
      }
      return false;
    }
    case ';':
      ++cursor;
      FlushStatement(base);
      return false;
    case '*':
      SkipToLineEnd(cursor);
      return false;
    case '"':
    case '`': {
      std::string span = ReadLiteralSpan(base, cursor);
      // What the literal embeds may end the run (「{待機}」): then so does the statement.
      std::string w = QuoteLiteral(EvaluateArgument(base, span));
      if (!cursor) return false;
      SkipTabsSpaces(cursor);
      w += Tail(base, cursor);
      if (!cursor) return false;
      return Completion(base, std::move(w), cursor, false);
    }
    case '#': {
      if (base.ArgumentStack.empty()) BadCharacter(base, cursor);
      std::string name = base.ArgumentStack.back();
      base.ArgumentStack.pop_back();
      if (!base.Words.Find(name, false)) {
        auto v = std::make_unique<THashNode>(name, std::string(), -1, false);
        v->Data = base.CurrentPosition;
        base.Words.Add(std::move(v));
      }
      ++cursor;
      std::string w = name + "#" + ReadElementIndex(base, cursor);
      while (*cursor == ' ') ++cursor;
      if (*cursor == '#') {
        ++cursor;
        w += "#" + EvaluateArgument(base, ReadElementIndex(base, cursor));
      }
      if (*cursor && !IsDelimiter(cursor)) w += ReadParticleOrWord(base, cursor);
      return Completion(base, std::move(w), cursor, false);
    }
    case '(': {
      std::string w = ReadGroup(base, cursor);
      w += ReadParticleOrWord(base, cursor);
      return Completion(base, std::move(w), cursor, false);
    }
    case '?':
      ++cursor;
      SkipBlanks(cursor);
      // A quick print only begins a statement; with a pending word, "?" is a condition.
      if ((*cursor == '"' || *cursor == '`') && base.ArgumentStack.empty()) {
        std::string span = ReadLiteralSpan(base, cursor);
        std::string v = EvaluateArgument(base, span);
        if (base.UI) base.UI->QuickPrint(v);
        return false;
      }
      RunQuestionCondition(base, cursor);
      return false;
    default:
      break;
  }
  if (c == '$' || c == '+' || c == '-' || (c >= '0' && c <= '9')) {
    std::string w = ReadNumberText(cursor);
    SkipTabsSpaces(cursor);
    while (IsOperatorChar(*cursor)) {
      while (IsOperatorChar(*cursor)) w += *cursor++;
      SkipTabsSpaces(cursor);
      w += ReadNumberText(cursor);
      SkipTabsSpaces(cursor);
      w = EvaluateExpressionText(base, w);
    }
    char n = *cursor;
    if (n != '\n' && n != '\r' && n != ',' && n != ';' && n != '\xA4') w += ReadParticleOrWord(base, cursor);
    return Completion(base, std::move(w), cursor, false);
  }
  if (base.StatementCache->Run(base, cursor)) return false;
  std::string w = ReadWord(base, cursor);
  if (w.empty()) BadCharacter(base, cursor);
  if (w == W().soshite) {
    FlushStatement(base);
    return false;
  }
  return Completion(base, std::move(w), cursor, true);
}

bool Completion(TKobuBase& base, std::string w, const char*& cursor, bool plain) {
  const TSyntaxWords& sw = W();
  const char* afterWord = cursor;
  SkipBlanks(cursor);
  if (*cursor == '=') {
    ++cursor;
    Assign(base, w, cursor);
    return false;
  }
  if (*cursor == '&') {
    std::string v;
    std::string word = ResolveReference(base, w, v) ? QuoteLiteral(v) : w;
    if (!cursor) return false;  // the word ran a command that ended the run
    word += Tail(base, cursor);
    if (!cursor) return false;
    base.ArgumentStack.push_back(std::move(word));
    return false;
  }
  if (DropSuffix(w, sw.noToki)) {
    RunCaseBranch(base, w, cursor);
    return false;
  }
  if (EndsWithChars(w, sw.no)) {
    // The possessive word belongs with the word that follows.
    base.ArgumentStack.push_back(std::move(w));
    return true;
  }
  if (DropSuffix(w, sw.ha)) {
    Assign(base, w, cursor);
    return false;
  }
  if (DropSuffix(w, sw.kai)) {
    RunCountedLoop(base, w, cursor);
    return false;
  }
  if (EndsWithChars(w, sw.te)) {
    THashNode* n = base.Words.Find(w, true);
    if (IsCallableWord(n)) {
      if (*afterWord == '(') {
        cursor = afterWord;
        CallWithParentheses(base, w, cursor, false);
      } else {
        ExecuteWord(base, n, w);
      }
      return false;
    }
  }
  if (w == sw.moshi) {
    base.ArgumentStack.push_back(std::move(w));
    FlushStatement(base);
    return false;
  }
  {
    std::string stem = StripOkurigana(w);
    if (stem == sw.kurikaesu || stem == sw.hanpuku || stem == sw.loop) {
      base.ArgumentStack.push_back(std::move(w));
      FlushStatement(base);
      return false;
    }
  }
  if (plain && *cursor == '(' && IsCallableWord(base.Words.Find(w, true))) {
    cursor = afterWord;  // the "(" must follow the name directly
    std::string result = CallWithParentheses(base, w, cursor, false);
    if (!cursor) return false;  // 待機() and 終わる() end the run here
    const char* q = cursor;
    SkipTabsSpaces(q);
    if (*q == 0 || *q == '\r' || *q == ';') {
      base.Sore->Value = result;
      base.Sore->TypeMark = base.LastTypeMark;
      return false;
    }
    std::string word = (base.LastTypeMark == "s") ? QuoteLiteral(result) : result;
    word += ReadParticleOrWord(base, cursor);
    base.ArgumentStack.push_back(std::move(word));
    return false;
  }
  base.ArgumentStack.push_back(std::move(w));
  if (*cursor == 0) FlushStatement(base);
  return false;
}

// The items of a call's argument list, each pushed as one argument word.
void PushArgumentList(TKobuBase& base, const std::string& list) {
  const char* p = list.c_str();
  for (;;) {
    SkipTabsSpaces(p);
    while (*p == '\r' || *p == '\n') {
      ReadLineMarker(base, p);
      SkipTabsSpaces(p);
    }
    if (!*p) break;
    // An item runs to the next top-level comma; literals and groups are whole.
    std::string item;
    while (*p && *p != ',') {
      if (*p == '"' || *p == '`') {
        item += ReadLiteralSpan(base, p);
      } else if (*p == '(') {
        item += "(" + ReadGroup(base, p) + ")";
      } else if (*p == '\r' || *p == '\n') {
        ReadLineMarker(base, p);
        item += ' ';
      } else {
        size_t n = CharLen(p);
        item.append(p, n);
        p += n;
      }
    }
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.pop_back();
    if (*p == ',') ++p;
    // A lone literal or a plain word goes as written; anything else is evaluated now.
    const char* q = item.c_str();
    bool asWritten = false;
    if (*q == '"' || *q == '`') {
      std::string span = ReadLiteralSpan(base, q);
      asWritten = (*q == 0);
    } else {
      std::string run = ReadRun(q);
      asWritten = !run.empty() && *q == 0;
    }
    if (asWritten) {
      base.ArgumentStack.push_back(item);
    } else {
      std::string v = EvaluateArgument(base, item);
      base.ArgumentStack.push_back(base.LastTypeMark == "s" ? QuoteLiteral(v) : v);
    }
  }
}

// Restores a flag on every way out.
class TFlagGuard {
 public:
  TFlagGuard(bool& flag, bool value) : flag_(flag), saved_(flag) { flag = value; }
  ~TFlagGuard() { flag_ = saved_; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

// Names the command whose handler runs, for its argument errors.
class TCurrentCommand {
 public:
  TCurrentCommand(TKobuBase& base, std::string_view written) : base_(base), saved_(base.CurrentCommandWord) {
    base.CurrentCommandWord = written;
  }
  ~TCurrentCommand() { base_.CurrentCommandWord = saved_; }
  TCurrentCommand(const TCurrentCommand&) = delete;
  TCurrentCommand& operator=(const TCurrentCommand&) = delete;

 private:
  TKobuBase& base_;
  std::string_view saved_;
};

// The event properties a statement can name to run a handler, as stored
// (クリックした時 is found only when written クリック時).
bool IsEventPropertyName(const TKobuBase& base, const std::string& word) {
  static const int events[] = {ppEvent,     ppOnClick, ppOnDoubleClick, ppOnMouseDown, ppOnMouseUp,
                               ppOnKeyDown, ppOnKeyUp, ppOnChange,      ppOnMouseMove};
  for (int e : events)
    if (static_cast<size_t>(e) < base.PropertyNames.size() && base.PropertyNames[e] == word) return true;
  return false;
}

void TrimBlanks(std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  s = s.substr(a, b - a);
}

// Sets the line `key` of name=value lines; an empty value removes it.
std::string SetLineValue(const std::string& text, const std::string& key, const std::string& value) {
  std::vector<std::string> lines = SplitLines(text);
  bool found = false;
  std::vector<std::string> out;
  for (auto& line : lines) {
    size_t eq = 0;
    while (eq < line.size() && line[eq] != '=') eq += CharLenAt(line, eq);
    std::string name = line.substr(0, eq);
    TrimBlanks(name);
    if (!found && name == key) {
      found = true;
      if (!value.empty()) out.push_back(key + "=" + value);
      continue;
    }
    out.push_back(line);
  }
  if (!found && !value.empty()) out.push_back(key + "=" + value);
  std::string r;
  for (auto& l : out) r += l + "\r\n";
  return r;
}

}  // namespace

void ExecuteStatementStep(TKobuBase& base, const char*& cursor) {
  if (!cursor) return;
  TStatementLineGuard line(base, nullptr);
  while (StatementStep(base, cursor)) {
  }
}

void FlushStatement(TKobuBase& base) {
  if (base.ArgumentStack.empty()) return;
  std::string word = std::move(base.ArgumentStack.back());
  base.ArgumentStack.pop_back();
  THashNode* node = base.Words.Find(word, true);
  if (node) {
    RunStatementWord(base, node, word);
    return;
  }
  if (base.ObjectSystem && !base.ArgumentStack.empty() && IsEventPropertyName(base, word)) {
    // ボタンのクリック時: reading an event property runs the object's handler.
    std::string owner = std::move(base.ArgumentStack.back());
    base.ArgumentStack.pop_back();
    DropSuffix(owner, W().no);
    base.ObjectSystem->GetProperty(owner, word);
    return;
  }
  std::string all;
  for (const auto& a : base.ArgumentStack) all += a + ",";
  all += word;
  TrimBlanks(all);
  base.ArgumentStack.clear();
  ScriptErrorSj(base, sj("\"%s\"は未定義の命令です。(;o;)<綴りミスか、命令の引数に注意！"), {all});
}

void RunStatementWord(TKobuBase& base, THashNode* node, std::string_view written) {
  ExecuteWord(base, node, written);
  if (!base.ArgumentStack.empty()) {
    std::string msg = FillArgs(sj("\"%s\"命令の引数に誤りがあります。引数が多いです。\""), {node->Name});
    for (const auto& a : base.ArgumentStack) msg += a + "\r\n";
    msg += '"';
    base.ArgumentStack.clear();
    ScriptErrorSj(base, msg);
  }
}

void ExecuteWord(TKobuBase& base, THashNode* node, std::string_view written) {
  switch (node->Kind) {
    case wkCommand:
      DispatchCommand(base, node, written);
      return;
    case wkLabel:
      CallLabel(base, node);
      return;
    case wkVariable:
    case wkObject:
      ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。変数を実行することは出来ません。", {node->Name});
    case wkExternal:
      ScriptError(base, "\"%s\":こぶらね命令のリンク切れ。作者へ報告を！", {node->Name});
    case wkDictionary:
      return;
  }
}

void BindArguments(TKobuBase& base, THashNode* node) {
  std::vector<std::string> particles = PatternParticles(node->Pattern);
  auto& stack = base.ArgumentStack;
  size_t n = particles.size();
  if (n == stack.size() + 1) {
    std::string sore = W().sore;
    if (!base.PositionalMode) sore += particles[0];
    stack.insert(stack.begin(), sore);
    base.ImplicitSore = true;
  } else {
    base.ImplicitSore = false;
  }
  if (n > stack.size())
    ScriptErrorSj(base, FillArgs(sj("\"%s\"命令の引数に誤りがあります。"), {node->Name}) + "\"" + node->Pattern +
                            sj("\"の形式で指定してください。引数が少ないです。"));
  // A word that ends in a longer particle of the pattern (個目の, 列目へ)
  // belongs to that slot, not to a shorter one whose form its last
  // character happens to be (の for を, へ for に).
  auto ownedByLonger = [&](const std::string& word, size_t len) {
    for (const auto& other : particles)
      if (other.size() > len && EndsWithChars(word, other)) return true;
    return false;
  };
  std::vector<std::string> kept(n);
  for (size_t k = n; k-- > 0;) {
    const std::string& particle = particles[k];
    bool found = false;
    for (size_t i = stack.size(); i-- > 0;) {
      size_t len = 0;
      bool ok = MatchesParticle(stack[i], particle, len);
      if (ok && !base.PositionalMode && ownedByLonger(stack[i], len)) continue;
      if (!ok && !base.PositionalMode) continue;
      std::string word = std::move(stack[i]);
      stack.erase(stack.begin() + static_cast<long>(i));
      if (ok) word.resize(word.size() - len);
      kept[k] = std::move(word);
      found = true;
      break;
    }
    if (!found)
      ScriptErrorSj(base, FillArgs(sj("\"%s\"命令の引数に誤りがあります。"), {node->Name}) + "\"" + node->Pattern +
                              FillArgs(sj("\"の形式で指定してください。\"%s\""), {particle}));
  }
  for (auto& w : kept) stack.push_back(std::move(w));
  if (stack.size() > 5000) ScriptError(base, "スタックが一杯になりました。ラベルなどに再帰呼び出しがないか確認！");
}

void DispatchCommand(TKobuBase& base, THashNode* node, std::string_view written) {
  BindArguments(base, node);
  THandler handler = nullptr;
  if (base.Handlers && node->Number >= 0 && node->Number < kCommandNumbers) handler = base.Handlers[node->Number];
  if (!handler) ScriptError(base, "\"%s\":こぶらね命令のリンク切れ。作者へ報告を！", {node->Name});
  try {
    TFlagGuard positional(base.PositionalMode, false);
    TCurrentCommand running(base, written);
    handler(base);
  } catch (const EKobu& e) {
    EKobu wrapped(base, FormatScriptError(base, FillArgs(sj("システム命令実行中のエラー。理由は,%s"), {e.Message()})));
    wrapped.CarryFrom(e);
    throw wrapped;
  } catch (const std::exception& e) {
    ScriptError(base, "システム命令実行中のエラー。理由は,%s", {e.what()});
  }
}

std::string CallWithParentheses(TKobuBase& base, const std::string& name, const char*& cursor, bool push) {
  THashNode* node = base.Words.Find(name, true);
  if (!IsCallableWord(node)) {
    base.ArgumentStack.push_back(name);
    return std::string();
  }
  if (*cursor != '(') {
    // The call is abandoned whole: the run must not go on inside its arguments.
    const char* p = cursor;
    SkipBlanks(p);
    if (*p == '(') {
      ReadGroup(base, p);
      cursor = p;
    }
    ScriptError(base, "関数\"%s\"の呼び出しで、引数の()は、すぐ後ろに書いてください。", {name});
  }
  std::string list = ReadGroup(base, cursor);
  if (!list.empty()) PushArgumentList(base, list);
  std::string savedValue = base.Sore->Value, savedMark = base.Sore->TypeMark;
  {
    TFlagGuard positional(base.PositionalMode, true);
    if (node->Kind == wkCommand) DispatchCommand(base, node, name);
    else if (node->Kind == wkLabel) RunLabelNested(base, node, true);
    else ExecuteWord(base, node, name);
  }
  std::string result = base.Sore->Value;
  if (push) base.ArgumentStack.push_back(result);
  base.LastTypeMark = base.Sore->TypeMark;
  base.Sore->Value = std::move(savedValue);
  base.Sore->TypeMark = std::move(savedMark);
  return result;
}

// "S=S&「text」" grows S where it is instead of copying it twice: a text built
// piece by piece would otherwise cost the square of its length. Only a plain
// literal qualifies (no escapes, no embedded expressions), so nothing can run
// between reading S and appending to it.
bool AppendInPlace(TKobuBase& base, const std::string& target, const std::string& text) {
  // The expression must read the target itself first, exactly as the term
  // reader would (a name ending in "の" reads an owner's key instead).
  if (target.empty() || EndsWithChars(target, W().no)) return false;
  const char* p = text.c_str();
  SkipBlanks(p);
  if (ReadWord(base, p) != target) return false;
  size_t i = static_cast<size_t>(p - text.c_str());
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i + 1 >= text.size() || text[i] != '&' || text[i + 1] == '&') return false;
  ++i;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i >= text.size() || text[i] != '"') return false;
  size_t open = ++i;
  for (; i < text.size() && text[i] != '"'; i += CharLenAt(text, i))
    if (text[i] == '\\' || text[i] == '{' || text[i] == '\r' || text[i] == '\n' ||
        text.compare(i, 2, "\x81\x8F") == 0 || text.compare(i, 2, "\x81\x6F") == 0)  // ￥ and ｛ too
      return false;
  if (i >= text.size()) return false;
  size_t close = i++;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i != text.size()) return false;
  THashNode* node = base.Words.Find(target, false);
  if (!node || node->Kind != wkVariable || node->Reserved) return false;
  node->Value.append(text, open, close - open);
  node->TypeMark = "s";
  base.LastTypeMark = "s";
  return true;
}

void Assign(TKobuBase& base, const std::string& target, const char*& cursor) {
  if (!base.ArgumentStack.empty()) {
    AssignProperty(base, target, cursor);
    return;
  }
  if (!target.empty() && (target[0] == '"' || target[0] == '`'))
    ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。『変数名は、「内容」』のように書いてください。",
                {target + sj("の代入文")});
  std::string text = ReadRestOfStatement(base, cursor);
  if (AppendInPlace(base, target, text)) return;
  std::string value = EvaluateArgument(base, text);
  std::string mark = base.LastTypeMark;

  std::string name = target;
  size_t hashPos = std::string::npos;
  for (size_t i = 0; i < target.size(); i += CharLenAt(target, i))
    if (target[i] == '#') {
      hashPos = i;
      break;
    }
  if (hashPos != std::string::npos && hashPos > 0) {
    // An element target: row i, or the cell in column i of row j.
    name = target.substr(0, hashPos);
    std::string rest = target.substr(hashPos + 1);
    std::string first = rest, second;
    bool two = false;
    for (size_t i = 0; i < rest.size(); i += CharLenAt(rest, i))
      if (rest[i] == '#') {
        first = rest.substr(0, i);
        second = rest.substr(i + 1);
        two = true;
        break;
      }
    DropSuffix(first, W().ha);
    long ci = IndexValue(EvaluateArgument(base, first));
    long rj = two ? IndexValue(EvaluateArgument(base, second)) : -1;
    THashNode* var = base.Words.Find(name, false);
    TTableRows rows = ReadTableText(var ? var->Value : std::string());
    if (ci >= 0 && (!two || rj >= 0)) {
      if (!two) {
        if (rows.size() <= static_cast<size_t>(ci)) rows.resize(ci + 1);
        TTableRows line = ReadTableText(value);
        rows[ci] = line.empty() ? std::vector<std::string>{std::string()} : line[0];
      } else {
        if (rows.size() <= static_cast<size_t>(rj)) rows.resize(rj + 1);
        auto& row = rows[rj];
        if (row.size() <= static_cast<size_t>(ci)) row.resize(ci + 1);
        row[ci] = value;
      }
    }
    value = WriteTableText(rows);
    mark = "s";
  }

  THashNode* node = base.Words.Find(name, false);
  if (!node) {
    // A command's own spelling (言う) still names the command; other
    // okurigana (言い) make a new variable beside it.
    if (base.CommandSpellings.count(name) && name != W().sagyouFolder)
      ScriptError(base, "\"%s\"は\"%s\"で予約語なので代入できません。", {name, W().systemCommand});
    node = CreateVariable(base, name);
  }
  switch (node->Kind) {
    case wkVariable:
      if (node->Reserved) ScriptError(base, "\"%s\"は、読取専用です。", {name});
      if (mark == "hs") {
        node->Kind = wkDictionary;
        node->Dict = std::make_shared<THash>();
        node->Dict->LoadFromText(value);
      } else {
        node->Value = std::move(value);
        node->TypeMark = mark;
      }
      return;
    case wkDictionary:
      if (mark == "hs") {
        node->Dict = std::make_shared<THash>();
        node->Dict->LoadFromText(value);
      } else {
        node->Dict.reset();
        node->Kind = wkVariable;
        node->Value = value;
        node->TypeMark = mark;
      }
      return;
    case wkCommand:
      if (node->Name == W().sagyouFolder) {
        base.ArgumentStack.push_back(QuoteLiteral(value));
        TFlagGuard positional(base.PositionalMode, true);
        DispatchCommand(base, node);
        return;
      }
      ScriptError(base, "\"%s\"は\"%s\"で予約語なので代入できません。", {name, W().systemCommand});
    case wkObject:
      if (base.ObjectSystem) {
        base.ObjectSystem->AssignObject(node, value);
        return;
      }
      ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。代入出来ません。", {name});
    case wkLabel:
    case wkExternal:
      ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。代入出来ません。", {name});
  }
}

void AssignProperty(TKobuBase& base, const std::string& property, const char*& cursor) {
  std::string ownerWord = base.ArgumentStack.back();
  base.ArgumentStack.pop_back();
  std::string ownerName = ownerWord;
  if (!DropSuffix(ownerName, W().no))
    ScriptError(base, "オブジェクトへの不正な代入(%s,%s)。『オブジェクトの、項目名は、値』の形式で指定してください。",
                {ownerWord, property});
  THashNode* owner = base.Words.Find(ownerName, false);
  if (!owner) {
    std::string evaluated = EvaluateArgument(base, ownerName);
    owner = base.Words.Find(evaluated, false);
    if (!owner) {
      auto d = std::make_unique<THashNode>(ownerName, std::string(), W().hash, W().hash, wkDictionary,
                                           base.RunControl.Count(), nullptr, false);
      d->Dict = std::make_shared<THash>();
      base.Words.Add(std::move(d));
      owner = base.Words.Find(ownerName, false);
    }
  }
  if (owner->Kind == wkVariable) {
    std::string named = EvaluateArgument(base, owner->Value);
    if (THashNode* other = base.Words.Find(named, false)) owner = other;
  }
  std::string text = ReadRestOfStatement(base, cursor);
  TrimBlanks(text);
  switch (owner->Kind) {
    case wkVariable: {
      if (owner->Reserved) ScriptError(base, "\"%s\"は、読取専用です。", {owner->Name});
      std::string key = EvaluateArgument(base, property);
      std::string value = EvaluateArgument(base, text);
      owner->Value = SetLineValue(owner->Value, key, value);
      return;
    }
    case wkDictionary: {
      if (!owner->Dict) owner->Dict = std::make_shared<THash>();
      std::string key = EvaluateArgument(base, property);
      std::string value = EvaluateArgument(base, text);
      if (THashNode* entry = owner->Dict->Find(key, false)) {
        entry->Value = value;
        entry->TypeMark = base.LastTypeMark;
      } else {
        auto v = std::make_unique<THashNode>(key, value, base.RunControl.Count(), false);
        v->TypeMark = base.LastTypeMark;
        v->Data = base.CurrentPosition;
        owner->Dict->Add(std::move(v));
      }
      return;
    }
    case wkObject:
      if (base.ObjectSystem) {
        base.ObjectSystem->SetProperty(owner->Name, property, text);
        return;
      }
      ScriptError(base, "\"%s\"には代入できません！", {owner->Name});
    default:
      ScriptError(base, "\"%s\"には代入できません！", {owner->Name});
  }
}

bool ResolveReference(TKobuBase& base, const std::string& textIn, std::string& value) {
  std::string text = textIn;
  for (int hops = 0; hops < 64; ++hops) {
    const char* p = text.c_str();
    std::string word = ReadWord(base, p);
    std::string ownerName = word;
    if (!DropSuffix(ownerName, W().no)) {
      if (base.Words.Find(text, false)) {
        value = EvaluateArgument(base, text);
        return true;
      }
      return false;
    }
    THashNode* owner = base.Words.Find(ownerName, false);
    if (!owner) return false;
    if (owner->Kind == wkVariable) {
      THashNode* named = base.Words.Find(owner->Value, false);
      if (!named || named == owner) return false;
      text = owner->Value + W().no + "," + std::string(p);
      continue;
    }
    if (owner->Kind == wkObject || owner->Kind == wkDictionary) {
      const char* q = text.c_str();
      value = ReadTerm(base, q, nullptr);
      return true;
    }
    return false;
  }
  return false;
}

}  // namespace kobu
