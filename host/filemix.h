// The packed-file container ("fMix"): named files bundled in one file, either
// on their own or appended to a copy of the runtime executable. Qt-free.
//
// Layout, little-endian: "fMix", version 1 (1 byte), entry count (2), total
// size (4), then 265-byte records (name upper-cased and zero-padded to 256,
// data offset 4, data size 4, flag 1: 1 = scrambled), then the data blocks.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kobu {

struct TKobuBase;

// Names are compared upper-cased (ASCII letters; double-byte characters as they are).
std::string UpperEntryName(std::string_view name);

class TFileMixReader {
 public:
  // Opens the container that fills the native file from `offset` on (0 for a
  // container file of its own). False with `error` set (script text, CP932)
  // when it is not a well-formed container; `displayPath` names it there.
  bool Open(const std::string& nativePath, uint64_t offset, const std::string& displayPath, std::string& error);

  bool HasEntry(std::string_view name) const;
  // The entry's bytes, unscrambled. False for a missing entry or a failed read.
  bool OpenEntry(std::string_view name, std::string& bytes) const;
  bool ExtractEntry(std::string_view name, const std::string& nativePath) const;
  // OpenEntry, cut at the first zero byte.
  bool ReadEntryText(std::string_view name, std::string& text) const;
  // Writes the whole container, unchanged, to a file of its own.
  bool CopyContainer(const std::string& nativePath) const;

 private:
  struct TEntry {
    uint32_t offset = 0, size = 0;
    uint8_t flag = 0;
  };
  bool ReadAt(uint64_t at, size_t size, std::string& out) const;
  std::string path_;
  uint64_t base_ = 0, length_ = 0;
  std::unordered_map<std::string, TEntry> entries_;
};

class TFileMixWriter {
 public:
  // Lines of "source=name=flag".
  std::vector<std::string> Lines;
  // Writes the container; false with `error` (CP932) set on failure.
  bool SaveToFile(const std::string& nativePath, std::string& error) const;
};

// Scrambling of entries whose flag is 1 (its own inverse).
std::string ScrambleEntry(std::string data);

// Where the executable image of an ELF file ends: the furthest end of its
// headers, segments and sections. 0 when the file is not ELF.
uint64_t ElfImageEnd(const std::string& nativePath);
// The offset of the container attached after the image, when there is one
// (a byte "f" follows the image somewhere).
bool FindAttachedContainer(const std::string& nativePath, uint64_t& offset);

// A packed file of the run's container, extracted once into the private
// temporary folder: its path (CP932), or empty when the container has no such
// entry or there is no container.
std::string ResolvePackedFile(TKobuBase& base, const std::string& name);

// Makes a packed program: the runtime's executable image (without any
// container it carries), then a container holding the script text as
// KOBURANE.KBR and each resource file under its file name.
bool PackProgram(const std::string& runtimePath, const std::string& scriptText,
                 const std::vector<std::string>& resources, const std::string& outPath, std::string& error);

}  // namespace kobu
