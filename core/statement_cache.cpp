#include "core/statement_cache.h"

#include <cmath>
#include <cstring>

#include "core/expression.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/readers.h"
#include "core/statement.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

bool EndsStatement(char c) { return c == 0 || c == '\r' || c == '\n' || c == ';'; }

bool IsArithmeticChar(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }

// What a statement's characters allow, before any word is looked up.
struct TShape {
  const char* End = nullptr;  // where the statement ends
  bool Assignment = false;    // "=" and after it only numbers, words, blanks and + - * /
  bool OneRun = false;        // no delimiter before the closing blanks
};

// The characters SkipBlanks passes over.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\xA4'; }

TShape ShapeOf(const char* p) {
  TShape shape;
  const char* eq = nullptr;
  bool arithmetic = true, inRun = true;
  shape.OneRun = true;
  const char* q = p;
  while (!EndsStatement(*q)) {
    size_t len = CharLen(q);
    bool delimiter = len == 1 && IsDelimiter(q);
    if (delimiter) inRun = false;
    if (!inRun && !(len == 1 && IsBlank(*q))) shape.OneRun = false;
    if (delimiter) {
      if (*q == '=' && !eq)
        eq = q;
      else if (eq ? (*q != ' ' && *q != '\t' && !IsArithmeticChar(*q))
                  : (*q == '"' || *q == '`' || *q == '(' || *q == '#' || *q == '&'))
        arithmetic = false;
    }
    q += len;
  }
  shape.End = q;
  shape.Assignment = arithmetic && eq != nullptr;
  return shape;
}

// A value as the evaluator would read it back when it stands first in an
// expression: a plain decimal number, perhaps negative.
bool IsPlainNumber(const std::string& v) {
  size_t i = 0, n = v.size();
  if (i < n && v[i] == '-') ++i;
  size_t digits = i;
  while (i < n && v[i] >= '0' && v[i] <= '9') ++i;
  if (i == digits) return false;
  if (i < n && v[i] == '.') {
    size_t f = ++i;
    while (i < n && v[i] >= '0' && v[i] <= '9') ++i;
    if (i == f) return false;
  }
  return i == n;
}

bool IsVariable(const THashNode* n) { return n && n->Kind == wkVariable; }

// True when the statement reader only pushes the word and reads on: not a
// branch label, a possessive, an assignment, a count, a te-form call or the
// head of a condition or a loop.
bool PushedAsIs(TKobuBase& base, const std::string& w) {
  static const std::string soshite = sj("そして"), moshi = sj("もし"), te = sj("て");
  static const std::string endings[] = {sj("の時"), sj("の"), sj("は"), sj("回")};
  static const std::string loops[] = {sj("繰返"), sj("反復"), sj("ループ")};
  if (w.empty() || w == soshite || w == moshi) return false;
  for (const std::string& e : endings)
    if (EndsWithChars(w, e)) return false;
  if (EndsWithChars(w, te) && IsCallableWord(base.Words.Find(w, true))) return false;
  std::string stem = StripOkurigana(w);
  for (const std::string& l : loops)
    if (stem == l) return false;
  return true;
}

// The number mark, set without rewriting a mark that is already "e".
void MarkNumber(std::string& mark) {
  if (mark.size() != 1 || mark[0] != 'e') mark.assign(1, 'e');
}

constexpr size_t kMaxOperands = 16;

