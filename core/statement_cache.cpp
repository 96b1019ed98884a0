#include "core/statement_cache.h"

#include <cmath>
#include <cstring>

#include "core/expression.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// How the ready form of a statement is told apart from a stale one: program
// texts never change, but block bodies are copies whose memory is reused.
uint64_t WordsGeneration(const TKobuBase& base) { return base.Words.Generation() + base.Particles.Generation(); }

bool EndsStatement(char c) { return c == 0 || c == '\r' || c == '\n' || c == ';'; }

bool IsArithmeticChar(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }

// The end of the statement at p, and whether the characters after its first
// "=" can only be numbers, words, blanks and the four arithmetic operators.
// This needs no word table, so a statement that fails it never has a ready form.
bool MayBeSimpleAssignment(const char* p, const char*& end) {
  const char* eq = nullptr;
  bool may = true;
  const char* q = p;
  while (!EndsStatement(*q)) {
    size_t len = CharLen(q);
    if (len == 1) {
      if (*q == '=' && !eq) {
        eq = q;
      } else if (eq && IsDelimiter(q) && *q != ' ' && *q != '\t' && !IsArithmeticChar(*q)) {
        may = false;
      } else if (!eq && (*q == '"' || *q == '`' || *q == '(' || *q == '#' || *q == '&')) {
        may = false;
      }
    }
    q += len;
  }
  end = q;
  return may && eq != nullptr;
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

// The number mark, set without rewriting a mark that is already "e".
void MarkNumber(std::string& mark) {
  if (mark.size() != 1 || mark[0] != 'e') mark.assign(1, 'e');
}

constexpr size_t kMaxOperands = 16;

// Reads the right side of "target=" into postfix steps; false when it is not
// a sum or product of numbers and variables.
bool CompileArithmetic(TKobuBase& base, const std::string& text, TCompiledAssign& entry) {
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
      entry.Form = TCompiledAssign::cfLiteral;
      entry.Literal = literal;
    } else {
      entry.Form = TCompiledAssign::cfCopy;
      entry.Source = out[0].Word;
    }
    return true;
  }
  entry.Form = TCompiledAssign::cfArithmetic;
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

void TStatementCache::Compile(TKobuBase& base, const char* p, TCompiledAssign& entry) {
  entry = TCompiledAssign();
  entry.Generation = WordsGeneration(base);
  const char* end = p;
  bool may = MayBeSimpleAssignment(p, end);
  entry.Text.assign(p, end - p);
  if (!may) {
    entry.Fixed = true;  // no ready form, whatever the words
    return;
  }
  // The target as the statement reader takes it.
  static const std::string soshite = sj("そして");
  const char* q = p;
  std::string target = ReadWord(base, q);
  if (target.empty() || target == soshite) return;
  THashNode* t = base.Words.Find(target, false);
  if (!IsVariable(t)) return;
  SkipBlanks(q);
  if (*q != '=') return;
  ++q;
  entry.Target = t;
  if (!CompileArithmetic(base, std::string(q, end - q), entry)) entry.Form = TCompiledAssign::cfNone;
}

bool TStatementCache::Run(TKobuBase& base, const char*& p) {
  if (!enabled_) return false;
  auto it = entries_.find(p);
  if (it == entries_.end()) {
    if (entries_.size() >= kMaxEntries) entries_.clear();
    it = entries_.emplace(p, TCompiledAssign()).first;
    Compile(base, p, it->second);
  } else {
    TCompiledAssign& e = it->second;
    bool same = std::strncmp(p, e.Text.c_str(), e.Text.size()) == 0 && EndsStatement(p[e.Text.size()]);
    if (!same || (!e.Fixed && e.Generation != WordsGeneration(base))) Compile(base, p, e);
  }
  TCompiledAssign& e = it->second;
  if (e.Form == TCompiledAssign::cfNone || !base.ArgumentStack.empty()) return false;
  THashNode* target = e.Target;
  if (!IsVariable(target) || target->Reserved) return false;
  CheckStackDepth(base);
  switch (e.Form) {
    case TCompiledAssign::cfLiteral:
      target->Value = e.Literal;
      MarkNumber(target->TypeMark);
      MarkNumber(base.LastTypeMark);
      break;
    case TCompiledAssign::cfCopy: {
      const THashNode* source = e.Source;
      if (!IsVariable(source)) return false;
      if (source != target) {
        target->Value = source->Value;
        target->TypeMark = source->TypeMark;
      }
      base.LastTypeMark = source->TypeMark;
      break;
    }
    case TCompiledAssign::cfArithmetic: {
      if (base.ExpressionDepth + 2 > kMaxExpressionDepth) return false;
      long double v = 0;
      if (!Evaluate(e.Steps, v)) return false;
      target->Value = NumberToText(v);
      MarkNumber(target->TypeMark);
      MarkNumber(base.LastTypeMark);
      break;
    }
    case TCompiledAssign::cfNone:
      return false;
  }
  p += e.Text.size();
  return true;
}

}  // namespace kobu
