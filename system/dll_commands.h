// Declarations of functions from shared libraries.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> DllCommandRows();

}  // namespace kobu
