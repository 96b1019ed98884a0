// The table text reader and writer: reading what was written gives the same
// table. The writer pads every row to the widest with empty cells and the
// reader takes no cell after a final comma, so empty cells at the end of a
// row count as absent.
#include <cstdio>

#include "core/tabletext.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

namespace {
kobu::TTableRows Trimmed(kobu::TTableRows rows) {
  for (auto& r : rows)
    while (!r.empty() && r.back().empty()) r.pop_back();
  return rows;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  kobu::TTableRows first = kobu::ReadTableText(text);
  // The format itself cannot keep every cell: the reader trims blanks and
  // control characters at a cell's ends and takes away a pair of double
  // quotes around it, so a cell that starts or ends with such a byte, or is
  // held in quotes once trimmed, reads back otherwise wherever it came from
  // (the reader can make such cells out of quotes around blanks).
  for (const auto& row : first)
    for (const auto& cell : row) {
      if (cell.empty()) continue;
      if (static_cast<unsigned char>(cell.front()) <= ' ' || static_cast<unsigned char>(cell.back()) <= ' ') return 0;
      if (cell.size() > 1 && cell.front() == '"' && cell.back() == '"') return 0;
    }
  std::string written = kobu::WriteTableText(first);
  kobu::TTableRows second = kobu::ReadTableText(written);
  if (Trimmed(first) != Trimmed(second)) {
    std::fprintf(stderr, "table changed by writing and reading it back\n");
    std::abort();
  }
  std::string again = kobu::WriteTableText(second);
  if (Trimmed(kobu::ReadTableText(again)) != Trimmed(second)) {
    std::fprintf(stderr, "table changed by a second round\n");
    std::abort();
  }
  return 0;
}
