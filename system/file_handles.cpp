#include "system/file_handles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "commands/args.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "host/security.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "system/text_file.h"

namespace kobu {

namespace {

// The value a handle variable carries.
const std::string kHandleMarker = "\\FILE_HANDLE";

constexpr size_t kReadAhead = 4096;
constexpr size_t kSharedBlockSize = 256;

// What a handle variable and its stream share: the stream of a variable is
// the open stream holding the very same link, so a value that merely looks
// like a handle, or a handle whose stream was closed, finds nothing.
struct THandleLink {};

// A file with a read-ahead buffer and one line position. Line reading moves
// through the buffer; byte reads and writes use the file's own position,
// which after line reading is the end of the block read ahead.
class TTextFileStream : public TRunResource {
 public:
  TTextFileStream(int fd, std::string name, std::shared_ptr<void> link)
      : fd_(fd), name_(std::move(name)), link_(std::move(link)) {}
  ~TTextFileStream() override { close(fd_); }
  TTextFileStream(const TTextFileStream&) = delete;
  TTextFileStream& operator=(const TTextFileStream&) = delete;

  const std::string& Name() const { return name_; }
  const void* Link() const { return link_.get(); }

  // One line without its end: CR LF, a lone CR, a lone LF or a zero byte.
  // At the end of the file the line is empty and the position stays. In a
  // UTF-8 file no byte of a character can be a line end, so bytes are not
  // paired, and a BOM at the very start is skipped.
  bool ReadLine(std::string& line, bool utf8) {
    line.clear();
    int64_t p = linePos_;
    if (utf8 && p == 0) {
      int b0 = ByteAt(0), b1 = ByteAt(1), b2 = ByteAt(2);
      if (b0 == kFailed || b1 == kFailed || b2 == kFailed) return false;
      if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) p = 3;
    }
    for (;;) {
      // Plain bytes that are already read ahead go over in one piece.
      if (p >= bufStart_ && p - bufStart_ < static_cast<int64_t>(bufLen_)) {
        const char* from = buf_ + (p - bufStart_);
        const char* to = from;
        const char* end = buf_ + bufLen_;
        while (to < end && !IsSpecial(static_cast<unsigned char>(*to), utf8)) ++to;
        line.append(from, to);
        p += to - from;
      }
      int c = ByteAt(p);
      if (c == kFailed) return false;
      if (c == kEnd) break;
      ++p;
      if (c == '\n' || c == 0) break;
      if (c == '\r') {
        int d = ByteAt(p);
        if (d == kFailed) return false;
        if (d == '\n') ++p;
        break;
      }
      line += static_cast<char>(c);
      // A double-byte character is taken whole, whatever its second byte.
      if (!utf8 && IsLeadByte(static_cast<unsigned char>(c))) {
        int d = ByteAt(p);
        if (d == kFailed) return false;
        if (d != kEnd) {
          line += static_cast<char>(d);
          ++p;
        }
      }
    }
    linePos_ = p;
    return true;
  }

  // The text and CR LF over what stands at the line position.
  bool WriteLine(std::string_view text) {
    std::string data(text);
    data += "\r\n";
    Discard();
    if (lseek(fd_, linePos_, SEEK_SET) < 0 || !WriteAllBytes(fd_, data)) return false;
    linePos_ += static_cast<int64_t>(data.size());
    return true;
  }

