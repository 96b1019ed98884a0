// Main window and drawing commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> WindowCommandRows();

}  // namespace kobu
