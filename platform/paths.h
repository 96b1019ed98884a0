// Paths as scripts write them (CP932, "\" or "/" separators, perhaps a drive
// letter) and as Linux takes them (UTF-8, "/").
#pragma once
#include <string>
#include <string_view>

namespace kobu {

// The script's path with single-byte "\" turned into "/" (a trail byte never
// is one) and a leading drive letter ("C:") dropped. Still CP932.
std::string NormalisedPath(std::string_view scriptPath);
// NormalisedPath in UTF-8, ready for the system calls.
std::string NativePath(std::string_view scriptPath);
// A system path back in script text.
std::string ScriptPath(std::string_view nativePath);
// Absolute means a leading "/" once normalised.
bool IsAbsolutePath(std::string_view scriptPath);

// The canonical real path of what a command will touch: made absolute from
// the current folder, with ".", ".." and symbolic links resolved for the part
// that exists and the rest (not there yet) cleaned as written. UTF-8, no
// final "/" except for the root itself.
std::string CanonicalTarget(const std::string& nativePath);
// Whether `path` is `folder` or lies below it; both canonical, compared on a
// separator boundary ("/a/bc" is not inside "/a/b").
bool IsInsideFolder(const std::string& path, const std::string& folder);

// The last path component (after the last "/", "\" or ":"), stepping whole
// CP932 characters.
std::string FileNamePart(std::string_view scriptPath);
// Everything up to and including that separator.
std::string FolderPart(std::string_view scriptPath);

}  // namespace kobu
