// File handles, named shared memory and the scrambled file, driven through
// their commands on real files in a private folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "commands/registry.h"
#include "tests/unit/command_runner.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/statement.h"
#include "platform/cp932.h"
#include "system/scrambled_file.h"

using namespace kobu;
using namespace std::string_literals;

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class FileHandleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterBuiltins(base);
    base.SecurityLevel = 0;  // every guarded command allowed without a question
    char tmpl[] = "/tmp/kobu-handles-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    base.FileHandles.clear();
    base.SharedBlocks.clear();
    std::filesystem::remove_all(dir);
  }

  // A variable holding a value, for arguments that are evaluated.
  void Let(const std::string& name, const std::string& value) {
    base.Words.Add(std::make_unique<THashNode>(name, value, 0, false));
  }
  std::string Value(const std::string& name) {
    THashNode* n = base.Words.Find(name, false);
    return n ? n->Value : "<none>";
  }
  // A file of the test folder, named to the script by the variable P.
  std::string File(const std::string& name, const std::string& bytes) {
    std::string path = dir + "/" + name;
    PutFile(path, bytes);
    Let("P", path);
    return path;
  }
  // Runs a command with its arguments in pattern order.
  void Run(const char* commandUtf8, std::vector<std::string> args) {
    kobutest::RunCommandWord(base, commandUtf8, std::move(args));
  }
  std::string ErrorOf(const char* commandUtf8, std::vector<std::string> args) {
    return kobutest::CommandError(base, commandUtf8, std::move(args));
  }
  static bool Contains(const std::string& message, const char* partUtf8) {
    return message.find(sj(partUtf8)) != std::string::npos;
  }

  void Open() { Run("ハンドルを開く", {"H", "P"}); }
  std::string ReadLine() {
    Run("ハンドルを一行読む", {"L", "H"});
    return Value("L");
  }
  std::vector<std::string> ReadLines(int n) {
    std::vector<std::string> lines;
    for (int k = 0; k < n; ++k) lines.push_back(ReadLine());
    return lines;
  }
  std::string AtEnd() {
    Run("ハンドル最後か", {"H"});
    return base.Sore->Value;
  }

  TKobuBase base;
  std::string dir;
};

using Lines = std::vector<std::string>;

TEST_F(FileHandleTest, EveryLineEnd) {
  File("a.txt", "a\r\nb\rc\nd\0ef\r\r\n\ng"s);
  Open();
  EXPECT_EQ(ReadLines(9), (Lines{"a", "b", "c", "d", "ef", "", "", "g", ""}));
  EXPECT_EQ(AtEnd(), "1");
  EXPECT_EQ(base.Sore->TypeMark, "e");
  EXPECT_EQ(base.Words.Find("L", false)->TypeMark, "s");
}

TEST_F(FileHandleTest, XCrLfY) {
  std::string path = File("xy.txt", "x\r\ny");
  Open();
  EXPECT_EQ(AtEnd(), "0");
  EXPECT_EQ(ReadLine(), "x");
  EXPECT_EQ(ReadLine(), "y");
  EXPECT_EQ(AtEnd(), "1");
  EXPECT_EQ(ReadLine(), "");
  EXPECT_EQ(AtEnd(), "1");
  Run("ハンドルを先頭に移動", {"H"});
  EXPECT_EQ(ReadLine(), "x");
  Let("V", "z");
  Run("ハンドルへ一行書く", {"V", "H"});
  EXPECT_EQ(FileBytes(path), "x\r\nz\r\n");
  EXPECT_EQ(AtEnd(), "1");
}

TEST_F(FileHandleTest, EmptyFileIsAtItsEndAtOnce) {
  File("e.txt", "");
  Open();
  EXPECT_EQ(AtEnd(), "1");
  EXPECT_EQ(ReadLine(), "");
}

TEST_F(FileHandleTest, OpenCreatesAMissingFile) {
  std::string path = dir + "/new.txt";
  Let("P", path);
  Open();
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(Value("H"), "\\FILE_HANDLE");
  Let("V", "one");
  Run("ハンドルへ一行書く", {"V", "H"});
  EXPECT_EQ(FileBytes(path), "one\r\n");
}

