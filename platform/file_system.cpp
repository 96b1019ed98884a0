#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/file_io.h"

namespace kobu {

namespace {

// ---- shared helpers -------------------------------------------------------

// A path as a URI path: unreserved characters and "/" stay, every other byte
// becomes %XX. Both the trash records and link files use it.
std::string PercentEncodePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string BaseName(const std::string& path) {
  std::string p = WithoutTrailingSlashes(path);
  auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// The absolute path of the entry itself: its folder canonical, its own name
// kept, so a symbolic link stays the link and not its target.
std::string AbsoluteEntryPath(const std::string& path) {
  std::string p = WithoutTrailingSlashes(path);
  if (p == "/") return p;
  auto slash = p.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  char buf[PATH_MAX];
  if (realpath(folder.c_str(), buf)) {
    std::string f = buf;
    return (f == "/" ? "" : f) + "/" + name;
  }
  return std::filesystem::absolute(p).lexically_normal().string();
}

// ---- the Trash --------------------------------------------------------------

std::string HomeFolder() {
  const char* h = std::getenv("HOME");
  if (h && *h) return h;
  if (passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return "/tmp";
}

std::string TrashFolder() {
  const char* d = std::getenv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is invalid and must be ignored.
  std::string data = (d && d[0] == '/') ? d : HomeFolder() + "/.local/share";
  return WithoutTrailingSlashes(data) + "/Trash";
}

bool MakeFolders(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  auto slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// "name.ext" -> "name 2.ext"; a leading dot does not start an extension.
// Kept short enough that "<name>.trashinfo" fits a file name.
std::string TrashName(const std::string& base, int n) {
  std::string stem = base, ext;
  auto dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0 && base.size() - dot <= 32) {
    stem = base.substr(0, dot);
    ext = base.substr(dot);
  }
  std::string suffix = n > 1 ? " " + std::to_string(n) : "";
  const size_t room = NAME_MAX - std::strlen(".trashinfo");
  if (stem.size() + suffix.size() + ext.size() > room) {
    size_t keep = room - suffix.size() - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;  // whole UTF-8 characters
    stem.resize(keep);
  }
  return stem + suffix + ext;
}

std::string DeletionDate() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char buf[32];
  strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
  return buf;
}

void CopyExtendedAttributes(const std::string& from, const std::string& to) {
  ssize_t size = llistxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return;
  std::vector<char> names(static_cast<size_t>(size));
  size = llistxattr(from.c_str(), names.data(), names.size());
  for (ssize_t i = 0; i < size; i += static_cast<ssize_t>(std::strlen(&names[i])) + 1) {
    const char* name = &names[i];
    ssize_t len = lgetxattr(from.c_str(), name, nullptr, 0);
    if (len < 0) continue;
    std::vector<char> value(static_cast<size_t>(len) + 1);
    len = lgetxattr(from.c_str(), name, value.data(), value.size());
    if (len >= 0) lsetxattr(to.c_str(), name, value.data(), static_cast<size_t>(len), 0);  // what the target cannot keep is lost
  }
}

bool CopyFileData(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return false;
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (!WriteAllBytes(out, std::string_view(buf, static_cast<size_t>(n)))) {
      ok = false;
      break;
    }
  }
  close(in);
  return close(out) == 0 && ok;
}

// A copy of the entry `from` (never followed) as `to`, with its mode, times
// and extended attributes. Refuses folders whose content could not be removed
// afterwards, so a failed move across file systems leaves the original whole.
bool CopyEntry(const std::string& from, const std::string& to) {
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> target(static_cast<size_t>(st.st_size) + 2);
    ssize_t n;
    while ((n = readlink(from.c_str(), target.data(), target.size())) >= static_cast<ssize_t>(target.size()))
      target.resize(target.size() * 2);
    if (n < 0 || symlink(std::string(target.data(), static_cast<size_t>(n)).c_str(), to.c_str()) != 0) return false;
  } else if (S_ISDIR(st.st_mode)) {
    if (access(from.c_str(), W_OK | X_OK) != 0 || mkdir(to.c_str(), 0700) != 0) return false;
    DIR* dir = opendir(from.c_str());
    if (!dir) return false;
    bool ok = true;
    errno = 0;
    while (dirent* e = readdir(dir)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      if (!CopyEntry(from + "/" + e->d_name, to + "/" + e->d_name)) {
        ok = false;
        break;
      }
      errno = 0;
    }
    if (ok && errno != 0) ok = false;
    closedir(dir);
    if (!ok) return false;
  } else if (S_ISREG(st.st_mode)) {
    if (!CopyFileData(from, to)) return false;
  } else if (mknod(to.c_str(), st.st_mode, st.st_rdev) != 0) {  // fifos, sockets, devices
    return false;
  }
  CopyExtendedAttributes(from, to);
  if (lchown(to.c_str(), st.st_uid, st.st_gid) != 0) {
    // Only a privileged user may give a file away; the copy then is ours.
  }
  if (!S_ISLNK(st.st_mode) && chmod(to.c_str(), st.st_mode & 07777) != 0) return false;
  timespec times[2] = {st.st_atim, st.st_mtim};
  utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);
  return true;
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

}  // namespace

