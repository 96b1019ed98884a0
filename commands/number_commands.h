// Numeric commands.
#pragma once
#include <cstdint>
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> NumberCommandRows();

// The runtime's one random generator: seed' = seed * 134775813 + 1 (mod 2^32).
// Until a script seeds it, it starts from the clock.
void SeedRandom(uint32_t seed);
void SeedRandomFromClock();
// An integer draw in [0, n): the upper half of the new seed times n.
uint32_t RandomBelow(uint32_t n);
// A fraction draw in [0, 1): the new seed times 2^-32.
double RandomFraction();

// The colour constructors: red + green * 256 + blue * 65536.
void CmdRgb(TKobuBase& base);
void CmdCmyk(TKobuBase& base);

}  // namespace kobu