  // `bytes`, then `zeros` zero bytes, at the file position.
  bool WriteBytes(std::string_view bytes, uint64_t zeros) {
    Discard();
    if (!WriteAllBytes(fd_, bytes)) return false;
    static const char kZeros[65536] = {};
    while (zeros > 0) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(zeros, sizeof kZeros));
      if (!WriteAllBytes(fd_, std::string_view(kZeros, n))) return false;
      zeros -= n;
    }
    return true;
  }

  // Up to n bytes from the file position; fewer at the end of the file.
  bool ReadBytes(uint64_t n, std::string& out) {
    out.clear();
    off_t pos = lseek(fd_, 0, SEEK_CUR);
    struct stat st {};
    if (pos < 0 || fstat(fd_, &st) != 0) return false;
    uint64_t left = st.st_size > pos ? static_cast<uint64_t>(st.st_size - pos) : 0;
    out.resize(static_cast<size_t>(std::min(n, left)));
    size_t got = 0;
    while (got < out.size()) {
      ssize_t r = read(fd_, out.data() + got, out.size() - got);
      if (r < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (r == 0) break;
      got += static_cast<size_t>(r);
    }
    out.resize(got);
    return true;
  }

  // Both positions at once; the read-ahead no longer belongs to them.
  bool Seek(int64_t offset) {
    if (offset < 0) offset = 0;
    Discard();
    if (lseek(fd_, offset, SEEK_SET) < 0) return false;
    linePos_ = offset;
    return true;
  }

  bool SeekToEnd() {
    Discard();
    off_t end = lseek(fd_, 0, SEEK_END);
    if (end < 0) return false;
    linePos_ = end;
    return true;
  }

  bool AtEnd(bool& atEnd) {
    struct stat st {};
    if (fstat(fd_, &st) != 0) return false;
    atEnd = linePos_ >= st.st_size;
    return true;
  }

 private:
  static constexpr int kEnd = -1;
  static constexpr int kFailed = -2;

  // A byte that ends a line or begins a double-byte character.
  static bool IsSpecial(unsigned char c, bool utf8) {
    return c == '\r' || c == '\n' || c == 0 || (!utf8 && IsLeadByte(c));
  }

  // The byte at a file offset, reading the block that begins there when the
  // buffer does not hold it.
  int ByteAt(int64_t offset) {
    if (offset >= bufStart_ && offset - bufStart_ < static_cast<int64_t>(bufLen_))
      return static_cast<unsigned char>(buf_[offset - bufStart_]);
    bufStart_ = offset;
    bufLen_ = 0;
    if (lseek(fd_, offset, SEEK_SET) < 0) return kFailed;
    while (bufLen_ < kReadAhead) {
      ssize_t r = read(fd_, buf_ + bufLen_, kReadAhead - bufLen_);
      if (r < 0) {
        if (errno == EINTR) continue;
        bufLen_ = 0;
        return kFailed;
      }
      if (r == 0) break;
      bufLen_ += static_cast<size_t>(r);
    }
    return bufLen_ == 0 ? kEnd : static_cast<unsigned char>(buf_[0]);
  }

  void Discard() { bufLen_ = 0; }

  int fd_;
  std::string name_;
  std::shared_ptr<void> link_;
  char buf_[kReadAhead];
  int64_t bufStart_ = 0;
  size_t bufLen_ = 0;
  int64_t linePos_ = 0;
};

[[noreturn]] void ReadWriteFailure(TKobuBase& base, const std::string& name) {
  ScriptError(base, "ファイル\"%s\"の、読み込みか書き込みに、失敗しました。", {name});
}

// A name as written, without the backquotes that may surround it.
std::string WordName(std::string raw) {
  if (raw.size() >= 2 && raw.front() == '`' && raw.back() == '`') raw = raw.substr(1, raw.size() - 2);
  return raw;
}

// The slot of the stream a word is the handle of; -1 when it is none.
long SlotOf(TKobuBase& base, const THashNode* node) {
  if (!node || node->Kind != wkVariable || node->Value != kHandleMarker || !node->Extra) return -1;
  for (size_t i = 0; i < base.FileHandles.size(); ++i) {
    auto* s = dynamic_cast<TTextFileStream*>(base.FileHandles[i].get());
    if (s && s->Link() == node->Extra.get()) return static_cast<long>(i);
  }
  return -1;
}

TTextFileStream* StreamOf(TKobuBase& base, const THashNode* node) {
  long slot = SlotOf(base, node);
  return slot < 0 ? nullptr : static_cast<TTextFileStream*>(base.FileHandles[static_cast<size_t>(slot)].get());
}

// The handle of the line commands: a missing one is a missing file.
TTextFileStream* LineHandle(TKobuBase& base, const std::string& name) {
  TTextFileStream* s = StreamOf(base, base.Words.Find(name, false));
  if (!s) ScriptError(base, "ファイル\"%s\"が、ありません。", {sj("ハンドル:") + name});
  return s;
}