bool MoveToTrash(const std::string& nativePath) {
  struct stat st;
  if (nativePath.empty() || lstat(nativePath.c_str(), &st) != 0) return false;
  const std::string original = AbsoluteEntryPath(nativePath);
  const std::string base = BaseName(original);
  if (original == "/" || base.empty() || base == "." || base == "..") return false;

  const std::string trash = TrashFolder();
  const std::string filesDir = trash + "/files", infoDir = trash + "/info";
  if (!MakeFolders(trash) || !MakeFolders(filesDir) || !MakeFolders(infoDir)) return false;
  char real[PATH_MAX];
  if (realpath(trash.c_str(), real)) {
    // Neither the Trash itself nor a folder holding it can go into it.
    std::string t = real;
    if (t == original || t.rfind(original + "/", 0) == 0) return false;
  }

  const std::string record = "[Trash Info]\nPath=" + PercentEncodePath(original) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int n = 1; n < 100000; ++n) {
    const std::string name = TrashName(base, n);
    const std::string info = infoDir + "/" + name + ".trashinfo", entry = filesDir + "/" + name;
    // The record is the reservation of the name: made exclusively, first.
    int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    struct stat left;
    if (lstat(entry.c_str(), &left) == 0) {  // an entry whose record was lost: keep it
      close(fd);
      unlink(info.c_str());
      continue;
    }
    bool written = WriteAllBytes(fd, record);
    if (close(fd) != 0 || !written) {
      unlink(info.c_str());
      return false;
    }
    int rc = renameat2(AT_FDCWD, original.c_str(), AT_FDCWD, entry.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) rc = rename(original.c_str(), entry.c_str());
    if (rc == 0) return true;
    if (errno == EEXIST) {  // taken meanwhile
      unlink(info.c_str());
      continue;
    }
    if (errno != EXDEV) {
      unlink(info.c_str());
      return false;
    }
    if (!CopyEntry(original, entry)) {
      RemoveTree(entry);
      unlink(info.c_str());
      return false;
    }
    std::error_code ec;
    std::filesystem::remove_all(original, ec);
    // When the original could only be removed in part, the Trash keeps the
    // one whole copy rather than losing it.
    return !ec;
  }
  return false;
}

// ---- attribute bits -----------------------------------------------------------

namespace {

const char kAttributeName[] = "user.koburane.attributes";
constexpr int32_t kReadOnly = 1, kHidden = 2, kFolder = 16, kNormal = 128;
// The bits the file itself answers for; the rest is stored beside it.
constexpr int32_t kDerivedBits = kReadOnly | kHidden | kFolder | kNormal;

int32_t StoredBits(const std::string& path) {
  char buf[32];
  ssize_t n = getxattr(path.c_str(), kAttributeName, buf, sizeof buf - 1);
  if (n <= 0) return 0;
  buf[n] = 0;
  return static_cast<int32_t>(std::strtol(buf, nullptr, 10)) & ~kDerivedBits & INT32_MAX;
}

bool IsHiddenName(const std::string& path) {
  std::string name = BaseName(path);
  return name.size() > 1 && name[0] == '.' && name != "..";
}

}  // namespace

int32_t FileAttributeBits(const std::string& nativePath) {
  struct stat st;
  if (nativePath.empty() || stat(nativePath.c_str(), &st) != 0) return -1;
  int32_t bits = StoredBits(nativePath);
  if (!(st.st_mode & S_IWUSR)) bits |= kReadOnly;
  if (IsHiddenName(nativePath)) bits |= kHidden;
  if (S_ISDIR(st.st_mode)) bits |= kFolder;
  return bits == 0 ? kNormal : bits;
}

