// Array, dictionary and word-table commands.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> ArrayCommandRows();

}  // namespace kobu
