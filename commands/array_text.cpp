#include "commands/array_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "commands/number_commands.h"
#include "core/expression.h"
#include "core/sjis.h"

namespace kobu {

std::vector<std::string> ReadArrayText(std::string_view text) {
  return SplitLines(text.substr(0, text.find('\0')));
}

std::string WriteArrayText(const std::vector<std::string>& elements) {
  size_t size = 0;
  for (const auto& e : elements) size += e.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& e : elements) {
    out += e;
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> SplitAtSeparator(std::string_view text, std::string_view separator) {
  std::vector<std::string> out;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    size_t len = CharLenAt(text, i);
    if (separator.empty()) {
      out.emplace_back(text.substr(i, len));
      start = i += len;
      continue;
    }
    if (text.compare(i, separator.size(), separator) == 0) {
      out.emplace_back(text.substr(start, i - start));
      start = i += separator.size();
      continue;
    }
    i += len;
  }
  if (start < text.size()) out.emplace_back(text.substr(start));
  return out;
}

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size();) {
    size_t len = CharLenAt(out, i);
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (len == 1) {
      if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
    } else {
      unsigned code = (c << 8) | static_cast<unsigned char>(out[i + 1]);
      unsigned folded = code;
      if (code >= 0x8260 && code <= 0x8279) folded = code + 0x21;       // full-width Latin
      else if (code >= 0x839F && code <= 0x83B6) folded = code + 0x20;  // Greek
      else if (code >= 0x8440 && code <= 0x8460) {                     // Cyrillic; 0x847F is no letter
        unsigned k = code - 0x8440;
        folded = k < 15 ? 0x8470 + k : 0x8480 + (k - 15);
      }
      out[i] = static_cast<char>(folded >> 8);
      out[i + 1] = static_cast<char>(folded & 0xFF);
    }
    i += len;
  }
  return out;
}

namespace {

// Sorts by keys computed once per element; std::stable_sort keeps the
// original order of equal keys.
template <typename Key, typename Less>
void SortByKeys(std::vector<std::string>& elements, const std::vector<Key>& keys, Less less) {
  std::vector<size_t> order(elements.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(keys[a], keys[b]); });
  std::vector<std::string> sorted;
  sorted.reserve(elements.size());
  for (size_t i : order) sorted.push_back(std::move(elements[i]));
  elements = std::move(sorted);
}

}  // namespace

void SortIgnoringCase(std::vector<std::string>& elements) {
  std::vector<std::string> keys;
  keys.reserve(elements.size());
  for (const auto& e : elements) keys.push_back(FoldCase(e));
  // std::string compares bytes as unsigned, so lead bytes sort after ASCII.
  SortByKeys(elements, keys, [](const std::string& a, const std::string& b) { return a < b; });
}

void SortNumerically(std::vector<std::string>& elements) {
  std::vector<long double> keys;
  keys.reserve(elements.size());
  for (const auto& e : elements) keys.push_back(TextToNumber(e));
  // A NaN would break the ordering the sort relies on: it goes last.
  SortByKeys(elements, keys, [](long double a, long double b) {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
  });
}

// n + 1 swaps of two positions drawn from the runtime's generator, so a
// seeded run shuffles the same way every time.
void Shuffle(std::vector<std::string>& elements) {
  size_t n = elements.size();
  if (n == 0 || n > UINT32_MAX) return;
  for (size_t k = 0; k <= n; ++k) {
    uint32_t a = RandomBelow(static_cast<uint32_t>(n));
    uint32_t b = RandomBelow(static_cast<uint32_t>(n));
    std::swap(elements[a], elements[b]);
  }
}

std::string HtmlTable(const std::vector<std::vector<std::string>>& rows, std::string_view attributes) {
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  std::string out = "<TABLE ";
  out += attributes;
  out += ">\r\n";
  for (const auto& r : rows) {
    out += "<TR>";
    for (size_t c = 0; c < width; ++c) {
      out += "<TD>";
      if (c < r.size()) out += r[c];
      out += "</TD>";
    }
    out += "</TR>\r\n";
  }
  out += "</TABLE>";
  return out;
}

}  // namespace kobu