// Reads the right side of "target=" into postfix steps; false when it is not
// a sum or product of numbers and variables.
bool CompileArithmetic(TKobuBase& base, const std::string& text, TReadyStatement& entry) {
  static const std::string no = sj("の");
  std::vector<TAssignStep> out;
  std::vector<TAssignStep::TCode> ops;
  auto precedence = [](TAssignStep::TCode c) { return (c == TAssignStep::scMul || c == TAssignStep::scDiv) ? 2 : 1; };
  size_t operands = 0;
  std::string literal;
  const char* p = text.c_str();
  SkipTabsSpaces(p);
  for (;;) {
    TAssignStep step;
    if (*p >= '0' && *p <= '9') {
      const char* s = p;
      while (*p >= '0' && *p <= '9') ++p;
      if (*p == '.' && p[1] >= '0' && p[1] <= '9') {
        ++p;
        while (*p >= '0' && *p <= '9') ++p;
      }
      literal.assign(s, p - s);
      step.Code = TAssignStep::scNumber;
      step.Number = TextToNumber(literal);
      if (!std::isfinite(step.Number)) return false;
    } else if (*p && !IsDelimiter(p)) {
      std::string w = ReadWord(base, p);
      if (w.empty() || EndsWithChars(w, no)) return false;
      THashNode* n = base.Words.Find(w, false);
      if (!IsVariable(n)) return false;
      step.Code = TAssignStep::scVariable;
      step.Word = n;
    } else {
      return false;
    }
    if (++operands > kMaxOperands) return false;
    out.push_back(step);
    SkipTabsSpaces(p);
    if (!*p) break;
    TAssignStep::TCode op;
    switch (*p) {
      case '+': op = TAssignStep::scAdd; break;
      case '-': op = TAssignStep::scSub; break;
      case '*': op = TAssignStep::scMul; break;
      case '/': op = TAssignStep::scDiv; break;
      default: return false;
    }
    ++p;
    while (!ops.empty() && precedence(ops.back()) >= precedence(op)) {
      out.push_back(TAssignStep{ops.back()});
      ops.pop_back();
    }
    ops.push_back(op);
    SkipTabsSpaces(p);
  }
  while (!ops.empty()) {
    out.push_back(TAssignStep{ops.back()});
    ops.pop_back();
  }
  if (operands == 1) {
    if (out[0].Code == TAssignStep::scNumber) {
      entry.Form = TReadyStatement::rfLiteral;
      entry.Literal = literal;
    } else {
      entry.Form = TReadyStatement::rfCopy;
      entry.Source = out[0].Word;
    }
    return true;
  }
  entry.Form = TReadyStatement::rfArithmetic;
  entry.Steps = std::move(out);
  return true;
}

// The arithmetic exactly as the evaluator does it; false where the evaluator
// would take another way or fail, so that it runs instead and reports.
bool Evaluate(const std::vector<TAssignStep>& steps, long double& result) {
  long double stack[kMaxOperands];
  size_t sp = 0;
  bool first = true;
  for (const TAssignStep& s : steps) {
    switch (s.Code) {
      case TAssignStep::scNumber:
        stack[sp++] = s.Number;
        first = false;
        continue;
      case TAssignStep::scVariable: {
        const THashNode* n = s.Word;
        if (!IsVariable(n)) return false;
        // The first operand goes into the expression as its text, so it
        // reads the same only when it is a number written plainly.
        if (first && (n->TypeMark.size() != 1 || n->TypeMark[0] != 'e' || !IsPlainNumber(n->Value)))
          return false;
        first = false;
        long double v = TextToNumber(n->Value);
        if (!std::isfinite(v)) return false;
        stack[sp++] = v;
        continue;
      }
      default:
        break;
    }
    long double r = stack[--sp];
    long double& l = stack[sp - 1];
    switch (s.Code) {
      case TAssignStep::scAdd: l = l + r; break;
      case TAssignStep::scSub: l = l - r; break;
      case TAssignStep::scMul: l = l * r; break;
      case TAssignStep::scDiv: l = r == 0 ? 0 : l / r; break;
      default: return false;
    }
    if (!std::isfinite(l)) return false;
  }
  result = stack[0];
  return sp == 1;
}

}  // namespace