// The handle of the positioning and byte commands.
TTextFileStream* VariableHandle(TKobuBase& base, const THashNode* node, const std::string& name) {
  TTextFileStream* s = StreamOf(base, node);
  if (!s) ScriptError(base, "変数\"%s\"が見つかりません。", {name});
  return s;
}

void CheckWritable(TKobuBase& base, const THashNode* node) {
  if (node->Reserved) ScriptError(base, "\"%s\"は、読取専用です。", {node->Name});
}

// The variable a command answers into, made at the current scope level when missing.
THashNode* TargetVariable(TKobuBase& base, const std::string& name) {
  THashNode* node = base.Words.Find(name, false);
  if (!node) return CreateVariable(base, name);
  CheckWritable(base, node);
  return node;
}

// Makes `var` the handle of the file opened with `flags`.
void OpenInto(TKobuBase& base, THashNode* var, const std::string& file, int flags) {
  int fd = open(NativePath(file).c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) ReadWriteFailure(base, file);
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    ReadWriteFailure(base, file);
  }
  // Opening into a handle again closes the old stream, which nothing could reach any more.
  if (long old = SlotOf(base, var); old >= 0) base.FileHandles[static_cast<size_t>(old)].reset();
  auto link = std::make_shared<THandleLink>();
  auto stream = std::make_unique<TTextFileStream>(fd, file, link);
  auto free = std::find(base.FileHandles.begin(), base.FileHandles.end(), nullptr);
  if (free != base.FileHandles.end()) *free = std::move(stream);
  else base.FileHandles.push_back(std::move(stream));
  var->Value = kHandleMarker;
  var->TypeMark = "s";
  var->Extra = std::move(link);
}

// The variable of the opening commands: created when missing, refused when read-only.
THashNode* HandleVariable(TKobuBase& base) {
  THashNode* var = ArgWord(base, true);
  if (var->Reserved || var->Kind != wkVariable) ScriptError(base, "\"%s\"は、読取専用です。", {var->Name});
  return var;
}

bool MayOperateOn(TKobuBase& base, const std::string& file) {
  return CheckFileAccess(base, file, sj("ファイル") + "\"" + file + "\"" + sj("を操作しようとしています。よろしいですか？"));
}

}  // namespace

void CmdOpenHandle(TKobuBase& base) {
  std::string file = ArgText(base);
  THashNode* var = HandleVariable(base);
  if (!MayOperateOn(base, file)) return;
  OpenInto(base, var, file, O_RDWR | O_CREAT);
}

void CmdOpenHandleWithMode(TKobuBase& base) {
  int32_t mode = ArgInteger(base);
  std::string file = ArgText(base);
  THashNode* var = HandleVariable(base);
  int flags;
  if (mode == 0xFFFF) {
    flags = O_RDWR | O_CREAT | O_TRUNC;
  } else {
    // The share flags (16, 32, 48, 64) have no meaning here.
    switch (mode & ~0x70) {
      case 0: flags = O_RDONLY; break;
      case 1: flags = O_WRONLY; break;
      case 2: flags = O_RDWR; break;
      default:
        ScriptError(base, "\"%s\"命令の引数に誤りがあります。ファイルを開くモード%sは使えません。",
                    {RunningCommandName(base, "ハンドルを詳しく開く"), std::to_string(mode)});
    }
  }
  if (!MayOperateOn(base, file)) return;
  OpenInto(base, var, file, flags);
}

void CmdReadHandleLine(TKobuBase& base) {
  std::string handle = WordName(ArgName(base));
  std::string name = WordName(ArgName(base));
  TTextFileStream* s = LineHandle(base, handle);
  std::string line;
  bool utf8 = CurrentFileEncoding(base) == feUtf8;
  if (!s->ReadLine(line, utf8)) ReadWriteFailure(base, s->Name());
  if (utf8) line = Utf8ToScriptText(base, line, sj("ファイル\"") + s->Name() + "\"");
  THashNode* var = TargetVariable(base, name);
  var->Value = std::move(line);
  var->TypeMark = "s";
}

