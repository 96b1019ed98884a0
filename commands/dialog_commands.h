// Dialog commands: the script talks to its user.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

// 言う alone: it is registered among the program-control words.
std::span<const TCommandRow> SayCommandRows();

// The dialog and clipboard family.
std::span<const TCommandRow> DialogCommandRows();

}  // namespace kobu
