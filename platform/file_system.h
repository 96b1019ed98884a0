// What Windows has and Linux spells differently: the recycle bin, file
// attribute bits, drive kinds, shell links. All paths are native (UTF-8).
#pragma once
#include <cstdint>
#include <string>

namespace kobu {

// Moves a file or folder to the freedesktop Trash of the user
// ($XDG_DATA_HOME/Trash, with its .trashinfo record). A symbolic link goes as
// the link. From another file system the entry is copied and the original
// removed; a copy that fails leaves the original as it was. False on failure
// or for a missing path.
bool MoveToTrash(const std::string& nativePath);

// Windows attribute bits of a path: 1 read-only (no write permission for the
// owner), 2 hidden (name begins with "."), 16 folder, and the bits Linux has
// no place for (4 system, 32 archive, ...) as stored by SetFileAttributeBits
// in an extended attribute. A file with no bit set answers 128, as Windows
// does. -1 when the path does not exist.
int32_t FileAttributeBits(const std::string& nativePath);
// Sets the bits: read-only through the write permissions, the others stored
// where the file system can keep them. Hidden cannot be set without renaming
// the file, so it is left as the name says. False on failure.
bool SetFileAttributeBits(const std::string& nativePath, int32_t bits);

enum TDriveKind { dkMissing, dkRemovable, dkFixed, dkRemote, dkCdRom, dkRamDisk, dkUnknown };
// The kind of the file system holding the path, from the mount table and the
// file-system type; dkMissing when the path does not exist.
TDriveKind DriveKindOf(const std::string& nativePath);

// Writes a freedesktop link file (a Desktop Entry of type Link) at
// `linkPath` pointing to `target`, with `workingFolder` recorded as its
// path. The file is written whole or not at all. False on failure.
bool WriteLinkFile(const std::string& linkPath, const std::string& target, const std::string& workingFolder);

}  // namespace kobu