void CmdWriteHandleLine(TKobuBase& base) {
  std::string handle = WordName(ArgName(base));
  std::string text = ArgText(base);
  // At the high level nothing may change, and that is not reported.
  if (base.SecurityLevel == 2) return;
  TTextFileStream* s = LineHandle(base, handle);
  if (!s->WriteLine(TextForFile(base, std::move(text), s->Name()))) ReadWriteFailure(base, s->Name());
}

void CmdCloseHandle(TKobuBase& base) {
  std::string name = WordName(ArgName(base));
  THashNode* node = base.Words.Find(name, false);
  if (!node) return;
  long slot = SlotOf(base, node);
  if (slot < 0) ScriptError(base, "変数\"%s\"が見つかりません。", {name});
  base.FileHandles[static_cast<size_t>(slot)].reset();
  // The interpreter holds the system variables directly: those only lose the handle.
  if (node == base.Sore || node->Number < 0) {
    node->Value.clear();
    node->Extra.reset();
  } else {
    base.Words.Delete(name, false);
  }
}

void CmdHandleAtEnd(TKobuBase& base) {
  std::string name = WordName(ArgName(base));
  TTextFileStream* s = VariableHandle(base, base.Words.Find(name, false), name);
  bool atEnd = false;
  if (!s->AtEnd(atEnd)) ReadWriteFailure(base, s->Name());
  SetResult(base, atEnd ? "1" : "0", "e");
}

void CmdHandleToStart(TKobuBase& base) {
  std::string name = WordName(ArgName(base));
  TTextFileStream* s = VariableHandle(base, base.Words.Find(name, false), name);
  if (!s->Seek(0)) ReadWriteFailure(base, s->Name());
}

void CmdHandleToEnd(TKobuBase& base) {
  std::string name = WordName(ArgName(base));
  TTextFileStream* s = VariableHandle(base, base.Words.Find(name, false), name);
  if (!s->SeekToEnd()) ReadWriteFailure(base, s->Name());
}

void CmdHandleSeek(TKobuBase& base) {
  int32_t offset = ArgInteger(base);
  std::string name = WordName(ArgName(base));
  TTextFileStream* s = VariableHandle(base, base.Words.Find(name, false), name);
  if (!s->Seek(offset)) ReadWriteFailure(base, s->Name());
}

void CmdHandleWriteBinary(TKobuBase& base) {
  int32_t n = ArgInteger(base);
  THashNode* handle = ArgWord(base, false);
  std::string value = ArgText(base);
  TTextFileStream* s = VariableHandle(base, handle, handle->Name);
  if (n <= 0) return;
  size_t count = static_cast<size_t>(n);
  std::string_view head(value.data(), std::min(count, value.size()));
  if (!s->WriteBytes(head, count - head.size())) ReadWriteFailure(base, s->Name());
}

void CmdHandleReadBinary(TKobuBase& base) {
  int32_t n = ArgInteger(base);
  THashNode* handle = ArgWord(base, false);
  std::string name = WordName(ArgName(base));
  TTextFileStream* s = VariableHandle(base, handle, handle->Name);
  if (n < 1) return;
  // Past the end of the file the value is shorter: only bytes that are there.
  std::string bytes;
  if (!s->ReadBytes(static_cast<uint64_t>(n), bytes)) ReadWriteFailure(base, s->Name());
  THashNode* var = TargetVariable(base, name);
  var->Value = std::move(bytes);
  var->TypeMark = "s";
}