// The read-ahead holds 4096 bytes: line ends and characters that straddle
// the end of a block are read as if there were none.
TEST_F(FileHandleTest, LinesAcrossTheReadAheadBoundary) {
  const std::string a4095(4095, 'a'), b4096(4096, 'b'), c9000(9000, 'c');
  File("big.txt", a4095 + "\r\n" + b4096 + "\n" + c9000 + "\r" + "end");
  Open();
  EXPECT_EQ(ReadLine(), a4095);  // CR is the block's last byte, LF the next block's first
  EXPECT_EQ(ReadLine(), b4096);
  EXPECT_EQ(ReadLine(), c9000);
  EXPECT_EQ(ReadLine(), "end");
  EXPECT_EQ(ReadLine(), "");
  EXPECT_EQ(AtEnd(), "1");
}

TEST_F(FileHandleTest, DoubleByteCharacterAtTheBoundaryIsTakenWhole) {
  const std::string a4095(4095, 'a');
  const std::string hiragana = "\x82\xA0";  // あ
  File("sj.txt", a4095 + hiragana + "\r\n" + "z");
  Open();
  EXPECT_EQ(ReadLine(), a4095 + hiragana);
  EXPECT_EQ(ReadLine(), "z");
  // A lead byte owns the next byte even when that byte looks like a line end.
  File("lead.txt", a4095 + "\x81\n" + "q\r\nr");
  Open();
  EXPECT_EQ(ReadLine(), a4095 + "\x81\nq");
  EXPECT_EQ(ReadLine(), "r");
  // A trail byte 0x5C is no separator of any kind and stays in the line.
  File("so.txt", "\x83\x5C\r\nx");
  Open();
  EXPECT_EQ(ReadLines(2), (Lines{"\x83\x5C", "x"}));
}

TEST_F(FileHandleTest, LeadByteAtTheEndOfTheFile) {
  File("tail.txt", "ab\x82");
  Open();
  EXPECT_EQ(ReadLine(), "ab\x82");
  EXPECT_EQ(AtEnd(), "1");
  EXPECT_EQ(ReadLine(), "");
  const std::string a4095(4095, 'a');
  File("tail2.txt", a4095 + "\x82");  // the lead byte is the last byte of the first block
  Open();
  EXPECT_EQ(ReadLine(), a4095 + "\x82");
  EXPECT_EQ(ReadLine(), "");
}

// A write does not leave the read-ahead showing the bytes it replaced.
TEST_F(FileHandleTest, WriteAfterReadDiscardsTheReadAhead) {
  std::string path = File("w.txt", "a\r\nbbbbbb\r\n");
  Open();
  EXPECT_EQ(ReadLine(), "a");  // the whole file is now read ahead
  Let("V", "c");
  Run("ハンドルへ一行書く", {"V", "H"});  // "c\r\n" over bytes 3-5; the file position is 6
  Let("B", "XY");
  Run("ハンドルにバイナリを書く", {"B", "H", "2"});
  EXPECT_EQ(FileBytes(path), "a\r\nc\r\nXYb\r\n");
  EXPECT_EQ(ReadLine(), "XYb");
  EXPECT_EQ(ReadLine(), "");
}

// Byte reads use the file position, which line reading leaves at the end of
// the block it read ahead.
TEST_F(FileHandleTest, ByteReadAfterLineReadStartsBehindTheReadAhead) {
  std::string data = "a\r\n" + std::string(4093, '-') + "XYZ";
  File("r.txt", data);
  Open();
  EXPECT_EQ(ReadLine(), "a");
  Run("ハンドルにバイナリを読む", {"B", "H", "2"});
  EXPECT_EQ(Value("B"), "XY");
  EXPECT_EQ(ReadLine(), std::string(4093, '-') + "XYZ");  // line reading is not disturbed
}

TEST_F(FileHandleTest, BinaryWritePadsAndBinaryReadStopsAtTheEnd) {
  std::string path = File("bin.dat", "");
  Open();
  Let("V", "ab");
  Run("ハンドルにバイナリを書く", {"V", "H", "4"});
  EXPECT_EQ(FileBytes(path), "ab\0\0"s);
  Let("V", "xyz");
  Run("ハンドルにバイナリを書く", {"V", "H", "1"});  // only the first n bytes
  Run("ハンドルにバイナリを書く", {"V", "H", "0"});  // nothing
  EXPECT_EQ(FileBytes(path), "ab\0\0x"s);
  Run("ハンドルを移動", {"H", "1"});
  Run("ハンドルにバイナリを読む", {"B", "H", "100"});
  EXPECT_EQ(Value("B"), "b\0\0x"s);  // shortened to what is there
  Run("ハンドルにバイナリを読む", {"B", "H", "5"});
  EXPECT_EQ(Value("B"), "");
  Run("ハンドルにバイナリを読む", {"N", "H", "0"});  // n < 1: the target is not even made
  EXPECT_EQ(base.Words.Find("N", false), nullptr);
}