bool SetFileAttributeBits(const std::string& nativePath, int32_t bits) {
  struct stat st;
  if (nativePath.empty() || stat(nativePath.c_str(), &st) != 0) return false;
  const char* path = nativePath.c_str();
  const mode_t mode = st.st_mode & 07777;
  const mode_t wanted = (bits & kReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  const int32_t extra = bits & ~kDerivedBits & INT32_MAX;

  if (extra != StoredBits(nativePath)) {
    // Writing a user attribute needs write permission, which a read-only file
    // gets back for the moment.
    if (!(mode & S_IWUSR)) chmod(path, mode | S_IWUSR);
    if (extra == 0) {
      removexattr(path, kAttributeName);
    } else {
      std::string text = std::to_string(extra);
      setxattr(path, kAttributeName, text.data(), text.size(), 0);  // not kept where the file system cannot
    }
    if (!(mode & S_IWUSR) && wanted == mode) return chmod(path, mode) == 0;
  }
  return wanted == mode || chmod(path, wanted) == 0;
}

// ---- drive kinds ----------------------------------------------------------------

namespace {

struct TFileSystemKind {
  const char* type;
  TDriveKind kind;
};

// File-system types whose kind the type alone decides. dkFixed rows only
// count when the source is not a removable block device.
const TFileSystemKind kFileSystemKinds[] = {
    {"nfs",             dkRemote},
    {"nfs4",            dkRemote},
    {"cifs",            dkRemote},
    {"smb3",            dkRemote},
    {"smbfs",           dkRemote},
    {"sshfs",           dkRemote},
    {"fuse.sshfs",      dkRemote},
    {"9p",              dkRemote},
    {"ceph",            dkRemote},
    {"glusterfs",       dkRemote},
    {"fuse.glusterfs",  dkRemote},
    {"davfs",           dkRemote},
    {"fuse.davfs",      dkRemote},
    {"afs",             dkRemote},
    {"iso9660",         dkCdRom},
    {"udf",             dkCdRom},
    {"tmpfs",           dkRamDisk},
    {"ramfs",           dkRamDisk},
    {"ext2",            dkFixed},
    {"ext3",            dkFixed},
    {"ext4",            dkFixed},
    {"xfs",             dkFixed},
    {"btrfs",           dkFixed},
    {"f2fs",            dkFixed},
    {"vfat",            dkFixed},
    {"exfat",           dkFixed},
    {"ntfs",            dkFixed},
    {"ntfs3",           dkFixed},
};

// Mount table fields escape blanks, tabs, newlines and backslashes as \ooo.
std::string DecodeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char* d = field.c_str() + i + 1;
      if (d[0] >= '0' && d[0] <= '3' && d[1] >= '0' && d[1] <= '7' && d[2] >= '0' && d[2] <= '7') {
        out += static_cast<char>((d[0] - '0') * 64 + (d[1] - '0') * 8 + (d[2] - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool ContainsPath(const std::string& mountPoint, const std::string& path) {
  if (mountPoint == "/") return true;
  return path == mountPoint || (path.size() > mountPoint.size() && path.compare(0, mountPoint.size(), mountPoint) == 0 &&
                                path[mountPoint.size()] == '/');
}

// The sysfs folder of the whole disk behind a block device: a partition's
// parent folder is its disk.
std::string DiskFolder(const std::string& device) {
  std::string sys;
  struct stat st;
  if (stat(device.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
    sys = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
  else
    sys = "/sys/class/block/" + BaseName(device);
  char real[PATH_MAX];
  if (!realpath(sys.c_str(), real)) return "";
  std::string folder = real;
  if (access((folder + "/partition").c_str(), F_OK) == 0) folder = folder.substr(0, folder.rfind('/'));
  return folder;
}

bool IsRemovableDevice(const std::string& device) {
  std::string disk = DiskFolder(device);
  if (disk.empty()) return false;
  std::ifstream in(disk + "/removable");
  int removable = 0;
  return (in >> removable) && removable == 1;
}

}  // namespace

TDriveKind DriveKindOf(const std::string& nativePath) {
  char real[PATH_MAX];
  if (nativePath.empty() || !realpath(nativePath.c_str(), real)) return dkMissing;
  const std::string path = real;

  std::ifstream mounts("/proc/self/mounts");
  std::string line, bestPoint, bestSource, bestType;
  bool found = false;
  while (std::getline(mounts, line)) {
    char source[4096], point[4096], type[256];
    if (std::sscanf(line.c_str(), "%4095s %4095s %255s", source, point, type) != 3) continue;
    std::string mp = DecodeMountField(point);
    // The later of two mounts on one point is the one on top.
    if (ContainsPath(mp, path) && (!found || mp.size() >= bestPoint.size())) {
      found = true;
      bestPoint = mp;
      bestSource = DecodeMountField(source);
      bestType = type;
    }
  }
  if (!found) return dkUnknown;

  TDriveKind byType = dkUnknown;
  for (const auto& row : kFileSystemKinds)
    if (bestType == row.type) byType = row.kind;
  if (byType != dkUnknown && byType != dkFixed) return byType;
  if (bestSource.rfind("/dev/", 0) == 0) return IsRemovableDevice(bestSource) ? dkRemovable : dkFixed;
  return byType;
}

// ---- link files --------------------------------------------------------------------

namespace {

// Desktop Entry values escape backslashes and control characters.
std::string DesktopValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

bool WriteLinkFile(const std::string& linkPath, const std::string& target, const std::string& workingFolder) {
  if (linkPath.empty() || target.empty()) return false;
  const std::string absolute = AbsoluteEntryPath(target);
  std::string name = BaseName(absolute);
  if (name.empty()) name = absolute;
  const std::string content = "[Desktop Entry]\nVersion=1.0\nType=Link\nName=" + DesktopValue(name) +
                              "\nURL=file://" + PercentEncodePath(absolute) + "\nPath=" + DesktopValue(workingFolder) +
                              "\n";

  // WriteWholeFile goes through a temporary beside the link: never half a file.
  return WriteWholeFile(linkPath, content);
}

}  // namespace kobu
