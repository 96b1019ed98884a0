// The built-in words: every command row of every family, and the system variables.
#pragma once

namespace kobu {

struct TKobuBase;

// Fills the (empty) word table with the built-in words and caches the words
// the interpreter uses directly. Called each time a program starts.
void RegisterBuiltins(TKobuBase& base);

}  // namespace kobu