TEST_F(FileHandleTest, MovingSetsBothPositions) {
  std::string path = File("m.txt", "one\r\ntwo\r\n");
  Open();
  Run("ハンドルを移動", {"H", "5"});
  EXPECT_EQ(ReadLine(), "two");
  Run("ハンドルを最後に移動", {"H"});
  EXPECT_EQ(AtEnd(), "1");
  Let("V", "3");
  Run("ハンドルへ一行書く", {"V", "H"});
  Run("ハンドルを先頭に移動", {"H"});
  EXPECT_EQ(ReadLines(4), (Lines{"one", "two", "3", ""}));
  Run("ハンドルを移動", {"H", "-7"});  // before the start: the start
  EXPECT_EQ(ReadLine(), "one");
}

TEST_F(FileHandleTest, CloseRemovesTheVariable) {
  File("c.txt", "x");
  Open();
  ASSERT_EQ(base.FileHandles.size(), 1u);
  Run("ハンドルを閉じる", {"H"});
  EXPECT_EQ(base.Words.Find("H", false), nullptr);
  EXPECT_FALSE(base.FileHandles[0]);
  EXPECT_EQ(ErrorOf("ハンドルを閉じる", {"H"}), "");  // a name that names nothing is ignored
  Open();  // the empty slot is used again
  EXPECT_EQ(base.FileHandles.size(), 1u);
  EXPECT_EQ(ReadLine(), "x");
}

TEST_F(FileHandleTest, OnlyAnOpenedHandleIsAHandle) {
  File("f.txt", "x");
  Let("Fake", "\\FILE_HANDLE");  // the marker alone does not make a handle
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを一行読む", {"L", "Fake"}), "ファイル\"ハンドル:Fake\"が、ありません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを一行読む", {"L", "Nothing"}), "ファイル\"ハンドル:Nothing\"が、ありません。"));
  Let("V", "v");
  EXPECT_TRUE(Contains(ErrorOf("ハンドルへ一行書く", {"V", "Nothing"}), "ファイル\"ハンドル:Nothing\"が、ありません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドル最後か", {"Fake"}), "変数\"Fake\"が見つかりません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを先頭に移動", {"Nothing"}), "変数\"Nothing\"が見つかりません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを移動", {"Fake", "1"}), "変数\"Fake\"が見つかりません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを閉じる", {"Fake"}), "変数\"Fake\"が見つかりません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルにバイナリを書く", {"V", "Nothing", "1"}), "オブジェクト\"Nothing\"が特定できません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルにバイナリを読む", {"B", "Nothing", "1"}), "オブジェクト\"Nothing\"が特定できません。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルにバイナリを書く", {"V", "Fake", "1"}), "変数\"Fake\"が見つかりません。"));
  // A handle whose value was replaced is unreachable.
  Open();
  Let("H", "other");
  EXPECT_TRUE(Contains(ErrorOf("ハンドル最後か", {"H"}), "変数\"H\"が見つかりません。"));
}

TEST_F(FileHandleTest, ReservedWordCannotBecomeAHandle) {
  File("r.txt", "x");
  base.Words.AddVariable("Fixed", "1", "e", true);
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを開く", {"Fixed", "P"}), "\"Fixed\"は、読取専用です。"));
  EXPECT_EQ(Value("Fixed"), "1");
}

