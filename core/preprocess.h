// Source preprocessing: the canonical program text with line markers, and the
// label scan over it.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;

// Returns the canonical form of a program text, or raises EKobu for an open
// string or brace comment.
std::string Preprocess(TKobuBase& base, std::string_view text);
// Registers every "*label" line of a preprocessed text. `text` must stay put.
void RegisterLabels(TKobuBase& base, const char* text, const std::string& fileName);
// Moves the cursor to the next CR (or the end of the text).
void SkipToLineEnd(const char*& cursor);
// At a line end: skips tab, LF, CR and space, then reads "n:" into CurrentLine.
void ReadLineMarker(TKobuBase& base, const char*& cursor);
// The line of a position (of StatementPosition, else CurrentPosition).
int FindLineNumber(TKobuBase& base);
int FindLineNumberAt(TKobuBase& base, const char* pos);

}  // namespace kobu
