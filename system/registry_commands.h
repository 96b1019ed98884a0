// Registry and INI file commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> RegistryCommandRows();

}  // namespace kobu
