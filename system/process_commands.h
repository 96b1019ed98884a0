// Process and window commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> ProcessCommandRows();

}  // namespace kobu