TEST_F(FileHandleTest, OpenModes) {
  std::string path = File("mode.txt", "keep\r\n");
  Run("ハンドルを詳しく開く", {"H", "P", "0"});  // read only
  EXPECT_EQ(ReadLine(), "keep");
  Let("V", "w");
  Run("ハンドルを先頭に移動", {"H"});
  EXPECT_TRUE(Contains(ErrorOf("ハンドルへ一行書く", {"V", "H"}), "の、読み込みか書き込みに、失敗しました。"));
  EXPECT_EQ(FileBytes(path), "keep\r\n");

  Run("ハンドルを詳しく開く", {"H", "P", "34"});  // read and write with a share flag
  Run("ハンドルへ一行書く", {"V", "H"});
  EXPECT_EQ(FileBytes(path), "w\r\np\r\n");
  EXPECT_EQ(ReadLine(), "p");

  Run("ハンドルを詳しく開く", {"H", "P", "17"});  // write only
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを一行読む", {"L", "H"}), "の、読み込みか書き込みに、失敗しました。"));

  Run("ハンドルを詳しく開く", {"H", "P", "65535"});  // create: the file is emptied
  EXPECT_EQ(FileBytes(path), "");
  EXPECT_EQ(AtEnd(), "1");
  EXPECT_EQ(base.FileHandles.size() - static_cast<size_t>(std::count(base.FileHandles.begin(), base.FileHandles.end(), nullptr)), 1u)
      << "opening into a handle again closes the old stream";

  // Not created first: a missing file cannot be opened.
  std::string missing = dir + "/missing.txt";
  Let("P", missing);
  std::string e = ErrorOf("ハンドルを詳しく開く", {"H2", "P", "2"});
  EXPECT_TRUE(Contains(e, "の、読み込みか書き込みに、失敗しました。")) << e;
  EXPECT_NE(e.find(missing), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));
  Run("ハンドルを詳しく開く", {"H2", "P", "65535"});
  EXPECT_TRUE(std::filesystem::exists(missing));

  e = ErrorOf("ハンドルを詳しく開く", {"H3", "P", "3"});
  EXPECT_TRUE(Contains(e, "モード3は使えません。")) << e;
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを詳しく開く", {"H3", "P", "-1"}), "モード-1は使えません。"));
}

TEST_F(FileHandleTest, AFolderIsNoFile) {
  Let("P", dir);
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを詳しく開く", {"H", "P", "0"}), "の、読み込みか書き込みに、失敗しました。"));
  EXPECT_TRUE(Contains(ErrorOf("ハンドルを開く", {"H", "P"}), "の、読み込みか書き込みに、失敗しました。"));
}

TEST_F(FileHandleTest, HighSecurityWritesNothing) {
  std::string path = File("s.txt", "a\r\n");
  Open();
  base.SecurityLevel = 2;
  Let("V", "b");
  Run("ハンドルへ一行書く", {"V", "H"});
  EXPECT_EQ(FileBytes(path), "a\r\n");
}

// Scrambling.

TEST(FileHandleScrambleBytes, ReversesItselfAndHidesTheText) {
  const std::string texts[] = {"a", "hello, world", sj("日本語のテキスト"), std::string(1000, '\0'), std::string(77, 'z')};
  for (const std::string& key : {std::string(), std::string("k"), sj("鍵とkey")}) {
    for (const auto& t : texts) {
      std::string s = ScrambleBytes(t, key);
      EXPECT_EQ(s.size(), t.size());
      EXPECT_NE(s, t);
      EXPECT_EQ(ScrambleBytes(s, key), t);
    }
  }
  EXPECT_EQ(ScrambleBytes("", "k"), "");
  EXPECT_NE(ScrambleBytes("abc", "k"), ScrambleBytes("abc", "j"));
  EXPECT_EQ(ScrambleBytes("abcdef", "k"), ScrambleBytes("abcdef", "k"));  // reseeded every time
}

// The smallest period of a byte sequence (its length when it has none shorter).
size_t Period(const std::string& s) {
  for (size_t p = 1; p < s.size(); ++p) {
    bool periodic = true;
    for (size_t i = p; i < s.size() && periodic; ++i) periodic = s[i] == s[i - p];
    if (periodic) return p;
  }
  return s.size();
}

// Mixes ASCII and double-byte characters and is clean CP932.
void ExpectMixedCp932(const std::string& key) {
  bool ascii = false, doubleByte = false;
  for (size_t i = 0; i < key.size(); i += CharLenAt(key, i)) {
    if (CharLenAt(key, i) == 2) doubleByte = true;
    else if (static_cast<unsigned char>(key[i]) < 0x80) ascii = true;
  }
  EXPECT_TRUE(ascii);
  EXPECT_TRUE(doubleByte);
  bool lossless = true;
  Cp932ToUtf8(key, &lossless);
  EXPECT_TRUE(lossless);
}

