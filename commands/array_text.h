// Array text (one element per line) and the routines the array commands
// share: splitting, sorting, shuffling and the HTML form of a table.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kobu {

// The elements of an array text: lines ended by CR LF, CR or LF; a zero byte
// ends the text and a final line end adds no element.
std::vector<std::string> ReadArrayText(std::string_view text);
// Every element followed by CR LF, the last one too.
std::string WriteArrayText(const std::vector<std::string>& elements);

// The pieces of `text` between occurrences of `separator` (found on character
// starts); a separator at the very end adds no empty piece. An empty
// separator gives one piece per character.
std::vector<std::string> SplitAtSeparator(std::string_view text, std::string_view separator);

// Ascending, ignoring the case of Latin letters (half- and full-width);
// elements that compare equal keep their order.
void SortIgnoringCase(std::vector<std::string>& elements);
// Ascending by the number each element reads as; equal numbers keep their order.
void SortNumerically(std::vector<std::string>& elements);
// A uniformly random order.
void Shuffle(std::vector<std::string>& elements);

// The text with Latin capitals (half- and full-width) folded to small letters.
std::string FoldCase(std::string_view text);

// "<TABLE attributes>" CR LF, one "<TR>" line per row with a "<TD>" per
// column up to the widest row, then "</TABLE>". Cells are not escaped.
std::string HtmlTable(const std::vector<std::vector<std::string>>& rows, std::string_view attributes);

}  // namespace kobu
