// The packed-file container: its exact bytes, reading it back, refusing
// damaged ones, and finding one appended to an executable.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/kobubase.h"
#include "host/filemix.h"
#include "platform/cp932.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

uint32_t LE(const std::string& s, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

class FileMix : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kobu-fmix-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    Spit(dir + "/a.txt", "AAA");
    Spit(dir + "/b.txt", std::string("B\0B", 3));
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Build(std::vector<std::string> lines) {
    kobu::TFileMixWriter w;
    for (auto& l : lines) w.Lines.push_back(l);
    std::string error;
    EXPECT_TRUE(w.SaveToFile(dir + "/c.bin", error)) << error;
    return Slurp(dir + "/c.bin");
  }
  std::string dir;
};

TEST_F(FileMix, LayoutIsExact) {
  std::string c = Build({dir + "/a.txt=a.txt=0", dir + "/b.txt=sub\\b.txt=1"});
  ASSERT_EQ(c.size(), 11u + 265 * 2 + 3 + 3);
  EXPECT_EQ(c.substr(0, 4), "fMix");
  EXPECT_EQ(c[4], 1);
  EXPECT_EQ(LE(c, 5, 2), 2u);
  EXPECT_EQ(LE(c, 7, 4), c.size());
  const size_t r0 = 11, r1 = 11 + 265;
  EXPECT_EQ(c.substr(r0, 6), std::string("A.TXT\0", 6));
  EXPECT_EQ(c.substr(r0 + 5, 251), std::string(251, '\0'));
  EXPECT_EQ(LE(c, r0 + 256, 4), 11u + 265 * 2);  // the first data follows the records
  EXPECT_EQ(LE(c, r0 + 260, 4), 3u);
  EXPECT_EQ(c[r0 + 264], 0);
  EXPECT_EQ(c.substr(r1, 10), std::string("SUB\\B.TXT\0", 10));
  EXPECT_EQ(LE(c, r1 + 256, 4), 11u + 265 * 2 + 3);
  EXPECT_EQ(LE(c, r1 + 264 - 4, 4), 3u);
  EXPECT_EQ(c[r1 + 264], 1);
  EXPECT_EQ(c.substr(11 + 530, 3), "AAA");
  EXPECT_NE(c.substr(11 + 533, 3), std::string("B\0B", 3));  // scrambled

  kobu::TFileMixReader r;
  std::string error, bytes;
  ASSERT_TRUE(r.Open(dir + "/c.bin", 0, "c.bin", error)) << error;
  ASSERT_TRUE(r.OpenEntry("Sub\\B.txt", bytes));
  EXPECT_EQ(bytes, std::string("B\0B", 3));
  ASSERT_TRUE(r.ReadEntryText("sub\\b.txt", bytes));
  EXPECT_EQ(bytes, "B");  // a text ends at its first zero byte
  EXPECT_FALSE(r.OpenEntry("missing", bytes));
  ASSERT_TRUE(r.CopyContainer(dir + "/copy.bin"));
  EXPECT_EQ(Slurp(dir + "/copy.bin"), c);
}

TEST_F(FileMix, LaterRecordOfTheSameNameWins) {
  Build({dir + "/a.txt=x=0", dir + "/b.txt=X=0"});
  kobu::TFileMixReader r;
  std::string error, bytes;
  ASSERT_TRUE(r.Open(dir + "/c.bin", 0, "c.bin", error));
  ASSERT_TRUE(r.OpenEntry("x", bytes));
  EXPECT_EQ(bytes, std::string("B\0B", 3));
}

TEST_F(FileMix, DamagedContainersAreRefusedWithoutReadingOutside) {
  std::string good = Build({dir + "/a.txt=a.txt=0"});
  std::string outside = good;
  outside[11 + 256] = '\x7F';  // data offset far past the end
  std::string huge = good;
  huge[11 + 260 + 3] = '\x7F';  // size of 2 GiB
  struct {
    const char* what;
    std::string bytes;
    bool opens;
  } cases[] = {
      {"empty", "", false},
      {"wrong magic", "fMiX" + good.substr(4), false},
      {"header cut short", good.substr(0, 9), false},
      {"records cut short", good.substr(0, 11 + 100), false},
      {"name without a zero", good.substr(0, 11) + std::string(265, 'N'), false},
      {"offset outside", outside, true},
      {"size outside", huge, true},
      {"data cut short", good.substr(0, good.size() - 1), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Spit(dir + "/bad.bin", c.bytes);
    kobu::TFileMixReader r;
    std::string error, bytes;
    bool opened = r.Open(dir + "/bad.bin", 0, "bad.bin", error);
    EXPECT_EQ(opened, c.opens);
    if (!opened) {
      EXPECT_EQ(kobu::Cp932ToUtf8(error), "\"bad.bin\"は、TFileMixHeaderでは形式が違うため読めません。");
    }
    EXPECT_FALSE(r.OpenEntry("a.txt", bytes));
  }
}

TEST_F(FileMix, AContainerAppendedToAnExecutableIsFound) {
  // The running test program is an ELF executable with nothing after its image.
  std::string image = Slurp("/proc/self/exe");
  EXPECT_EQ(kobu::ElfImageEnd("/proc/self/exe"), image.size());
  uint64_t offset = 0;
  Spit(dir + "/plain", image);
  EXPECT_FALSE(kobu::FindAttachedContainer(dir + "/plain", offset));
  Spit(dir + "/text", "just text, no executable");
  EXPECT_FALSE(kobu::FindAttachedContainer(dir + "/text", offset));

  std::string c = Build({dir + "/a.txt=koburane.kbr=1"});
  Spit(dir + "/packed", image + c);
  ASSERT_TRUE(kobu::FindAttachedContainer(dir + "/packed", offset));
  EXPECT_EQ(offset, image.size());
  kobu::TFileMixReader r;
  std::string error, text;
  ASSERT_TRUE(r.Open(dir + "/packed", offset, "packed", error));
  ASSERT_TRUE(r.ReadEntryText("KOBURANE.KBR", text));
  EXPECT_EQ(text, "AAA");
}

TEST_F(FileMix, APackedFileIsExtractedOnce) {
  Build({dir + "/a.txt=data\\a.txt=0"});
  kobu::TKobuBase base;
  EXPECT_EQ(kobu::ResolvePackedFile(base, "data\\a.txt"), "");  // no container
  auto reader = std::make_shared<kobu::TFileMixReader>();
  std::string error;
  ASSERT_TRUE(reader->Open(dir + "/c.bin", 0, "c.bin", error));
  base.PackedReader = reader;
  EXPECT_EQ(kobu::ResolvePackedFile(base, "other.txt"), "");
  std::string path = kobu::ResolvePackedFile(base, "Data\\A.txt");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(fs::path(path).filename().string(), "DATA__A.TXT");
  EXPECT_EQ(fs::status(fs::path(path).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(Slurp(path), "AAA");
  Spit(path, "changed");
  EXPECT_EQ(kobu::ResolvePackedFile(base, "data\\a.txt"), path);
  EXPECT_EQ(Slurp(path), "changed");  // reused, not extracted again
}

}  // namespace
