// The guard in front of every command that changes something outside the
// program. Qt-free: it reaches the user through TKobuUI.
#pragma once
#include <initializer_list>
#include <string>

namespace kobu {

struct TKobuBase;

// Asks whether a command may change the given paths (script paths, CP932, as
// the command resolved them: relative ones are relative to the current
// folder). `question` is the text shown when the user must decide. A refusal
// is silent: the caller simply does nothing. A path naming "security.ini"
// (in any letter case, also through a symbolic link) is refused with a
// warning box.
bool CheckFileAccess(TKobuBase& base, const std::string& path, const std::string& question);
bool CheckFileAccess(TKobuBase& base, std::initializer_list<std::string> paths, const std::string& question);

// Whether a path that a command is about to change (one entry a wildcard
// stood for, or the real destination of a copy) is a policy file; if so the
// warning box is shown and the command must leave that entry alone.
bool IsPolicyFile(TKobuBase& base, const std::string& path);

// Reads the level from "security.ini" when the command line did not set it.
void DetermineSecurityLevel(TKobuBase& base);

}  // namespace kobu
