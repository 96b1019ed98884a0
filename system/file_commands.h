// File commands: whole files, folders, paths and file handles.
#pragma once
#include <span>
#include <string>
#include <string_view>

#include "core/commandrow.h"

namespace kobu {

struct TKobuBase;

std::span<const TCommandRow> FileCommandRows();

// Where a command that reads finds a relative file: the current folder, the
// script's folder, the runtime's folder, the folder of the script being
// run; the name as given when none has it. Names with a ":" and absolute
// ones are used as they are.
std::string ResolveReadPath(TKobuBase& base, const std::string& name);

// Whether a file name matches a mask of "*" and "?" (ASCII letters in
// either case; a mask ending in ".*" also matches names without a dot).
bool FileMaskMatches(std::string_view name, std::string_view mask);

// コピー and クリップボード取得, listed with the dialogs.
void CopyToClipboard(TKobuBase& base);
void ClipboardTextToSore(TKobuBase& base);

}  // namespace kobu
