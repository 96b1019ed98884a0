// The packed-file container reader over arbitrary bytes in a file: the
// header and records, every entry named in the records, the copy, and the
// search for a container attached to an ELF image.
#include "host/filemix.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1024 * 1024) return 0;
  const std::string path = kobufuzz::WorkFolder() + "/in.bin";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    std::abort();
  }
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<uint64_t> offsets = {0};
  uint64_t attached = 0;
  if (kobu::FindAttachedContainer(path, attached)) offsets.push_back(attached);
  kobu::ElfImageEnd(path);
  for (uint64_t offset : offsets) {
    kobu::TFileMixReader reader;
    std::string error;
    if (!reader.Open(path, offset, "in.bin", error)) continue;
    size_t count = 0;
    if (offset + 7 <= size)
      count = static_cast<unsigned char>(bytes[offset + 5]) | (static_cast<unsigned char>(bytes[offset + 6]) << 8);
    for (size_t i = 0; i < count && i < 32; ++i) {
      size_t rec = offset + 11 + 265 * i;
      if (rec + 265 > size) break;
      std::string name(bytes.substr(rec, 256).substr(0, bytes.substr(rec, 256).find('\0')));
      std::string entry, textEntry;
      reader.HasEntry(name);
      reader.OpenEntry(name, entry);
      reader.ReadEntryText(name, textEntry);
      if (i == 0) reader.ExtractEntry(name, kobufuzz::WorkFolder() + "/out.bin");
    }
    reader.CopyContainer(kobufuzz::WorkFolder() + "/copy.bin");
  }
  kobufuzz::CleanSandbox();
  return 0;
}
