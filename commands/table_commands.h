// Table commands: two-dimensional arrays held as CSV text.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> TableCommandRows();

}  // namespace kobu