TEST(FileHandleScrambleBytes, DefaultKeyIs17Bytes) {
  const std::string zeros(17 * 5, '\0');
  // A key of one zero byte leaves the pseudo-random stream alone.
  std::string stream = ScrambleBytes(zeros, std::string(1, '\0'));
  std::string withDefault = ScrambleBytes(zeros, "");
  std::string key(zeros.size(), '\0');
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<char>(stream[i] ^ withDefault[i]);
  EXPECT_EQ(Period(key), 17u);
  ExpectMixedCp932(key.substr(0, 17));
}

TEST_F(FileHandleTest, ScrambledFileRoundTrip) {
  const std::string texts[] = {"a", sj("こんにちは、世界。\r\n二行目"), "\0\x01\xFF"s, std::string(5000, 'q')};
  std::string path = dir + "/secret.dat";
  Let("P", path);
  for (const auto& t : texts) {
    Let("T", t);
    Run("暗号化して保存", {"T", "P"});
    std::string stored = FileBytes(path);
    EXPECT_EQ(stored.size(), t.size() + 4);
    EXPECT_EQ(stored.find(t), std::string::npos);
    Run("暗号解除して読込", {"R", "P"});
    EXPECT_EQ(Value("R"), t);
    EXPECT_EQ(base.Words.Find("R", false)->TypeMark, "s");
  }
  Let("T", "");
  Run("暗号化して保存", {"T", "P"});
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(FileBytes(path), "");
  Let("R", "old");
  Run("暗号解除して読込", {"R", "P"});
  EXPECT_EQ(Value("R"), "");
}

TEST_F(FileHandleTest, CommandKeyIs29Bytes) {
  std::string path = dir + "/key.dat";
  Let("P", path);
  const std::string text(29 * 6, 'K');
  Let("T", text);
  Run("暗号化して保存", {"T", "P"});
  std::string stored = FileBytes(path);
  ASSERT_EQ(stored.size(), text.size() + 4);
  std::string plain = "\xAE\0\0\0"s + text;  // 174 bytes, little-endian
  std::string stream = ScrambleBytes(std::string(stored.size(), '\0'), std::string(1, '\0'));
  std::string key(stored.size(), '\0');
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<char>(stored[i] ^ plain[i] ^ stream[i]);
  EXPECT_EQ(Period(key), 29u);
  ExpectMixedCp932(key.substr(0, 29));
}

TEST_F(FileHandleTest, DamagedScrambledFileIsAReadFailure) {
  std::string path = dir + "/bad.dat";
  Let("P", path);
  Let("T", "abc");
  Run("暗号化して保存", {"T", "P"});
  std::string good = FileBytes(path);
  ASSERT_EQ(good.size(), 7u);
  // The scrambling is an exclusive or, so changing a stored bit changes the length: 3 becomes 103.
  std::string bad = good;
  bad[0] = static_cast<char>(bad[0] ^ 3 ^ 103);
  PutFile(path, bad);
  Let("R", "untouched");
  std::string e = ErrorOf("暗号解除して読込", {"R", "P"});
  EXPECT_TRUE(Contains(e, "の、読み込みか書き込みに、失敗しました。")) << e;
  EXPECT_EQ(Value("R"), "untouched");
  for (size_t n = 1; n <= 3; ++n) {
    PutFile(path, good.substr(0, n));
    EXPECT_TRUE(Contains(ErrorOf("暗号解除して読込", {"R", "P"}), "の、読み込みか書き込みに、失敗しました。")) << n;
  }
  PutFile(path, good.substr(0, 6));  // one byte of the text missing
  EXPECT_TRUE(Contains(ErrorOf("暗号解除して読込", {"R", "P"}), "の、読み込みか書き込みに、失敗しました。"));
  Let("P", dir + "/none.dat");
  EXPECT_TRUE(Contains(ErrorOf("暗号解除して読込", {"R", "P"}), "の、読み込みか書き込みに、失敗しました。"));
}

