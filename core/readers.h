// Small readers over program text: blanks, words, numbers, the rest of a statement.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kobu {

struct TKobuBase;

// Where the word at the start of a run of word characters ends. That depends
// on the run, on whether the statement ends right after it, and on the words
// and particles known, nothing else, so a run read again under the same words
// ends where it ended before.
class TWordEndCache {
 public:
  static constexpr size_t kUnknown = static_cast<size_t>(-1);
  // The word's length in bytes, or kUnknown.
  size_t Find(std::string_view run, bool last, uint64_t generation) const;
  void Store(std::string_view run, bool last, uint64_t generation, size_t length);
  void Clear() {
    entries_[0].clear();
    entries_[1].clear();
  }

 private:
  struct TRunHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  struct TEntry {
    uint64_t Generation;
    size_t Length;
  };
  // [1]: runs that end their statement.
  std::unordered_map<std::string, TEntry, TRunHash, std::equal_to<>> entries_[2];
};

// Skips tab, space, "," and the byte 0xA4.
void SkipBlanks(const char*& p);
// Skips tabs and spaces only.
void SkipTabsSpaces(const char*& p);
// True when the character at p ends a word (single-byte delimiters only).
bool IsDelimiter(const char* p);
bool IsOperatorChar(char c);

// Skips tabs and spaces, then returns the characters up to the next delimiter.
std::string ReadRun(const char*& p);
// ReadRun, then ends the word right after its particle (see readers.cpp).
std::string ReadWord(TKobuBase& base, const char*& p);
// The word that follows a literal, a number or a group: a particle that begins
// at the cursor, otherwise ReadWord.
std::string ReadParticleOrWord(TKobuBase& base, const char*& p);

std::string ReadNumberText(const char*& p);
// A name written as a literal: the enclosing backquotes go and doubled
// backquotes inside become single ones; any other text is returned as it is.
std::string UnquoteName(const std::string& s);
// The raw text up to the next CR, LF or ";" (literals and groups taken whole).
std::string ReadRestOfStatement(TKobuBase& base, const char*& p);

}  // namespace kobu
