#include "core/kbhash.h"

#include <stdexcept>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {
std::string ReservedMessage(const std::string& name) {
  static const std::string tail = sj("\"は予約語なので、登録できません。");
  return "\"" + name + tail;
}

// Blanks and line ends at both ends. Bytes up to 0x20 are never trail bytes,
// so trimming byte-wise cannot split a character.
std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}
}  // namespace

EWordReserved::EWordReserved(std::string name)
    : std::runtime_error(ReservedMessage(name)), Name(std::move(name)) {}

void THashNode::CopyFrom(const THashNode& other) {
  Value = other.Value;
  Pattern = other.Pattern;
  TypeMark = other.TypeMark;
  Number = other.Number;
  Kind = other.Kind;
  Data = other.Data;
  Dict = other.Dict;
  Extra = other.Extra;
  Reserved = other.Reserved;
}

std::string StripOkurigana(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  bool stem = false;
  size_t i = 0;
  while (i < name.size()) {
    size_t len = CharLenAt(name, i);
    if (len == 1) {
      out += name[i];
      i += 1;
      continue;
    }
    if (!IsHiraganaCode(CharCode(name.data() + i))) {
      out.append(name.data() + i, 2);
      stem = true;
      i += 2;
      continue;
    }
    if (!stem) {
      out.append(name.data() + i, 2);
      i += 2;
      continue;
    }
    // Okurigana after a stem: drop the whole run of hiragana.
    while (i < name.size() && CharLenAt(name, i) == 2 && IsHiraganaCode(CharCode(name.data() + i)))
      i += 2;
    stem = false;
  }
  if (out.empty()) return std::string(name);
  return out;
}