TEST_F(FileHandleTest, RefusedScrambledSaveWritesNothing) {
  base.SecurityLevel = 2;  // everything refused, silently
  std::string path = dir + "/refused.dat";
  Let("P", path);
  Let("T", "abc");
  EXPECT_EQ(ErrorOf("暗号化して保存", {"T", "P"}), "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

// Shared memory.

bool BlockExists(const std::string& name) {
  int fd = shm_open(("/koburane." + name).c_str(), O_RDONLY, 0);
  if (fd < 0) return false;
  close(fd);
  return true;
}

off_t BlockSize(const std::string& name) {
  int fd = shm_open(("/koburane." + name).c_str(), O_RDONLY, 0);
  if (fd < 0) return -1;
  struct stat st {};
  fstat(fd, &st);
  close(fd);
  return st.st_size;
}

class FileHandleSharedMemory : public FileHandleTest {
 protected:
  void SetUp() override {
    FileHandleTest::SetUp();
    name = "unit-" + std::to_string(getpid());
    Let("N", name);
  }
  void Save(const std::string& value) {
    base.Sore->Value = value;
    Run("共有保存", {"N"});
  }
  std::string Load() {
    base.Sore->Value = "stale";
    Run("共有読込", {"N"});
    return base.Sore->Value;
  }
  std::string name;
};

TEST_F(FileHandleSharedMemory, SaveThenLoad) {
  ASSERT_FALSE(BlockExists(name));
  Save("01");
  EXPECT_TRUE(BlockExists(name));
  EXPECT_EQ(BlockSize(name), 256);
  EXPECT_EQ(Load(), "01");
  EXPECT_EQ(base.Sore->TypeMark, "e");
  Save("$1F");
  EXPECT_EQ(Load(), "$1F");
  EXPECT_EQ(base.Sore->TypeMark, "e");
  Save(sj("共有の値"));
  EXPECT_EQ(Load(), sj("共有の値"));
  EXPECT_EQ(base.Sore->TypeMark, "s");
  Save("abcdef");
  Save("xy");  // the zero byte ends the shorter value
  EXPECT_EQ(Load(), "xy");
  Save("");
  EXPECT_EQ(Load(), "");
  EXPECT_EQ(base.Sore->TypeMark, "s");
  EXPECT_EQ(base.SharedBlocks.size(), 1u);
  base.SharedBlocks.clear();  // the end of the run: the block this process made is gone
  EXPECT_FALSE(BlockExists(name));
}

TEST_F(FileHandleSharedMemory, NeverPastTheBlock) {
  Save(std::string(300, 'x'));
  EXPECT_EQ(BlockSize(name), 256);
  EXPECT_EQ(Load(), std::string(256, 'x'));
  Save(std::string(256, 'y'));
  EXPECT_EQ(Load(), std::string(256, 'y'));
  Save(std::string(255, 'z'));
  EXPECT_EQ(Load(), std::string(255, 'z'));
}

TEST_F(FileHandleSharedMemory, LoadOfAnUnknownBlockIsEmptyAndLeavesNothing) {
  EXPECT_EQ(Load(), "");
  EXPECT_EQ(base.Sore->TypeMark, "s");
  EXPECT_FALSE(BlockExists(name));
  EXPECT_TRUE(base.SharedBlocks.empty());
}

TEST_F(FileHandleSharedMemory, AnotherRunSeesTheBlock) {
  Save("42");
  {
    TKobuBase other;
    RegisterBuiltins(other);
    other.Words.Add(std::make_unique<THashNode>("N", name, 0, false));
    other.ArgumentStack = {"N"};
    other.PositionalMode = true;
    DispatchCommand(other, other.Words.Find(sj("共有読込"), true));
    EXPECT_EQ(other.Sore->Value, "42");
    EXPECT_EQ(other.Sore->TypeMark, "e");
  }
  EXPECT_TRUE(BlockExists(name));  // a reader does not take the block away
}

TEST_F(FileHandleSharedMemory, NamesWithSlashesAndPercents) {
  Let("N", name + "/a%b");
  Save("slash");
  EXPECT_TRUE(BlockExists(name + "%2Fa%25b"));
  EXPECT_EQ(Load(), "slash");
  Let("N", name + sj("/日本"));
  Save("jp");
  EXPECT_TRUE(BlockExists(name + "%2F日本"));
  EXPECT_EQ(Load(), "jp");
}

}  // namespace
