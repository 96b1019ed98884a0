// Statements read once and kept in a ready form: plain numeric assignments
// (A=0, A=B, A=A+1, 深さ=深さ-1) and statements of one word (a label call,
// 戻る) run again without reading their words anew.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kobu {

struct TKobuBase;
class THashNode;

// One step of an arithmetic right side, in postfix order.
struct TAssignStep {
  enum TCode : uint8_t { scNumber, scVariable, scAdd, scSub, scMul, scDiv } Code = scNumber;
  long double Number = 0;       // scNumber
  THashNode* Word = nullptr;    // scVariable
};

struct TReadyStatement {
  enum TForm : uint8_t { rfNone, rfLiteral, rfCopy, rfArithmetic, rfWord } Form = rfNone;
  uint64_t Generation = 0;  // of the word table and the particles when read
  bool Fixed = false;       // no ready form, whatever the words
  std::string Text;         // the statement as written, compared on every use
  THashNode* Target = nullptr;
  std::string Literal;      // rfLiteral: the number as written; rfWord: the word
  THashNode* Source = nullptr;  // rfCopy: the value's word; rfWord: the word it names
  std::vector<TAssignStep> Steps;  // rfArithmetic
};

class TStatementCache {
 public:
  // Runs the statement that begins at p when it has a ready form that still
  // applies, moves p past it and returns true; otherwise changes nothing.
  bool Run(TKobuBase& base, const char*& p);
  void Clear() { entries_.clear(); }
  // Off, every statement is read anew: the plain reading to compare with.
  void SetEnabled(bool enabled) { enabled_ = enabled; }

 private:
  void Compile(TKobuBase& base, const char* p, TReadyStatement& entry);
  // Block bodies are copies made each time a block starts, so positions keep
  // coming; past this many the cache starts again.
  static constexpr size_t kMaxEntries = 4096;
  std::unordered_map<const char*, TReadyStatement> entries_;
  bool enabled_ = true;
};

}  // namespace kobu
