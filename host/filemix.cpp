#include "host/filemix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "commands/args.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"
#include "system/scrambled_file.h"

namespace kobu {

namespace {

constexpr size_t kHeaderSize = 11;
constexpr size_t kRecordSize = 265;
constexpr size_t kNameField = 256;

void PutLE(std::string& out, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint64_t GetLE(std::string_view in, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
  return v;
}

uint64_t GetBE(std::string_view in, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
  return v;
}

std::string FormatError(const std::string& displayPath) {
  return FillArgs(sj("\"%s\"は、TFileMixHeaderでは形式が違うため読めません。"), {displayPath});
}

// The same key for writing and reading: containers are portable between
// runtimes that share it.
const std::string& EntryKey() {
  static const std::string key = sj("こぶらね=fMix=v1");
  return key;
}

bool PRead(int fd, uint64_t at, size_t size, std::string& out) {
  out.resize(size);
  size_t got = 0;
  while (got < size) {
    ssize_t n = pread(fd, out.data() + got, size - got, static_cast<off_t>(at + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

struct TPackEntry {
  std::string name;  // CP932, upper-cased
  std::string data;
  uint8_t flag = 0;
};

// The container's bytes for the entries, in their order.
bool BuildContainer(const std::vector<TPackEntry>& entries, std::string& out, std::string& error) {
  if (entries.size() > 65535) {
    error = FillArgs(sj("数値\"%s\"は範囲外です。"), {std::to_string(entries.size())});
    return false;
  }
  uint64_t total = kHeaderSize + kRecordSize * entries.size();
  for (const auto& e : entries) total += e.data.size();
  if (total > 0xFFFFFFFFull) {
    error = FillArgs(sj("数値\"%s\"は範囲外です。"), {std::to_string(total)});
    return false;
  }
  out.assign(kHeaderSize + kRecordSize * entries.size(), '\0');
  out.reserve(total);
  out.replace(0, 4, "fMix");
  out[4] = 1;
  PutLE(out, 5, entries.size(), 2);
  PutLE(out, 7, total, 4);
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPackEntry& e = entries[i];
    size_t rec = kHeaderSize + kRecordSize * i;
    out.replace(rec, e.name.size(), e.name);
    PutLE(out, rec + 256, out.size(), 4);
    PutLE(out, rec + 260, e.data.size(), 4);
    out[rec + 264] = static_cast<char>(e.flag);
    out += e.flag == 1 ? ScrambleEntry(e.data) : e.data;
  }
  return true;
}

// A name of at most 255 bytes, cut on a character boundary.
std::string EntryName(std::string_view name) {
  std::string upper = UpperEntryName(name);
  size_t keep = 0;
  while (keep < upper.size()) {
    size_t n = CharLenAt(upper, keep);
    if (keep + n > kNameField - 1) break;
    keep += n;
  }
  upper.resize(keep);
  return upper;
}

}  // namespace

std::string UpperEntryName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size(); i += CharLenAt(out, i))
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  return out;
}

std::string ScrambleEntry(std::string data) { return ScrambleBytes(std::move(data), EntryKey()); }

// Reader ------------------------------------------------------------------

bool TFileMixReader::Open(const std::string& nativePath, uint64_t offset, const std::string& displayPath,
                          std::string& error) {
  entries_.clear();
  path_ = nativePath;
  base_ = offset;
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) < offset) {
    if (fd >= 0) close(fd);
    error = FillArgs(sj("ファイル\"%s\"の、読み込みか書き込みに、失敗しました。"), {displayPath});
    return false;
  }
  length_ = static_cast<uint64_t>(st.st_size) - offset;
  std::string head;
  bool ok = length_ >= kHeaderSize && PRead(fd, base_, kHeaderSize, head) && head.compare(0, 4, "fMix") == 0;
  size_t count = ok ? GetLE(head, 5, 2) : 0;
  std::string records;
  // Every record must lie inside the file, and every name must end in a zero.
  ok = ok && kHeaderSize + kRecordSize * count <= length_ &&
       PRead(fd, base_ + kHeaderSize, kRecordSize * count, records);
  close(fd);
  for (size_t i = 0; ok && i < count; ++i) {
    std::string_view rec(records.data() + kRecordSize * i, kRecordSize);
    size_t zero = rec.substr(0, kNameField).find('\0');
    if (zero == std::string_view::npos) {
      ok = false;
      break;
    }
    TEntry e;
    e.offset = static_cast<uint32_t>(GetLE(rec, 256, 4));
    e.size = static_cast<uint32_t>(GetLE(rec, 260, 4));
    e.flag = static_cast<uint8_t>(rec[264]);
    entries_[std::string(rec.substr(0, zero))] = e;  // a later record replaces an earlier one
  }
  if (!ok) {
    entries_.clear();
    error = FormatError(displayPath);
  }
  return ok;
}

bool TFileMixReader::ReadAt(uint64_t at, size_t size, std::string& out) const {
  if (at > length_ || size > length_ - at) return false;  // never outside the container
  int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = PRead(fd, base_ + at, size, out);
  close(fd);
  return ok;
}

bool TFileMixReader::HasEntry(std::string_view name) const { return entries_.count(UpperEntryName(name)) != 0; }

bool TFileMixReader::OpenEntry(std::string_view name, std::string& bytes) const {
  auto it = entries_.find(UpperEntryName(name));
  if (it == entries_.end()) return false;
  std::string data;
  if (!ReadAt(it->second.offset, it->second.size, data)) return false;
  bytes = it->second.flag == 1 ? ScrambleEntry(std::move(data)) : std::move(data);
  return true;
}

bool TFileMixReader::ExtractEntry(std::string_view name, const std::string& nativePath) const {
  std::string bytes;
  return OpenEntry(name, bytes) && WriteWholeFile(nativePath, bytes);
}

bool TFileMixReader::ReadEntryText(std::string_view name, std::string& text) const {
  std::string bytes;
  if (!OpenEntry(name, bytes)) return false;
  size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  text = std::move(bytes);
  return true;
}

bool TFileMixReader::CopyContainer(const std::string& nativePath) const {
  std::string all;
  return ReadAt(0, length_, all) && WriteWholeFile(nativePath, all);
}

// Writer ------------------------------------------------------------------

bool TFileMixWriter::SaveToFile(const std::string& nativePath, std::string& error) const {
  std::vector<TPackEntry> entries;
  for (const std::string& line : Lines) {
    TCut first = CutToken("=", line);
    TCut second = CutToken("=", first.rest);
    long long flag = IntegerText(second.rest, 0);
    if (flag < 0 || flag > 255) {
      error = FillArgs(sj("数値\"%s\"は範囲外です。"), {second.rest});
      return false;
    }
    TPackEntry e;
    e.name = EntryName(second.head);
    e.flag = static_cast<uint8_t>(flag);
    if (!ReadWholeFile(NativePath(first.head), e.data)) {
      error = FillArgs(sj("ファイル\"%s\"の、読み込みか書き込みに、失敗しました。"), {first.head});
      return false;
    }
    entries.push_back(std::move(e));
  }
  std::string bytes;
  if (!BuildContainer(entries, bytes, error)) return false;
  if (!WriteWholeFile(nativePath, bytes)) {
    error = FillArgs(sj("ファイル\"%s\"の、読み込みか書き込みに、失敗しました。"), {ScriptPath(nativePath)});
    return false;
  }
  return true;
}

// The attached container --------------------------------------------------

uint64_t ElfImageEnd(const std::string& nativePath) {
  std::string file;
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st {};
  uint64_t size = fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  std::string h;
  bool elf = size >= 52 && PRead(fd, 0, 64 <= size ? 64 : 52, h) && h.compare(0, 4, "\x7F" "ELF") == 0 &&
             (h[4] == 1 || h[4] == 2) && (h[5] == 1 || h[5] == 2);
  if (!elf || (h[4] == 2 && h.size() < 64)) {
    close(fd);
    return 0;
  }
  bool wide = h[4] == 2, little = h[5] == 1;
  auto get = [little](std::string_view in, size_t at, int bytes) {
    return little ? GetLE(in, at, bytes) : GetBE(in, at, bytes);
  };
  uint64_t phoff = wide ? get(h, 0x20, 8) : get(h, 0x1C, 4);
  uint64_t shoff = wide ? get(h, 0x28, 8) : get(h, 0x20, 4);
  uint64_t ehsize = get(h, wide ? 0x34 : 0x28, 2);
  uint64_t phentsize = get(h, wide ? 0x36 : 0x2A, 2), phnum = get(h, wide ? 0x38 : 0x2C, 2);
  uint64_t shentsize = get(h, wide ? 0x3A : 0x2E, 2), shnum = get(h, wide ? 0x3C : 0x30, 2);
  uint64_t end = ehsize;
  auto extend = [&end, size](uint64_t at, uint64_t len) {
    if (at <= size && len <= size - at && at + len > end) end = at + len;
  };
  extend(phoff, phentsize * phnum);
  extend(shoff, shentsize * shnum);
  std::string table;
  if (phentsize >= (wide ? 0x28u : 0x20u) && phoff + phentsize * phnum <= size && PRead(fd, phoff, phentsize * phnum, table))
    for (uint64_t i = 0; i < phnum; ++i) {
      size_t at = i * phentsize;
      extend(wide ? get(table, at + 8, 8) : get(table, at + 4, 4), wide ? get(table, at + 0x20, 8) : get(table, at + 0x10, 4));
    }
  if (shentsize >= (wide ? 0x40u : 0x28u) && shoff + shentsize * shnum <= size && PRead(fd, shoff, shentsize * shnum, table))
    for (uint64_t i = 0; i < shnum; ++i) {
      size_t at = i * shentsize;
      if (get(table, at + 4, 4) == 8) continue;  // SHT_NOBITS takes no room in the file
      extend(wide ? get(table, at + 0x18, 8) : get(table, at + 0x10, 4), wide ? get(table, at + 0x20, 8) : get(table, at + 0x14, 4));
    }
  close(fd);
  return end;
}

bool FindAttachedContainer(const std::string& nativePath, uint64_t& offset) {
  uint64_t end = ElfImageEnd(nativePath);
  if (end == 0) return false;
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool found = false;
  char buf[65536];
  for (uint64_t at = end;;) {
    ssize_t n = pread(fd, buf, sizeof buf, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (std::string_view(buf, static_cast<size_t>(n)).find('f') != std::string_view::npos) {
      found = true;
      break;
    }
    at += static_cast<uint64_t>(n);
  }
  close(fd);
  if (found) offset = end;
  return found;
}

std::string ResolvePackedFile(TKobuBase& base, const std::string& name) {
  if (!base.PackedReader) return std::string();
  std::string upper = UpperEntryName(name);
  if (!base.PackedReader->HasEntry(upper)) return std::string();
  std::string flat;
  for (size_t i = 0; i < upper.size(); i += CharLenAt(upper, i)) {
    char c = upper[i];
    if (CharLenAt(upper, i) == 1 && (c == ':' || c == '\\' || c == '/')) flat += "__";
    else flat.append(upper, i, CharLenAt(upper, i));
  }
  const std::string& folder = PrivateTempFolder();
  std::string path = folder + "/" + Cp932ToUtf8(flat);
  struct stat st {};
  if (folder.empty() || (stat(path.c_str(), &st) != 0 && !base.PackedReader->ExtractEntry(upper, path)))
    ScriptError(base, "実行ファイルに梱包されている\"%s\"の展開に失敗しました。", {upper});
  return ScriptPath(path);
}

bool PackProgram(const std::string& runtimePath, const std::string& scriptText,
                 const std::vector<std::string>& resources, const std::string& outPath, std::string& error) {
  std::string image;
  uint64_t end = ElfImageEnd(runtimePath);
  if (end == 0 || !ReadWholeFile(runtimePath, image)) {
    error = FillArgs(sj("ファイル\"%s\"の、読み込みか書き込みに、失敗しました。"), {ScriptPath(runtimePath)});
    return false;
  }
  image.resize(end);  // a runtime that is itself packed leaves its own container out
  std::vector<TPackEntry> entries;
  entries.push_back({"KOBURANE.KBR", scriptText, 1});
  for (const std::string& r : resources) {
    TPackEntry e;
    e.name = EntryName(FileNamePart(r));
    if (!ReadWholeFile(NativePath(r), e.data)) {
      error = FillArgs(sj("ファイル\"%s\"の、読み込みか書き込みに、失敗しました。"), {r});
      return false;
    }
    entries.push_back(std::move(e));
  }
  std::string container;
  if (!BuildContainer(entries, container, error)) return false;
  if (!WriteWholeFile(outPath, image + container) || chmod(outPath.c_str(), 0755) != 0) {
    error = FillArgs(sj("ファイル\"%s\"の、読み込みか書き込みに、失敗しました。"), {ScriptPath(outPath)});
    return false;
  }
  return true;
}

}  // namespace kobu
