// Timer and waiting commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> TimerCommandRows();

}  // namespace kobu
