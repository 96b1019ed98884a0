// Japanese text: width, case and kana, character classes, encodings and formats.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> JapaneseCommandRows();

}  // namespace kobu
