// Small readers over program text: blanks, words, numbers, the rest of a statement.
#pragma once
#include <string>

namespace kobu {

struct TKobuBase;

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
