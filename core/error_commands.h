// Error-mode commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> ErrorCommandRows();

}  // namespace kobu