void TStatementCache::Compile(TKobuBase& base, const char* p, TReadyStatement& entry) {
  entry = TReadyStatement();
  entry.Generation = base.WordsGeneration();
  TShape shape = ShapeOf(p);
  entry.Text.assign(p, shape.End - p);
  if (!shape.Assignment && !shape.OneRun) {
    entry.Fixed = true;  // no ready form, whatever the words
    return;
  }
  const char* q = p;
  std::string word = ReadWord(base, q);
  SkipBlanks(q);
  if (shape.OneRun) {
    if (q == shape.End && PushedAsIs(base, word)) {
      entry.Form = TReadyStatement::rfWord;
      entry.Source = base.Words.Find(word, true);
      entry.Literal = std::move(word);
    }
    return;
  }
  // An assignment: the target as the statement reader takes it.
  static const std::string soshite = sj("そして");
  if (word.empty() || word == soshite || *q != '=') return;
  THashNode* t = base.Words.Find(word, false);
  if (!IsVariable(t)) return;
  ++q;
  entry.Target = t;
  if (!CompileArithmetic(base, std::string(q, shape.End - q), entry)) entry.Form = TReadyStatement::rfNone;
}

bool TStatementCache::Run(TKobuBase& base, const char*& p) {
  if (!enabled_) return false;
  auto it = entries_.find(p);
  if (it == entries_.end()) {
    if (entries_.size() >= kMaxEntries) entries_.clear();
    it = entries_.emplace(p, TReadyStatement()).first;
    Compile(base, p, it->second);
  } else {
    TReadyStatement& e = it->second;
    bool same = std::strncmp(p, e.Text.c_str(), e.Text.size()) == 0 && EndsStatement(p[e.Text.size()]);
    if (!same || (!e.Fixed && e.Generation != base.WordsGeneration())) Compile(base, p, e);
  }
  TReadyStatement& e = it->second;
  if (e.Form == TReadyStatement::rfWord) {
    // A word that stands alone runs at the end of its statement: at once at
    // the end of a block, after ";", or once the line end is read (a comma
    // before it continues the statement on the next line).
    // The word as written, in the program text: it outlives the entry,
    // which may go while the word runs.
    std::string_view written(p, e.Literal.size());
    p += e.Text.size();
    THashNode* node = e.Source;
    if (node && base.ArgumentStack.empty()) {
      if (!*p) {
        RunStatementWord(base, node, written);
        return true;
      }
      if (*p == ';') {
        ++p;
        RunStatementWord(base, node, written);
        return true;
      }
      if (p[-1] != ',') {
        const char* linePos = p;
        ReadLineMarker(base, p);
        TStatementLineGuard line(base, linePos);
        RunStatementWord(base, node, written);
        return true;
      }
    }
    base.ArgumentStack.push_back(e.Literal);
    if (!*p) FlushStatement(base);
    return true;
  }
  if (e.Form == TReadyStatement::rfNone || !base.ArgumentStack.empty()) return false;
  THashNode* target = e.Target;
  if (!IsVariable(target) || target->Reserved) return false;
  CheckStackDepth(base);
  switch (e.Form) {
    case TReadyStatement::rfLiteral:
      target->Value = e.Literal;
      MarkNumber(target->TypeMark);
      MarkNumber(base.LastTypeMark);
      break;
    case TReadyStatement::rfCopy: {
      const THashNode* source = e.Source;
      if (!IsVariable(source)) return false;
      if (source != target) {
        target->Value = source->Value;
        target->TypeMark = source->TypeMark;
      }
      base.LastTypeMark = source->TypeMark;
      break;
    }
    case TReadyStatement::rfArithmetic: {
      if (base.ExpressionDepth + 2 > kMaxExpressionDepth) return false;
      long double v = 0;
      if (!Evaluate(e.Steps, v)) return false;
      target->Value = FormatNumber(v);
      MarkNumber(target->TypeMark);
      MarkNumber(base.LastTypeMark);
      break;
    }
    case TReadyStatement::rfNone:
    case TReadyStatement::rfWord:
      return false;
  }
  p += e.Text.size();
  return true;
}

}  // namespace kobu
