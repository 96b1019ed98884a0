// GUI object commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> ObjectCommandRows();

}  // namespace kobu
