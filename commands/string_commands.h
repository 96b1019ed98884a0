// String commands: search, replace, cut and reshape text.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> StringCommandRows();

}  // namespace kobu
