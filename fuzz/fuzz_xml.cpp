// The XML/HTML tag reader and the outline reader, then the writer and the
// path look-ups. The input is the document, a zero byte, then a path.
#include "commands/xml_document.h"
#include "fuzz/fuzz_support.h"

KOBUFUZZ_ALLOCATOR

namespace {
void Exercise(kobu::TMXmlDocument& doc, std::string_view path) {
  doc.LeafPaths();
  doc.FindFirst(path);
  doc.FindAll(path);
  doc.Rewrite = true;
  doc.Text();
  if (!path.empty()) {
    doc.Create(path);
    doc.Text();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  const auto parts = kobufuzz::SplitAtZero(data, size);
  const std::string_view text = parts.first, path = parts.second;
  try {
    kobu::TMXmlDocument doc;
    doc.LoadXml(text);
    Exercise(doc, path);
    // The written text reads again.
    std::string again = doc.Text();
    kobu::TMXmlDocument second;
    second.LoadXml(again);
  } catch (const kobu::EXml&) {
  } catch (const std::bad_alloc&) {
  }
  try {
    kobu::TMXmlDocument doc;
    doc.LoadOutline(text);
    Exercise(doc, path);
  } catch (const kobu::EXml&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
