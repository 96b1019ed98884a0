// Dialog commands: the script talks to its user.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> DialogCommandRows();

}  // namespace kobu
