#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace kobu {

bool WriteAllBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

namespace {

// The file a write really replaces: a symbolic link is followed to its target.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  if (char* real = realpath(path.c_str(), nullptr)) {
    std::string r = real;
    free(real);
    return r;
  }
  // A dangling link: its target is created where the link points.
  char buf[PATH_MAX + 1];
  ssize_t n = readlink(path.c_str(), buf, PATH_MAX);
  if (n <= 0) return path;
  std::string target(buf, static_cast<size_t>(n));
  if (target[0] == '/') return target;
  size_t cut = path.rfind('/');
  return cut == std::string::npos ? target : path.substr(0, cut + 1) + target;
}

}  // namespace

bool ReadWholeFile(const std::string& nativePath, std::string& bytes) {
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  std::string out;
  if (ok && st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  while (ok) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
    } else if (n == 0) {
      break;
    } else {
      out.append(buf, static_cast<size_t>(n));
    }
  }
  close(fd);
  if (ok) bytes = std::move(out);
  return ok;
}

namespace {

// Writes `target` through a temporary file beside it: `fill` writes the bytes
// into the open temporary file. `mode` is used for a new file; an existing
// one keeps its own.
template <class Fill>
bool ReplaceFile(const std::string& nativePath, mode_t mode, Fill fill) {
  if (nativePath.empty()) return false;
  std::string target = WriteTarget(nativePath);
  struct stat st {};
  if (stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || access(target.c_str(), W_OK) != 0) return false;
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  size_t cut = target.rfind('/');
  std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
  std::string temp = folder + ".kobutmp-XXXXXX";  // short: any legal name still fits
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fill(fd) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace

bool WriteWholeFile(const std::string& nativePath, std::string_view bytes) {
  return ReplaceFile(nativePath, 0666, [&](int fd) { return WriteAllBytes(fd, bytes); });
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  bool ok = fstat(in, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    ok = ReplaceFile(to, st.st_mode & 07777, [&](int out) {
      char buf[65536];
      while (true) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAllBytes(out, std::string_view(buf, static_cast<size_t>(n)))) return false;
      }
    });
  }
  close(in);
  return ok;
}

bool AppendToFile(const std::string& nativePath, std::string_view bytes) {
  int fd = open(nativePath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok && !WriteAllBytes(fd, bytes)) {
    ok = false;
    if (ftruncate(fd, st.st_size) != 0) {
      // Nothing more can be done: the error is reported all the same.
    }
  }
  ok = (close(fd) == 0) && ok;
  return ok;
}

}  // namespace kobu