THashNode* THash::FindExact(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

bool THash::DeleteExact(std::string_view name) {
  auto found = index_.find(name);
  if (found == index_.end()) return false;
  THashNode* node = found->second;
  index_.erase(found);
  ++generation_;
  auto& bucket = buckets_[HashOfName(name)];
  for (auto it = bucket.begin(); it != bucket.end(); ++it) {
    if (it->get() == node) {
      bucket.erase(it);
      break;
    }
  }
  --count_;
  return true;
}

int THash::Add(std::unique_ptr<THashNode> node) {
  if (!node) return -1;
  ++generation_;
  auto& bucket = buckets_[HashOfName(node->Name)];
  auto found = index_.find(node->Name);
  if (found != index_.end()) {
    THashNode* old = found->second;
    if (old->Reserved) throw EWordReserved(node->Name);
    for (auto& slot : bucket) {
      if (slot.get() != old) continue;
      found->second = node.get();
      slot = std::move(node);  // same place, so listings keep their order
      break;
    }
    return count_;
  }
  if (node->Name.size() > maxNameLength_) maxNameLength_ = node->Name.size();
  index_.emplace(node->Name, node.get());
  bucket.push_back(std::move(node));
  return ++count_;
}

std::unique_ptr<THashNode> THash::Rename(THashNode* node, std::string newName) {
  auto self = node ? index_.find(node->Name) : index_.end();
  if (self == index_.end() || self->second != node) throw std::invalid_argument("Rename: node not in table");
  if (newName == node->Name) return nullptr;
  ++generation_;
  // Checked before anything moves: a refused name leaves the word where it was.
  auto other = index_.find(newName);
  if (other != index_.end() && other->second->Reserved) throw EWordReserved(newName);

  std::unique_ptr<THashNode> own;
  auto& from = buckets_[HashOfName(node->Name)];
  for (auto it = from.begin(); it != from.end(); ++it) {
    if (it->get() != node) continue;
    own = std::move(*it);
    from.erase(it);
    break;
  }
  index_.erase(self);
  own->Name = std::move(newName);
  auto& to = buckets_[HashOfName(own->Name)];
  std::unique_ptr<THashNode> replaced;
  if (other != index_.end()) {
    THashNode* old = other->second;
    other->second = node;
    for (auto& slot : to) {
      if (slot.get() != old) continue;
      replaced = std::move(slot);
      slot = std::move(own);
      break;
    }
    --count_;
    return replaced;
  }
  if (node->Name.size() > maxNameLength_) maxNameLength_ = node->Name.size();
  index_.emplace(node->Name, node);
  to.push_back(std::move(own));
  return nullptr;
}

THashNode* THash::Find(std::string_view name, bool strip) const {
  if (name.empty()) return nullptr;
  if (strip) {
    std::string stripped = StripOkurigana(name);
    if (THashNode* n = FindExact(stripped)) return n;
    if (stripped == name) return nullptr;
  }
  return FindExact(name);
}

std::string THash::ValueOf(std::string_view name, bool strip) const {
  THashNode* n = Find(name, strip);
  return n ? n->Value : std::string();
}

int THash::Delete(std::string_view nameView, bool strip) {
  // The name may be a view of a node's own name, which the first deletion frees.
  const std::string name(nameView);
  bool deleted = false;
  if (strip) deleted = DeleteExact(StripOkurigana(name));
  if (DeleteExact(name)) deleted = true;
  return deleted ? count_ : -1;
}

void THash::Clear() {
  for (auto& bucket : buckets_) {
    bucket.clear();
    bucket.shrink_to_fit();
  }
  index_.clear();
  count_ = 0;
  ++generation_;
}

std::vector<THashNode*> THash::Enumerate() const {
  std::vector<THashNode*> out;
  out.reserve(count_);
  for (const auto& bucket : buckets_)
    for (const auto& n : bucket) out.push_back(n.get());
  return out;
}

std::string THash::NameList() const {
  std::string out;
  for (const auto& bucket : buckets_)
    for (const auto& n : bucket) {
      out += n->Name;
      out += "\r\n";
    }
  return std::string(TrimBlanks(out));
}

std::string THash::NameValueList() const {
  std::string out;
  for (const auto& bucket : buckets_)
    for (const auto& n : bucket) {
      out += n->Name;
      out += '=';
      out += n->Value;
      out += "\r\n";
    }
  return std::string(TrimBlanks(out));
}

void THash::LoadFromText(std::string_view text) {
  // A zero byte ends a text (it is never a trail byte).
  text = text.substr(0, text.find('\0'));
  size_t i = 0;
  while (i < text.size()) {
    // One line, and the first "=" in it, stepping whole characters.
    size_t start = i, eq = std::string_view::npos;
    while (i < text.size() && text[i] != '\r' && text[i] != '\n') {
      if (text[i] == '=' && eq == std::string_view::npos) eq = i;
      i += CharLenAt(text, i);
    }
    size_t end = i;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
    std::string_view line = text.substr(start, end - start);
    std::string_view name, value;
    if (eq == std::string_view::npos) {
      name = TrimBlanks(line);
    } else {
      name = TrimBlanks(line.substr(0, eq - start));
      value = line.substr(eq - start + 1);
    }
    // A nameless entry could never be found again; blank lines are no entries.
    if (name.empty()) continue;
    Add(std::make_unique<THashNode>(std::string(name), std::string(value), 0, false));
  }
}

THashNode* THash::AddCommand(std::string_view name, std::string_view pattern, int32_t number) {
  auto node = std::make_unique<THashNode>(StripOkurigana(name), std::string(pattern), std::string(),
                                          std::string(), wkCommand, number, nullptr, true);
  THashNode* p = node.get();
  Add(std::move(node));
  return p;
}

THashNode* THash::AddVariable(std::string_view name, std::string_view value,
                              std::string_view typeMark, bool reserved) {
  auto node = std::make_unique<THashNode>(std::string(name), std::string(), std::string(value),
                                          std::string(typeMark), wkVariable, -1, nullptr, reserved);
  THashNode* p = node.get();
  Add(std::move(node));
  return p;
}

}  // namespace kobu
