// Whole-file reading and writing on native (UTF-8) paths. A write that
// replaces a file goes through a temporary file in the same folder and a
// rename, so a failure never leaves half a file behind.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

// The file's bytes, all of them. False when it cannot be read.
bool ReadWholeFile(const std::string& nativePath, std::string& bytes);
// Creates or replaces the file with exactly `bytes`. A symbolic link is
// written through (its target is replaced); an existing file keeps its
// permission bits; a file without write permission is not replaced.
bool WriteWholeFile(const std::string& nativePath, std::string_view bytes);
// Copies a regular file's bytes and permission bits to `to` (created or
// replaced as WriteWholeFile does).
bool CopyWholeFile(const std::string& from, const std::string& to);
// Writes all of `bytes` to an open descriptor, riding out interruptions.
bool WriteAllBytes(int fd, std::string_view bytes);
// Appends to an existing file; on a failed write the file is cut back to its
// old length.
bool AppendToFile(const std::string& nativePath, std::string_view bytes);

}  // namespace kobu
