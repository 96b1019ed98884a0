#include "core/tabletext.h"

#include <algorithm>

#include "core/sjis.h"

namespace kobu {

namespace {

bool IsTrimmed(unsigned char c) { return c <= ' '; }

// Reads one cell at i; returns true when the row ends after it (CR, LF or end).
std::string ReadCell(std::string_view t, size_t& i) {
  while (i < t.size() && t[i] == ' ') ++i;
  bool quoted = false;
  if (i < t.size() && t[i] == '"') quoted = true, ++i;
  std::string cell;
  while (i < t.size()) {
    size_t len = CharLenAt(t, i);
    char c = t[i];
    if (len == 1 && !quoted && (c == ',' || c == '\r' || c == '\n')) break;
    if (len == 1 && c == '"') {
      if (i + 1 < t.size() && t[i + 1] == '"') {
        cell += '"';
        i += 2;
        continue;
      }
      size_t k = i + 1;
      while (k < t.size() && t[k] == ' ') ++k;
      if (k >= t.size() || t[k] == ',' || t[k] == '\r' || t[k] == '\n') {
        i += 1;  // reading resumes right after the closing quote
        break;
      }
      cell += '"';
      ++i;
      continue;
    }
    cell.append(t.data() + i, len);
    i += len;
  }
  if (i < t.size() && t[i] == ',') ++i;
  // Trim spaces and control characters; drop a surviving pair of quotes
  // (the closing one a character of its own, not the second byte of one).
  size_t a = 0, b = cell.size();
  while (a < b && IsTrimmed(static_cast<unsigned char>(cell[a]))) ++a;
  while (b > a && IsTrimmed(static_cast<unsigned char>(cell[b - 1]))) --b;
  cell = cell.substr(a, b - a);
  if (cell.size() > 1 && cell.front() == '"' && LastCharStart(cell) == cell.size() - 1 && cell.back() == '"')
    cell = cell.substr(1, cell.size() - 2);
  return cell;
}

// Whether the last character of a cell is a lone lead byte. It would take
// whatever the writer puts after it (a comma, the closing quote, the line
// end) for its second byte.
bool EndsWithLoneLead(std::string_view cell) {
  size_t last = 0;
  for (size_t i = 0; i < cell.size(); i += CharLenAt(cell, i)) last = i;
  return !cell.empty() && last + 1 == cell.size() && IsLeadByte(static_cast<unsigned char>(cell[last]));
}

bool NeedsQuotes(std::string_view cell) {
  for (size_t i = 0; i < cell.size(); i += CharLenAt(cell, i)) {
    if (CharLenAt(cell, i) != 1) continue;
    char c = cell[i];
    if (c == '"' || c == ',' || c == '\r' || c == '\n') return true;
    if (c == 'I' && i + 1 < cell.size() && cell[i + 1] == 'D') return true;
  }
  return false;
}

}  // namespace

TTableRows ReadTableText(std::string_view t) {
  TTableRows rows;
  size_t i = 0;
  while (i < t.size()) {
    std::vector<std::string> row;
    for (;;) {
      row.push_back(ReadCell(t, i));
      if (i >= t.size() || t[i] == '\r' || t[i] == '\n') break;
    }
    if (i < t.size() && (t[i] == ',' || t[i] == '\r')) ++i;
    if (i < t.size() && t[i] == '\n') ++i;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string WriteTableRow(const std::vector<std::string>& row, size_t width) {
  std::string out;
  for (size_t c = 0; c < width; ++c) {
    if (c) out += ',';
    if (c >= row.size()) continue;
    const std::string& cell = row[c];
    // Such a lead byte is given a blank to pair with, which the reader trims.
    const char* guard = EndsWithLoneLead(cell) ? " " : "";
    if (!NeedsQuotes(cell)) {
      out += cell;
      out += guard;
      continue;
    }
    out += '"';
    for (size_t i = 0; i < cell.size();) {
      size_t len = CharLenAt(cell, i);
      if (len == 1 && cell[i] == '"') out += '"';
      out.append(cell, i, len);
      i += len;
    }
    out += guard;
    out += '"';
  }
  return out;
}

std::string WriteTableText(const TTableRows& rows) {
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  std::string out;
  for (const auto& r : rows) {
    if (!r.empty()) out += WriteTableRow(r, width);
    out += "\r\n";
  }
  return out;
}

}  // namespace kobu
