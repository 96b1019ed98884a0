// The built-in words: every command row of every family, and the system variables.
#pragma once
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/commandrow.h"

namespace kobu {

struct TKobuBase;

// Fills the (empty) word table with the built-in words and caches the words
// the interpreter uses directly. Called each time a program starts.
void RegisterBuiltins(TKobuBase& base);
// Every command row in registration order.
std::vector<const TCommandRow*> CommandRows();
// The same rows grouped by family, each with its name (UTF-8, such as 制御).
std::vector<std::pair<std::string, std::vector<const TCommandRow*>>> CommandFamilies();
// Binds handlers to registered numbers; later runs and listings see them.
void BindHandlers(std::span<const THandlerBinding> bindings);

}  // namespace kobu
