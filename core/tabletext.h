// Table text: comma-separated rows, one per line, with the lenient reader and
// the quoting writer. Rows and cells count from 0.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kobu {

using TTableRows = std::vector<std::vector<std::string>>;

TTableRows ReadTableText(std::string_view text);
std::string WriteTableText(const TTableRows& rows);
std::string WriteTableRow(const std::vector<std::string>& row, size_t width);

}  // namespace kobu
