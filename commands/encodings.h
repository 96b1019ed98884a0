// Japanese encodings of mail and the web: detection, conversion between
// Shift-JIS, EUC-JP and ISO-2022-JP, Base64 and mail-header words.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kobu {

enum TEncoding : int {
  encAscii = 0,     // nothing but 7-bit text seen
  encBinary = 1,
  encJis = 2,       // ESC $ B
  encJisOld = 3,    // ESC $ @
  encEuc = 4,
  encSjis = 5,
  encEucOrSjis = 6,  // undecided
  encUtf8 = 7        // valid UTF-8 holding a multi-byte sequence
};

TEncoding DetectEncoding(std::string_view text);

// "EUC" -> encEuc, "JIS" -> encJis, "UTF8" or "UTF-8" -> encUtf8, anything
// else -> encSjis (case-insensitive).
TEncoding EncodingOfName(std::string_view name);

// Converts from `source` to `target` (encJis, encEuc, encSjis or encUtf8); any
// other pair, an unknown or undecided source, or source == target gives the
// text back. UTF-8 goes through Shift-JIS: what CP932 cannot hold (or bytes
// that form no character) clear *lossless (when given).
std::string ConvertEncoding(std::string_view text, TEncoding target, TEncoding source, bool* lossless = nullptr);

// The single converters. Characters outside the 94 x 94 set of JIS X 0208
// (and EUC's JIS X 0212 characters) become the geta mark 〓.
std::string SjisToJis(std::string_view sjis);
std::string SjisToEuc(std::string_view sjis);
std::string EucToJis(std::string_view euc);
std::string EucToSjis(std::string_view euc);
std::string JisToEuc(std::string_view jis);
std::string JisToSjis(std::string_view jis);

// Base64 with the RFC 2045 alphabet, no line breaks.
std::string Base64Encode(std::string_view bytes);
// CR and LF are skipped; a stray character or an incomplete group of four
// gives nullopt.
std::optional<std::string> Base64Decode(std::string_view text);

// Double-byte runs (and half-width katakana with them) as
// "=?ISO-2022-JP?B?...?=" words, blanks between two runs inside the word;
// single bytes copied.
std::string MailHeaderEncode(std::string_view sjis);
// Encoded words decoded (the white space between adjacent words dropped,
// folded lines joined), the whole converted to Shift-JIS and cut at the
// first control or stray byte.
std::string MailHeaderDecode(std::string_view header);

// Splits off the first message of a mailbox text: lines (CR LF) up to and
// including a line holding "." alone. `rest` receives what follows.
std::string TakeMailboxMessage(std::string_view mailbox, std::string& rest);

}  // namespace kobu
