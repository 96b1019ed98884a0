// Matching: wildcard patterns and regular expressions.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> MatchCommandRows();

}  // namespace kobu