// Named shared memory. A name of the script becomes a POSIX shared memory
// object; blocks written stay with the run, and one this process made
// disappears with it, as an unheld block does on the original platform.
namespace {

// "/koburane." and the name in UTF-8, with the bytes a shared memory name
// cannot hold percent-escaped. A name that is not clean CP932 keeps its own
// bytes (escaped), so that different names stay different.
std::string SharedMemoryName(const std::string& name) {
  bool lossless = true;
  std::string utf8 = Cp932ToUtf8(name, &lossless);
  const std::string& bytes = lossless ? utf8 : name;
  std::string out = "/koburane.";
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : bytes) {
    if (c == '/' || c == '%' || c < 0x20 || c == 0x7F || (!lossless && c >= 0x80)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

class TSharedBlock : public TRunResource {
 public:
  TSharedBlock(std::string shmName, int fd, bool created)
      : ShmName(std::move(shmName)), Fd(fd), Created(created) {}
  ~TSharedBlock() override {
    close(Fd);
    if (Created) shm_unlink(ShmName.c_str());
  }
  TSharedBlock(const TSharedBlock&) = delete;
  TSharedBlock& operator=(const TSharedBlock&) = delete;

  const std::string ShmName;
  const int Fd;
  const bool Created;
};

// Opens the block, making it (256 zero bytes) when it does not exist; -1 on failure.
int OpenSharedBlock(const std::string& shmName, bool& created) {
  created = false;
  int fd = shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  if (fd >= 0) {
    created = true;
  } else {
    if (errno != EEXIST) return -1;
    fd = shm_open(shmName.c_str(), O_RDWR, 0600);
    if (fd < 0) return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 ||
      (st.st_size < static_cast<off_t>(kSharedBlockSize) && ftruncate(fd, kSharedBlockSize) != 0)) {
    close(fd);
    if (created) shm_unlink(shmName.c_str());
    return -1;
  }
  return fd;
}

TSharedBlock* HeldBlock(TKobuBase& base, const std::string& shmName) {
  for (auto& r : base.SharedBlocks)
    if (auto* b = dynamic_cast<TSharedBlock*>(r.get()); b && b->ShmName == shmName) return b;
  return nullptr;
}

bool WriteAt(int fd, const char* p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t w = pwrite(fd, p, n, at);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w, at += w, n -= static_cast<size_t>(w);
  }
  return true;
}

// The block's bytes up to its first zero byte (at most 256 of them).
bool ReadBlockText(int fd, std::string& text) {
  char buf[kSharedBlockSize];
  size_t got = 0;
  while (got < sizeof buf) {
    ssize_t r = pread(fd, buf + got, sizeof buf - got, static_cast<off_t>(got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  text.assign(buf, static_cast<size_t>(std::find(buf, buf + got, '\0') - buf));
  return true;
}

}  // namespace

void CmdSharedSave(TKobuBase& base) {
  std::string name = ArgText(base);
  std::string shmName = SharedMemoryName(name);
  TSharedBlock* block = HeldBlock(base, shmName);
  if (!block) {
    bool created = false;
    int fd = OpenSharedBlock(shmName, created);
    if (fd < 0) ScriptErrorSj(base, name + sj("を開けません。"));
    auto made = std::make_unique<TSharedBlock>(shmName, fd, created);
    block = made.get();
    base.SharedBlocks.push_back(std::move(made));
  }
  // Never past the block: a value of 256 bytes or more fills it without a terminator.
  const std::string& value = base.Sore->Value;
  size_t n = std::min(value.size(), kSharedBlockSize);
  bool ok = WriteAt(block->Fd, value.data(), n, 0);
  if (ok && n < kSharedBlockSize) ok = WriteAt(block->Fd, "", 1, static_cast<off_t>(n));
  if (!ok) ScriptErrorSj(base, name + sj("を開けません。"));
}

void CmdSharedLoad(TKobuBase& base) {
  std::string name = ArgText(base);
  std::string shmName = SharedMemoryName(name);
  std::string text;
  if (TSharedBlock* block = HeldBlock(base, shmName)) {
    if (!ReadBlockText(block->Fd, text)) text.clear();
  } else {
    bool created = false;
    int fd = OpenSharedBlock(shmName, created);
    if (fd >= 0) {
      if (!ReadBlockText(fd, text)) text.clear();
      close(fd);
      // Made only for this read: nobody holds it, so it is gone again.
      if (created) shm_unlink(shmName.c_str());
    }
  }
  bool numeric = !text.empty() && (text[0] == '$' || (text[0] >= '0' && text[0] <= '9'));
  SetResult(base, std::move(text), numeric ? "e" : "s");
}

}  // namespace kobu
