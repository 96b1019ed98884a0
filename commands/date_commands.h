// Date and time commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> DateCommandRows();

}  // namespace kobu
