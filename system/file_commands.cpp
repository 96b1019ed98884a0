#include "system/file_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "commands/args.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "core/ui.h"
#include "host/filemix.h"
#include "host/security.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "system/file_handles.h"
#include "system/scrambled_file.h"
#include "system/text_file.h"

namespace kobu {

namespace fs = std::filesystem;

namespace {

const std::string& ClipboardWord() {
  static const std::string w = sj("クリップボード");
  return w;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

[[noreturn]] void FileFailed(TKobuBase& base, const std::string& path) {
  ScriptError(base, "ファイル\"%s\"の、読み込みか書き込みに、失敗しました。", {path});
}

bool IsFolder(const std::string& native) {
  struct stat st {};
  return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFileNotFolder(const std::string& native) {
  struct stat st {};
  return stat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool HasWildcard(std::string_view p) {
  for (size_t i = 0; i < p.size(); i += CharLenAt(p, i))
    if (p[i] == '*' || p[i] == '?') return true;
  return false;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Wildcard match of a file name, whole characters, ASCII letters in either
// case. "*" is any run of characters, "?" one character. The star keeps only
// its latest position to retry from, so a match never takes more than
// name × mask steps.
bool MatchMask(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starM = ++m;
      starN = n;
      continue;
    }
    if (m < mask.size()) {
      size_t ml = CharLenAt(mask, m), nl = CharLenAt(name, n);
      bool same = mask[m] == '?' ||
                  (ml == nl && (ml == 1 ? FoldAscii(mask[m]) == FoldAscii(name[n]) : mask.compare(m, ml, name.substr(n, nl)) == 0));
      if (same) {
        m += ml;
        n += nl;
        continue;
      }
    }
    if (starM == std::string_view::npos) return false;
    m = starM;
    n = starN += CharLenAt(name, starN);
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

// A mask ending in ".*" also matches names without any dot ("*.*" matches
// every name), as scripts expect.
bool FileMaskMatches(std::string_view name, std::string_view mask) {
  if (MatchMask(name, mask)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
    return MatchMask(name, mask.substr(0, mask.size() - 2));
  return false;
}

std::string ResolveReadPath(TKobuBase& base, const std::string& name) {
  if (name.empty() || name.find(':') != std::string::npos || IsAbsolutePath(name)) return name;
  std::vector<std::string> folders;
  char* cwd = getcwd(nullptr, 0);
  if (cwd) {
    folders.push_back(ScriptPath(cwd) + "/");
    free(cwd);
  }
  folders.push_back(base.ScriptFolder);
  folders.push_back(FolderPart(NormalisedPath(base.ExecutablePath)));
  folders.push_back(FolderPart(NormalisedPath(base.ScriptFileName)));
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    std::string candidate = folder + name;
    if (IsFileNotFolder(NativePath(candidate))) return candidate;
  }
  return name;
}

namespace {

// Folders and masks of the enumeration commands ----------------------------

struct TEntry {
  std::string name;  // CP932
  bool folder;
};

// The entries of a folder but "." and "..", in name order (ASCII letters
// folded, as a listing on the original platform comes), folders recognised
// through symbolic links too.
std::vector<TEntry> FolderEntries(const std::string& nativeFolder) {
  std::vector<TEntry> out;
  std::error_code ec;
  fs::directory_iterator it(nativeFolder.empty() ? std::string(".") : nativeFolder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::error_code sec;
    bool folder = fs::is_directory(it->path(), sec);
    out.push_back({ScriptPath(name), folder});
  }
  std::sort(out.begin(), out.end(), [](const TEntry& a, const TEntry& b) {
    size_t n = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < n; ++i) {
      char x = FoldAscii(a.name[i]), y = FoldAscii(b.name[i]);
      if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.name.size() < b.name.size();
  });
  return out;
}

// A pattern as the enumeration reads it: the folder part (script form with
// "/", ending in "/" or empty for the current folder) and the mask.
struct TPattern {
  std::string folder;
  std::string mask;
};

TPattern SplitPattern(const std::string& pattern) {
  std::string p = NormalisedPath(pattern);
  size_t cut = std::string::npos;
  for (size_t i = 0; i < p.size(); i += CharLenAt(p, i))
    if (p[i] == '/') cut = i;
  if (cut == std::string::npos) return {std::string(), p};
  std::string mask = p.substr(cut + 1);
  return {p.substr(0, cut + 1), mask.empty() ? std::string("*") : mask};
}

// Entries of the pattern that the listings count: folders whose names begin
// with "." are left out.
std::vector<TEntry> Matches(const TPattern& pat) {
  std::vector<TEntry> out;
  for (auto& e : FolderEntries(NativePath(pat.folder))) {
    if (e.folder && !e.name.empty() && e.name[0] == '.') continue;
    if (FileMaskMatches(e.name, pat.mask)) out.push_back(std::move(e));
  }
  return out;
}

// Patterns separated by ";"; an empty piece ends the list.
std::vector<std::string> PatternList(const std::string& arg) {
  std::vector<std::string> out;
  std::string rest = arg;
  while (!rest.empty()) {
    TCut c = CutToken(";", rest);
    if (c.head.empty()) break;
    out.push_back(c.head);
    rest = c.rest;
  }
  return out;
}

std::string ArrayText(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& i : items) out += i + "\r\n";
  return out;
}

// The walk of the recursive listings: depth first, a folder's own matches
// before its subfolders; each real folder is entered once, so a symbolic
// link that leads back up cannot make it loop.
void Walk(const std::string& folder, const std::string& mask, bool folders, std::set<std::pair<dev_t, ino_t>>& seen,
          std::vector<std::string>& out) {
  struct stat st {};
  std::string native = NativePath(folder);
  if (stat(native.empty() ? "." : native.c_str(), &st) != 0) return;
  if (!seen.insert({st.st_dev, st.st_ino}).second) return;
  std::vector<TEntry> entries = FolderEntries(native);
  for (const auto& e : entries) {
    if (e.folder && !e.name.empty() && e.name[0] == '.') continue;
    if (e.folder == folders && FileMaskMatches(e.name, mask)) out.push_back(folder + e.name);
  }
  for (const auto& e : entries)
    if (e.folder && !e.name.empty() && e.name[0] != '.') Walk(folder + e.name + "/", mask, folders, seen, out);
}

void ListRecursive(TKobuBase& base, bool folders) {
  std::string arg = TrimText(ArgText(base));
  if (arg.empty()) return;
  std::string result;
  for (const auto& p : PatternList(arg)) {
    TPattern pat = SplitPattern(p);
    std::set<std::pair<dev_t, ino_t>> seen;
    std::vector<std::string> found;
    Walk(pat.folder, pat.mask, folders, seen, found);
    result += ArrayText(found);
  }
  SetResult(base, std::move(result), "s");
}

void ListFlat(TKobuBase& base, bool folders) {
  std::string arg = ArgText(base);
  if (arg.empty()) return;
  std::vector<std::string> names;
  for (const auto& p : PatternList(arg))
    for (const auto& e : Matches(SplitPattern(p)))
      if (e.folder == folders) names.push_back(e.name);
  base.Sore->Value = ArrayText(names);
}

// The paths a pattern stands for: every match of a wildcard, otherwise the
// path itself (when it exists).
std::vector<std::string> Expand(const std::string& path) {
  std::vector<std::string> out;
  std::string p = NormalisedPath(path);
  if (!HasWildcard(FileNamePart(p))) {
    struct stat st {};
    if (lstat(NativePath(p).c_str(), &st) == 0) out.push_back(p);
    return out;
  }
  TPattern pat = SplitPattern(p);
  for (const auto& e : Matches(pat)) out.push_back(pat.folder + e.name);
  return out;
}

// Where a copy or move of `source` lands: inside `dest` when that is a
// folder (or must become one), else at `dest` itself.
std::string Destination(const std::string& source, const std::string& dest, bool intoFolder) {
  std::string d = NormalisedPath(dest);
  bool folder = intoFolder || (!d.empty() && d.back() == '/') || IsFolder(NativePath(d));
  if (!folder) return d;
  std::error_code ec;
  fs::create_directories(NativePath(d), ec);
  if (d.back() != '/') d += '/';
  return d + FileNamePart(source);
}

bool CopyEntry(const std::string& from, const std::string& to) {
  std::string f = NativePath(from), t = NativePath(to);
  std::error_code ec;
  // A folder copied into itself would grow until the path is too long.
  if (fs::is_directory(f, ec) && IsInsideFolder(CanonicalTarget(t), CanonicalTarget(f))) return false;
  if (fs::is_symlink(f, ec) || !fs::is_directory(f, ec)) {
    if (fs::is_symlink(f, ec)) {
      fs::remove(t, ec);
      fs::copy_symlink(f, t, ec);
      return !ec;
    }
    return CopyWholeFile(f, t);
  }
  fs::copy(f, t, fs::copy_options::recursive | fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks, ec);
  return !ec;
}

bool MoveEntry(const std::string& from, const std::string& to) {
  std::string f = NativePath(from), t = NativePath(to);
  if (rename(f.c_str(), t.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  if (!CopyEntry(from, to)) return false;
  std::error_code ec;
  fs::remove_all(f, ec);
  return !ec;
}

// A name the delete commands take from the script's folder when it is relative.
std::string InScriptFolder(TKobuBase& base, const std::string& name) {
  return IsAbsolutePath(name) ? name : base.ScriptFolder + name;
}

std::string CurrentFolderWithSlash() {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return "/";
  std::string f = ScriptPath(cwd);
  free(cwd);
  if (f.empty() || f.back() != '/') f += '/';
  return f;
}

// A packed file of the run's container shadows a file of that name on disk.
std::string PackedOrReadPath(TKobuBase& base, const std::string& name) {
  std::string packed = ResolvePackedFile(base, name);
  return packed.empty() ? ResolveReadPath(base, name) : packed;
}

// Whole files and the clipboard -------------------------------------------

void CmdRead(TKobuBase& base) {
  std::string fileArg = ArgName(base);
  THashNode* var = ArgWord(base, true);
  var->TypeMark = "s";
  if (fileArg == ClipboardWord()) {
    var->Value = base.UI->ClipboardText();
    return;
  }
  std::string name = EvaluateArgument(base, fileArg);
  std::string path = PackedOrReadPath(base, name);
  std::string bytes;
  if (!ReadWholeFile(NativePath(path), bytes)) FileFailed(base, path);
  var->Value = TextFromFile(base, std::move(bytes), name);
}

void CmdWrite(TKobuBase& base) {
  std::string fileArg = ArgName(base);
  std::string text = ArgText(base);
  if (fileArg == ClipboardWord()) return base.UI->SetClipboardText(text);
  std::string name = EvaluateArgument(base, fileArg);
  if (!CheckFileAccess(base, name, Quoted(name) + sj("へ書き込みます。"))) return;
  if (!WriteWholeFile(NativePath(name), TextForFile(base, std::move(text), name))) FileFailed(base, name);
}

void CmdAppend(TKobuBase& base) {
  std::string fileArg = ArgName(base);
  std::string text = ArgText(base);
  if (fileArg == ClipboardWord()) return base.UI->SetClipboardText(base.UI->ClipboardText() + text);
  std::string name = EvaluateArgument(base, fileArg);
  std::string path = ResolveReadPath(base, name);
  if (!CheckFileAccess(base, path, sj("ファイル") + Quoted(path) + sj("へ文字列を追加します。"))) return;
  std::string native = NativePath(path);
  if (!IsFileNotFolder(native)) ScriptError(base, "ファイル\"%s\"が、ありません。", {path});
  if (!AppendToFile(native, TextForFile(base, std::move(text), name))) FileFailed(base, path);
}

void CmdCopyToClipboard(TKobuBase& base) { base.UI->SetClipboardText(ArgText(base)); }

void CmdClipboardText(TKobuBase& base) { SetLastValue(base, base.UI->ClipboardText(), "s"); }

// Copy, move, rename, delete ----------------------------------------------

void CmdCopyFile(TKobuBase& base) {
  std::string dest = TrimText(ArgText(base));
  std::string source = PackedOrReadPath(base, TrimText(ArgText(base)));
  std::vector<std::string> sources = Expand(source);
  if (sources.empty() || dest.empty()) return;
  // A copy can replace any file, so it passes the same guard as a write.
  if (!CheckFileAccess(base, dest, sj("ファイル") + Quoted(source) + sj("を、") + Quoted(dest) + sj("へコピーします。")))
    return;
  bool many = HasWildcard(FileNamePart(NormalisedPath(source)));
  for (const auto& s : sources) {
    std::string to = Destination(s, dest, many);
    if (!IsPolicyFile(base, to)) CopyEntry(s, to);
  }
}

void CmdMoveFile(TKobuBase& base) {
  std::string dest = TrimText(ArgText(base));
  std::string source = ResolveReadPath(base, TrimText(ArgText(base)));
  if (!CheckFileAccess(base, {source, dest}, Quoted(source) + sj("を,") + Quoted(dest) + sj("へ移動しますか？"))) return;
  std::vector<std::string> sources = Expand(source);
  if (dest.empty()) return;
  bool many = HasWildcard(FileNamePart(NormalisedPath(source)));
  for (const auto& s : sources) {
    std::string to = Destination(s, dest, many);
    if (!IsPolicyFile(base, s) && !IsPolicyFile(base, to)) MoveEntry(s, to);
  }
}

void CmdRenameFile(TKobuBase& base) {
  std::string newName = ArgText(base);
  std::string oldName = ArgText(base);
  std::string question = FillArgs(sj("ファイル名\"%s\"を、\r\n\"%s\"に、改名します。"), {oldName, newName});
  if (!CheckFileAccess(base, {oldName, newName}, question)) return;
  std::string from = NativePath(oldName), to = NativePath(newName);
  struct stat st {};
  // Renaming never replaces another file.
  bool ok = lstat(to.c_str(), &st) != 0 && rename(from.c_str(), to.c_str()) == 0;
  if (!ok) ScriptError(base, "ファイル\"%s\"の、読み込みか書き込みに、失敗しました。ファイル名の変更", {oldName});
}

void CmdDeleteFile(TKobuBase& base) {
  std::string name = InScriptFolder(base, TrimText(ArgText(base)));
  if (!CheckFileAccess(base, name, sj("ファイル") + Quoted(name) + sj("を、削除します。"))) return;
  for (const auto& p : Expand(name))
    if (!IsPolicyFile(base, p)) MoveToTrash(NativePath(p));
}

void CmdDeleteFileNow(TKobuBase& base) {
  std::string name = InScriptFolder(base, ResolveReadPath(base, TrimText(ArgText(base))));
  if (!CheckFileAccess(base, name, sj("ファイル") + Quoted(name) + sj("を、完全に削除します。"))) return;
  std::string native = NativePath(name);
  if (!IsFolder(native) || fs::is_symlink(native)) unlink(native.c_str());
}

void CmdMakeShortcut(TKobuBase& base) {
  std::string link = TrimText(ArgText(base));
  std::string target = TrimText(ResolveReadPath(base, ArgText(base)));
  if (link.empty() || target.empty()) return;
  if (NormalisedPath(link).back() == '/') link += FileNamePart(target);  // never a trail byte
  // The link file is a freedesktop entry; ".desktop" is kept as the file
  // managers name them, anything else becomes ".lnk" as scripts expect.
  auto endsWith = [&link](std::string_view e) {
    if (link.size() < e.size()) return false;
    for (size_t i = 0; i < e.size(); ++i)
      if (FoldAscii(link[link.size() - e.size() + i]) != FoldAscii(e[i])) return false;
    return true;
  };
  if (!endsWith(".lnk") && !endsWith(".desktop")) {
    std::string name = FileNamePart(link);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) link.resize(link.size() - (name.size() - dot));
    link += ".lnk";
  }
  if (!CheckFileAccess(base, link, Quoted(link) + sj("へショートカットを作成します。"))) return;
  std::string t = CanonicalTarget(NativePath(target));
  WriteLinkFile(NativePath(link), t, t.substr(0, std::max<size_t>(t.rfind('/'), 1)));
}

// Folders -----------------------------------------------------------------

void ChangeFolder(TKobuBase& base, const char* command) {
  std::string folder = TrimText(ArgText(base));
  if (chdir(NativePath(folder).c_str()) != 0)
    ScriptError(base, "\"%s\"で作業フォルダの変更に失敗。理由は、%s", {sj(command), Utf8ToCp932(strerror(errno))});
}

void CmdChangeFolder(TKobuBase& base) { ChangeFolder(base, "作業フォルダ変更"); }

void CmdWorkingFolder(TKobuBase& base) {
  if (base.ImplicitSore || base.ArgumentStack.empty()) {
    if (base.ImplicitSore) ArgName(base);
    return SetResult(base, CurrentFolderWithSlash(), "s");
  }
  ChangeFolder(base, "作業フォルダ");
}

void CmdMakeFolder(TKobuBase& base) {
  std::string path = TrimText(ArgText(base));
  if (path.empty()) ScriptError(base, "\"%s\"命令の引数に誤りがあります。引数を指定してください。", {RunningCommandName(base, "フォルダ作成")});
  if (!CheckFileAccess(base, path, Quoted(path) + sj(" にフォルダを作成します。"))) return;
  std::error_code ec;
  fs::create_directories(NativePath(path), ec);
}

void CmdDeleteFolder(TKobuBase& base) {
  std::string path = NormalisedPath(TrimText(ArgText(base)));
  if (path.empty()) return;
  bool whole = path.back() == '/';
  std::string named = whole ? path.substr(0, path.find_last_not_of('/') + 1) : path;
  // Never the root, however it is written, nor everything in it through a mask.
  if (named.empty() || CanonicalTarget(NativePath(named)) == "/") return;
  if (!whole && HasWildcard(FileNamePart(path)) && CanonicalTarget(NativePath(SplitPattern(path).folder)) == "/")
    return;
  if (!CheckFileAccess(base, named, sj("フォルダ") + Quoted(named) + sj("を、中身ごと削除します。"))) return;
  std::error_code ec;
  // remove_all never follows a symbolic link: a link is removed as a link.
  if (whole) {
    if (fs::is_symlink(NativePath(named), ec)) return;
    fs::remove_all(NativePath(named), ec);
    return;
  }
  for (const auto& p : Expand(path))
    if (!IsPolicyFile(base, p)) fs::remove_all(NativePath(p), ec);
}

// Attributes, tests, times, sizes, drives ----------------------------------

void CmdSetAttributes(TKobuBase& base) {
  long long bits = IntegerText(ArgText(base), 2147483647);
  std::string path = ResolveReadPath(base, ArgText(base));
  if (bits == 2147483647) return;
  if (!CheckFileAccess(base, path, Quoted(path) + sj("のファイル属性変更をしますか？"))) return;
  SetFileAttributeBits(NativePath(path), static_cast<int32_t>(bits));
}

void CmdGetAttributes(TKobuBase& base) {
  std::string path = ResolveReadPath(base, ArgText(base));
  SetResult(base, std::to_string(FileAttributeBits(NativePath(path))), "e");
}

void CmdIsFolder(TKobuBase& base) { SetResult(base, IsFolder(NativePath(ArgText(base))) ? "1" : "0", ""); }

void CmdIsFile(TKobuBase& base) { SetResult(base, IsFileNotFolder(NativePath(ArgText(base))) ? "1" : "0", ""); }

void CmdExists(TKobuBase& base) {
  std::string path = NormalisedPath(TrimText(ArgText(base)));
  bool yes = (!path.empty() && path.back() == '/') ? IsFolder(NativePath(path)) : IsFileNotFolder(NativePath(path));
  SetResult(base, yes ? "1" : "0", "");
}

// The status of the first entry a path (wildcards allowed) names.
bool FirstEntry(const std::string& path, struct stat& st) {
  std::vector<std::string> found = Expand(path);
  return !found.empty() && stat(NativePath(found.front()).c_str(), &st) == 0;
}

void CmdFileTime(TKobuBase& base) {
  std::string path = ArgText(base);
  struct stat st {};
  if (!FirstEntry(path, st)) FileFailed(base, path);
  struct tm t {};
  localtime_r(&st.st_mtime, &t);
  char buf[32];
  strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &t);
  SetResult(base, buf, "s");
}

void CmdFileSize(TKobuBase& base) {
  std::string path = ArgText(base);
  struct stat st {};
  if (!FirstEntry(path, st)) FileFailed(base, path);
  SetResult(base, std::to_string(S_ISDIR(st.st_mode) ? 0 : static_cast<long long>(st.st_size)), "s");
}

void CmdDriveKind(TKobuBase& base) {
  std::string arg = TrimText(ArgText(base));
  if (arg.size() == 1) arg += ":\\";
  static const char* const kNames[] = {"存在しない", "リムーバブルディスク", "固定", "リモート", "CD-ROM", "RAMディスク", "判別不能"};
  TDriveKind kind = arg.empty() ? dkMissing : DriveKindOf(NativePath(arg));
  SetResult(base, sj(kNames[kind]), "s");
}

// Path forms and parts ----------------------------------------------------

void CmdShortName(TKobuBase& base) {
  std::string native = NativePath(ResolveReadPath(base, ArgText(base)));
  char* real = realpath(native.c_str(), nullptr);
  std::string out = real ? ScriptPath(real) : std::string();
  free(real);
  SetResult(base, out, "s");
}

void CmdLongName(TKobuBase& base) {
  std::string p = NormalisedPath(ResolveReadPath(base, ArgText(base)));
  if (!IsAbsolutePath(p)) p = CurrentFolderWithSlash() + p;
  // Linux reports names as they are written; only "." and ".." go.
  std::string native = fs::path(NativePath(p)).lexically_normal().string();
  SetResult(base, ScriptPath(native), "s");
}

void CmdFolderPart(TKobuBase& base) { SetResult(base, FolderPart(ArgText(base)), "s"); }

void CmdNamePart(TKobuBase& base) { SetResult(base, FileNamePart(ArgText(base)), "s"); }

// Offset of the extension's "." in the file name part, or npos.
size_t ExtensionStart(const std::string& path) {
  size_t start = path.size() - FileNamePart(path).size(), dot = std::string::npos;
  for (size_t i = start; i < path.size(); i += CharLenAt(path, i))
    if (path[i] == '.') dot = i;
  return dot;
}

void CmdExtensionPart(TKobuBase& base) {
  std::string path = ArgText(base);
  size_t dot = ExtensionStart(path);
  SetResult(base, dot == std::string::npos ? std::string() : path.substr(dot), "s");
}

void CmdChangeExtension(TKobuBase& base) {
  std::string ext = ArgText(base);
  std::string path = ArgText(base);
  size_t dot = ExtensionStart(path);
  SetResult(base, (dot == std::string::npos ? path : path.substr(0, dot)) + ext, "s");
}

// Containers --------------------------------------------------------------

void CmdMakeContainer(TKobuBase& base) {
  std::string dest = TrimText(ArgText(base));
  std::string list = TrimText(ArgText(base));
  if (!CheckFileAccess(base, dest, Quoted(dest) + sj("へ保存します。"))) return;
  // A comma may stand for each "=".
  std::string lines = SjisReplace(list, ",", "=", true);
  bool separated = SjisFindFrom("=", lines, 0) != std::string::npos;
  TFileMixWriter writer;
  for (const std::string& line : SplitLines(lines))
    writer.Lines.push_back(separated ? line : line + "=" + FileNamePart(line) + "=0");
  std::string error;
  if (!writer.SaveToFile(NativePath(dest), error)) ScriptErrorSj(base, error);
}

void CmdTakeFromContainer(TKobuBase& base) {
  std::string entry = ArgText(base);
  std::string container = ArgText(base);
  TFileMixReader reader;
  std::string error, text;
  if (!reader.Open(NativePath(container), 0, container, error)) ScriptErrorSj(base, error);
  if (!reader.ReadEntryText(entry, text)) ScriptError(base, "ファイル\"%s\"が、ありません。", {entry});
  SetResult(base, std::move(text), "s");
}

void CmdListFiles(TKobuBase& base) { ListFlat(base, false); }
void CmdListFolders(TKobuBase& base) { ListFlat(base, true); }
void CmdListAllFiles(TKobuBase& base) { ListRecursive(base, false); }
void CmdListAllFolders(TKobuBase& base) { ListRecursive(base, true); }

const TCommandRow kRows[] = {
    {"読む", "?に,?を", "ファイル?を変数?に読み込む", 37, CmdRead},
    {"書く", "?を,?へ", "文字列?をファイル?へ書き込む", 38, CmdWrite},
    {"開く", "?に,?を", "ファイル?を変数?に読み込む", 37, CmdRead},
    {"保存", "?を,?へ", "文字列?をファイル?へ書き込む", 38, CmdWrite},
    {"追加保存", "?を,?へ", "文字列?をファイル?の末尾へ追加する", 297, CmdAppend},
    {"ハンドルを開く", "?で,?の", "ファイル?を読み書き用に開き、変数?をハンドルにする", 331, CmdOpenHandle},
    {"ハンドルを詳しく開く", "?に,?を,?で", "ファイル?をモード?で開き、変数?をハンドルにする", 422, CmdOpenHandleWithMode},
    {"ハンドルを一行読む", "?に,?の", "ハンドル?から一行読んで変数?に入れる", 138, CmdReadHandleLine},
    {"ハンドルへ一行書く", "?を,?の", "文字列?をハンドル?へ一行書く", 139, CmdWriteHandleLine},
    {"ハンドルを閉じる", "?の", "ハンドル?を閉じる", 140, CmdCloseHandle},
    {"ハンドル最後か", "?の", "ハンドル?がファイルの最後に達したか調べる", 141, CmdHandleAtEnd},
    {"ハンドルを先頭に移動", "?の", "ハンドル?の位置をファイルの先頭に移す", 142, CmdHandleToStart},
    {"ハンドルを最後に移動", "?の", "ハンドル?の位置をファイルの最後に移す", 143, CmdHandleToEnd},
    {"ハンドルを移動", "?の,?に", "ハンドル?の位置をバイト位置?に移す", 144, CmdHandleSeek},
    {"ハンドルにバイナリを書く", "?を,?に,?つ", "値?をハンドル?に?バイト書く", 145, CmdHandleWriteBinary},
    {"ハンドルにバイナリを読む", "?へ,?を,?つ", "ハンドル?から?バイト読んで変数?へ入れる", 146, CmdHandleReadBinary},
    {"ファイルコピー", "?から,?へ", "ファイル?をファイル?へコピーする", 147, CmdCopyFile},
    {"ファイル削除", "?を", "ファイル?をゴミ箱へ移す", 59, CmdDeleteFile},
    {"ファイル完全削除", "?を", "ファイル?を完全に削除する", 385, CmdDeleteFileNow},
    {"ファイル名変更", "?から,?へ", "ファイル名?を?へ変更する", 60, CmdRenameFile},
    {"ファイル移動", "?から,?へ", "ファイル?を?へ移動する", 61, CmdMoveFile},
    {"ショートカット作成", "?を,?へ", "ファイル?のショートカットを?へ作る", 148, CmdMakeShortcut},
    {"作業フォルダ変更", "?へ", "作業フォルダを?へ変更する", 62, CmdChangeFolder},
    {"作業ディレクトリ変更", "?へ", "作業フォルダを?へ変更する", 62, CmdChangeFolder},
    {"作業フォルダ", "?へ", "作業フォルダを得る、または?へ変更する", 89, CmdWorkingFolder},
    {"作業ディレクトリ", "", "作業フォルダを得る", 89, CmdWorkingFolder},
    {"フォルダ作成", "?へ", "フォルダ?を作る", 63, CmdMakeFolder},
    {"フォルダ削除", "?の", "フォルダ?を中身ごと削除する", 149, CmdDeleteFolder},
    {"ファイル属性変更", "?を,?に", "ファイル?の属性を?に変更する", 65, CmdSetAttributes},
    {"ファイル属性取得", "?の", "ファイル?の属性を数値で得る", 150, CmdGetAttributes},
    {"ファイル日時", "?の", "ファイル?の更新日時を得る", 151, CmdFileTime},
    {"ファイルサイズ", "?の", "ファイル?の大きさをバイト数で得る", 152, CmdFileSize},
    {"ファイル列挙", "?の", "パターン?に合うファイル名を列挙する", 153, CmdListFiles},
    {"全ファイル列挙", "?の", "パターン?に合うファイルをサブフォルダまで含めてフルパスで列挙する", 154, CmdListAllFiles},
    {"フォルダ列挙", "?の", "パターン?に合うフォルダ名を列挙する", 155, CmdListFolders},
    {"全フォルダ列挙", "?の", "パターン?に合うフォルダをサブフォルダまで含めてフルパスで列挙する", 156, CmdListAllFolders},
    {"フォルダか", "?が", "パス?がフォルダか調べる", 157, CmdIsFolder},
    {"ファイルか", "?が", "パス?がファイルか調べる", 158, CmdIsFile},
    {"存在するか", "?が", "パス?が存在するか調べる", 159, CmdExists},
    {"ドライブ種類判定", "?の", "ドライブ?の種類を得る", 160, CmdDriveKind},
    {"短いファイル名取得", "?の", "パス?の短い形を得る", 162, CmdShortName},
    {"長いファイル名取得", "?の", "パス?の長い形を得る", 164, CmdLongName},
    {"パスを切り出す", "?から", "パス?からフォルダの部分を取り出す", 165, CmdFolderPart},
    {"拡張子を切り出す", "?から", "パス?から拡張子を取り出す", 168, CmdExtensionPart},
    {"ファイル名を切り出す", "?から", "パス?からファイル名の部分を取り出す", 169, CmdNamePart},
    {"拡張子変更", "?を,?に", "パス?の拡張子を?に変える", 170, CmdChangeExtension},
    {"暗号化して保存", "?を,?へ", "文字列?を暗号化してファイル?へ保存する", 90, CmdSaveScrambled},
    {"暗号解除して読込", "?に,?を", "暗号化されたファイル?を解読して変数?に読み込む", 171, CmdLoadScrambled},
    {"共有保存", "?へ", "それの値を共有メモリ?へ書き込む", 172, CmdSharedSave},
    {"共有読込", "?を", "共有メモリ?を読んでそれに入れる", 173, CmdSharedLoad},
    {"ファイル合成", "?を, ?へ", "ファイル一覧?を一つの合成ファイル?へまとめる", 206, CmdMakeContainer},
    {"合成ファイル取り出す", "?から,?を", "合成ファイル?から項目?を取り出す", 207, CmdTakeFromContainer},
};

}  // namespace

std::span<const TCommandRow> FileCommandRows() { return kRows; }

void CopyToClipboard(TKobuBase& base) { CmdCopyToClipboard(base); }
void ClipboardTextToSore(TKobuBase& base) { CmdClipboardText(base); }

}  // namespace kobu
