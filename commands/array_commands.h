// Array, dictionary and word-table commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> ArrayCommandRows();

// 要素数: rows of a table text, less a header row when 表フィールド名 is "1".
// 表行数 is the same command under another name.
void CmdElementCount(TKobuBase& base);

}  // namespace kobu
