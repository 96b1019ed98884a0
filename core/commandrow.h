// One row of the built-in registry: a command word, its particle pattern,
// its number and its handler. Each family keeps its rows beside its handlers.
#pragma once
#include <span>

namespace kobu {

struct TKobuBase;
using THandler = void (*)(TKobuBase&);

struct TCommandRow {
  const char* name;         // UTF-8; stored okurigana-stripped, in CP932
  const char* pattern;      // UTF-8, such as "?の,?を,?に"
  const char* description;  // one line for help listings
  int number;
  THandler handler;         // nullptr: registered, but no handler yet
};

// A handler bound to a registered number by a layer above the registry
// (the windows bind theirs before the first run).
struct THandlerBinding {
  int number;
  THandler handler;
};

}  // namespace kobu
