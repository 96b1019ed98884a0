// The platform's stand-ins for the recycle bin, attribute bits, drive kinds
// and shell links, each checked on real files in a private folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/file_system.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The mount table's file-system type for exactly this mount point (the last
// entry wins, as a later mount covers an earlier one).
std::string MountType(const std::string& point) {
  std::ifstream in("/proc/self/mounts");
  std::string source, mp, type, rest, found;
  while (in >> source >> mp >> type && std::getline(in, rest))
    if (mp == point) found = type;
  return found;
}

class FileSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kobu_fs_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    char real[PATH_MAX];
    ASSERT_NE(realpath(tmpl, real), nullptr);
    dir = real;
    const char* old = std::getenv("XDG_DATA_HOME");
    hadDataHome = old != nullptr;
    if (old) oldDataHome = old;
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    trash = dir + "/data/Trash";
  }
  void TearDown() override {
    if (hadDataHome)
      setenv("XDG_DATA_HOME", oldDataHome.c_str(), 1);
    else
      unsetenv("XDG_DATA_HOME");
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }
  // The record of a trashed entry, checked for its form; answers its Path.
  std::string RecordedPath(const std::string& trashName) {
    std::string info = ReadAll(trash + "/info/" + trashName + ".trashinfo");
    std::smatch m;
    EXPECT_TRUE(std::regex_match(
        info, m, std::regex("\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
        << info;
    return m.size() > 1 ? m[1].str() : std::string();
  }
  std::string dir, trash, oldDataHome;
  bool hadDataHome = false;
};

TEST_F(FileSystem, TrashesAFileWithItsRecord) {
  WriteText(dir + "/a.txt", "abc");
  ASSERT_TRUE(kobu::MoveToTrash(dir + "/a.txt"));
  EXPECT_FALSE(Exists(dir + "/a.txt"));
  EXPECT_EQ(ReadAll(trash + "/files/a.txt"), "abc");
  EXPECT_EQ(RecordedPath("a.txt"), dir + "/a.txt");
  for (const char* sub : {"/files", "/info"}) {
    struct stat st;
    ASSERT_EQ(stat((trash + sub).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << sub;
  }
}

TEST_F(FileSystem, TrashesAFolderAndALinkAsTheyAre) {
  fs::create_directories(dir + "/f/sub");
  WriteText(dir + "/f/sub/x", "x");
  WriteText(dir + "/target", "t");
  ASSERT_EQ(symlink((dir + "/target").c_str(), (dir + "/link").c_str()), 0);

  ASSERT_TRUE(kobu::MoveToTrash(dir + "/f/"));
  EXPECT_FALSE(Exists(dir + "/f"));
  EXPECT_EQ(ReadAll(trash + "/files/f/sub/x"), "x");
  EXPECT_EQ(RecordedPath("f"), dir + "/f");

  ASSERT_TRUE(kobu::MoveToTrash(dir + "/link"));
  EXPECT_FALSE(Exists(dir + "/link"));
  EXPECT_TRUE(fs::is_symlink(trash + "/files/link"));
  EXPECT_EQ(ReadAll(dir + "/target"), "t");
}

TEST_F(FileSystem, SameNamesGetUniqueEntriesAndEncodedPaths) {
  const std::string name = "日本 語.txt";
  fs::create_directories(dir + "/1");
  fs::create_directories(dir + "/2");
  WriteText(dir + "/1/" + name, "one");
  WriteText(dir + "/2/" + name, "two");
  ASSERT_TRUE(kobu::MoveToTrash(dir + "/1/" + name));
  ASSERT_TRUE(kobu::MoveToTrash(dir + "/2/" + name));
  EXPECT_EQ(ReadAll(trash + "/files/" + name), "one");
  EXPECT_EQ(ReadAll(trash + "/files/日本 語 2.txt"), "two");
  EXPECT_EQ(RecordedPath(name), dir + "/1/%E6%97%A5%E6%9C%AC%20%E8%AA%9E.txt");
  EXPECT_EQ(RecordedPath("日本 語 2.txt"), dir + "/2/%E6%97%A5%E6%9C%AC%20%E8%AA%9E.txt");
}

TEST_F(FileSystem, MissingPathIsNotTrashed) {
  EXPECT_FALSE(kobu::MoveToTrash(dir + "/none"));
  EXPECT_FALSE(kobu::MoveToTrash(""));
  EXPECT_TRUE(!Exists(trash + "/info") || fs::is_empty(trash + "/info"));
}

// From another file system the entry is copied, links as links, then removed.
TEST_F(FileSystem, TrashesAcrossFileSystems) {
  char tmpl[] = "/dev/shm/kobu_fs_XXXXXX";
  if (!mkdtemp(tmpl)) GTEST_SKIP() << "no /dev/shm";
  const std::string other = tmpl;
  struct stat a, b;
  ASSERT_EQ(stat(other.c_str(), &a), 0);
  ASSERT_EQ(stat(dir.c_str(), &b), 0);
  if (a.st_dev == b.st_dev) {
    fs::remove_all(other);
    GTEST_SKIP() << "/dev/shm and /tmp share a file system";
  }
  fs::create_directories(other + "/f/sub");
  WriteText(other + "/f/sub/x", "x");
  ASSERT_EQ(symlink("/nonexistent/target", (other + "/f/dangling").c_str()), 0);
  chmod((other + "/f/sub/x").c_str(), 0640);

  EXPECT_TRUE(kobu::MoveToTrash(other + "/f"));
  EXPECT_FALSE(Exists(other + "/f"));
  EXPECT_EQ(ReadAll(trash + "/files/f/sub/x"), "x");
  EXPECT_EQ(fs::status(trash + "/files/f/sub/x").permissions(), fs::perms(0640));
  EXPECT_EQ(fs::read_symlink(trash + "/files/f/dangling"), "/nonexistent/target");
  EXPECT_EQ(RecordedPath("f"), other + "/f");
  fs::remove_all(other);
}

// A copy that cannot be made whole leaves the original and no record.
TEST_F(FileSystem, FailedCopyAcrossFileSystemsChangesNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  char tmpl[] = "/dev/shm/kobu_fs_XXXXXX";
  if (!mkdtemp(tmpl)) GTEST_SKIP() << "no /dev/shm";
  const std::string other = tmpl;
  struct stat a, b;
  if (stat(other.c_str(), &a) != 0 || stat(dir.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    fs::remove_all(other);
    GTEST_SKIP() << "/dev/shm and /tmp share a file system";
  }
  fs::create_directories(other + "/f");
  WriteText(other + "/f/a", "a");
  WriteText(other + "/f/secret", "s");
  chmod((other + "/f/secret").c_str(), 0);
  EXPECT_FALSE(kobu::MoveToTrash(other + "/f"));
  EXPECT_EQ(ReadAll(other + "/f/a"), "a");
  EXPECT_TRUE(Exists(other + "/f/secret"));
  EXPECT_TRUE(fs::is_empty(trash + "/files"));
  EXPECT_TRUE(fs::is_empty(trash + "/info"));
  fs::remove_all(other);
}

TEST_F(FileSystem, AttributeBits) {
  const std::string file = dir + "/plain", hidden = dir + "/.hidden";
  WriteText(file, "");
  WriteText(hidden, "");
  EXPECT_EQ(kobu::FileAttributeBits(file), 128);
  EXPECT_EQ(kobu::FileAttributeBits(hidden), 2);
  EXPECT_EQ(kobu::FileAttributeBits(dir), 16);
  EXPECT_EQ(kobu::FileAttributeBits(dir + "/none"), -1);
  EXPECT_FALSE(kobu::SetFileAttributeBits(dir + "/none", 0));

  chmod(file.c_str(), 0666);
  ASSERT_TRUE(kobu::SetFileAttributeBits(file, 1));
  EXPECT_EQ(kobu::FileAttributeBits(file), 1);
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0444));
  ASSERT_TRUE(kobu::SetFileAttributeBits(file, 0));
  EXPECT_EQ(kobu::FileAttributeBits(file), 128);
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644));
  ASSERT_TRUE(kobu::SetFileAttributeBits(hidden, 0));  // hidden stays what the name says
  EXPECT_EQ(kobu::FileAttributeBits(hidden), 2);
}

TEST_F(FileSystem, StoredAttributeBits) {
  const std::string file = dir + "/f";
  WriteText(file, "");
  if (setxattr(file.c_str(), "user.koburane.probe", "1", 1, 0) != 0) {
    if (errno == ENOTSUP) GTEST_SKIP() << "no user extended attributes here";
    FAIL() << "setxattr: " << errno;
  }
  ASSERT_TRUE(kobu::SetFileAttributeBits(file, 32));
  EXPECT_EQ(kobu::FileAttributeBits(file), 32);
  ASSERT_TRUE(kobu::SetFileAttributeBits(file, 1 | 4 | 32));
  EXPECT_EQ(kobu::FileAttributeBits(file), 1 | 4 | 32);
  ASSERT_TRUE(kobu::SetFileAttributeBits(file, 1 | 256));  // changed while read-only
  EXPECT_EQ(kobu::FileAttributeBits(file), 1 | 256);
  ASSERT_TRUE(kobu::SetFileAttributeBits(file, 0));
  EXPECT_EQ(kobu::FileAttributeBits(file), 128);
  EXPECT_LT(getxattr(file.c_str(), "user.koburane.attributes", nullptr, 0), 0);
}

TEST_F(FileSystem, DriveKinds) {
  EXPECT_NE(kobu::DriveKindOf("/"), kobu::dkMissing);
  EXPECT_EQ(kobu::DriveKindOf(dir + "/none"), kobu::dkMissing);
  EXPECT_EQ(kobu::DriveKindOf(""), kobu::dkMissing);
  if (MountType("/proc") == "proc") {
    EXPECT_EQ(kobu::DriveKindOf("/proc/self"), kobu::dkUnknown);
  }
  if (MountType("/dev/shm") == "tmpfs") {
    EXPECT_EQ(kobu::DriveKindOf("/dev/shm"), kobu::dkRamDisk);
    EXPECT_EQ(kobu::DriveKindOf("/dev/shm/."), kobu::dkRamDisk);
  }
}

TEST_F(FileSystem, LinkFile) {
  const std::string target = dir + "/ファイル a.txt";
  WriteText(target, "");
  ASSERT_TRUE(kobu::WriteLinkFile(dir + "/l.desktop", target, dir));
  EXPECT_EQ(ReadAll(dir + "/l.desktop"),
            "[Desktop Entry]\nVersion=1.0\nType=Link\nName=ファイル a.txt\nURL=file://" + dir +
                "/%E3%83%95%E3%82%A1%E3%82%A4%E3%83%AB%20a.txt\nPath=" + dir + "\n");
  ASSERT_TRUE(kobu::WriteLinkFile(dir + "/l.desktop", target, "/"));  // replaces, leaves no temporary
  EXPECT_NE(ReadAll(dir + "/l.desktop").find("\nPath=/\n"), std::string::npos);
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir)) entries += e.path().filename() != "data";
  EXPECT_EQ(entries, 2);
  EXPECT_FALSE(kobu::WriteLinkFile(dir + "/none/l.desktop", target, dir));
}

}  // namespace
