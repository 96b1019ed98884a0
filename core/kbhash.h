// The word table: every name a script can use is one THashNode in a THash.
#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kobu {

enum TWordKind : uint8_t {
  wkCommand = 0,
  wkLabel = 2,
  wkVariable = 3,
  wkObject = 4,
  wkExternal = 5,
  wkDictionary = 6,
};

class THash;

// Raised by THash::Add for a reserved name; the interpreter turns it into the
// script error, since the table knows nothing of the interpreter state.
class EWordReserved : public std::runtime_error {
 public:
  explicit EWordReserved(std::string name);
  const std::string Name;
};

class THashNode {
 public:
  THashNode() = default;
  THashNode(std::string name, std::string pattern, std::string value, std::string typeMark,
            TWordKind kind, int32_t number, const char* data, bool reserved)
      : Name(std::move(name)), Pattern(std::move(pattern)), Value(std::move(value)),
        TypeMark(std::move(typeMark)), Kind(kind), Number(number), Data(data), Reserved(reserved) {}
  // Short form: a variable word.
  THashNode(std::string name, std::string value, int32_t number, bool reserved)
      : Name(std::move(name)), Value(std::move(value)), Kind(wkVariable), Number(number),
        Reserved(reserved) {}

  // Copies every field but the name; a copied dictionary shares its table.
  void CopyFrom(const THashNode& other);

  std::string Name;
  std::string Pattern;
  std::string Value;
  std::string TypeMark;
  TWordKind Kind = wkVariable;
  int32_t Number = 0;       // command number, scope level, object number, ...
  const char* Data = nullptr;  // labels: body position; variables: creation position
  std::shared_ptr<THash> Dict;  // dictionary words: the word's own table
  std::shared_ptr<void> Extra;  // external functions: their call description
  bool Reserved = false;
};

// Words that run when named: commands, labels and external functions.
inline bool IsCallableWord(const THashNode* n) {
  return n && (n->Kind == wkCommand || n->Kind == wkLabel || n->Kind == wkExternal);
}

// Okurigana removal for command names: 繰り返す -> 繰返, 言う -> 言.
std::string StripOkurigana(std::string_view name);

// Sum of the name's bytes modulo 256; decides the bucket and so the listing order.
inline unsigned HashOfName(std::string_view name) {
  unsigned h = 0;
  for (unsigned char c : name) h += c;
  return h & 0xFF;
}

class THash {
 public:
  THash() = default;
  THash(const THash&) = delete;
  THash& operator=(const THash&) = delete;

  // Enters a node. A reserved node of the same name refuses it with
  // EWordReserved and the table stays unchanged; a non-reserved one is
  // replaced in place. Returns the count (-1 for no node).
  int Add(std::unique_ptr<THashNode> node);
  THashNode* Find(std::string_view name, bool strip) const;
  std::string ValueOf(std::string_view name, bool strip) const;
  int Delete(std::string_view name, bool strip);
  void Clear();
  int Count() const { return count_; }
  // No name in the table is longer than this (it never shrinks).
  size_t MaxNameLength() const { return maxNameLength_; }
  // Changes whenever a name comes, goes or is replaced, never for a value:
  // work derived from the set of names stays valid while it stays the same.
  uint64_t Generation() const { return generation_; }

  std::vector<THashNode*> Enumerate() const;
  std::string NameList() const;
  std::string NameValueList() const;
  void LoadFromText(std::string_view text);

  // Gives a node of this table a new name, keeping the node itself, so every
  // pointer to it stays valid; it moves to the end of its new bucket. A
  // reserved word of that name refuses with EWordReserved and nothing changes;
  // a non-reserved one is replaced in place and returned (detached, so the
  // caller can redirect pointers before releasing it), otherwise nullptr.
  std::unique_ptr<THashNode> Rename(THashNode* node, std::string newName);

  // Registration helpers of the built-in registry.
  THashNode* AddCommand(std::string_view name, std::string_view pattern, int32_t number);
  THashNode* AddVariable(std::string_view name, std::string_view value, std::string_view typeMark,
                         bool reserved);

 private:
  THashNode* FindExact(std::string_view name) const;
  bool DeleteExact(std::string_view name);

  struct TNameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  // The buckets keep the listing order; the index beside them serves look-ups,
  // so a dictionary of many keys does not scan long buckets.
  std::vector<std::unique_ptr<THashNode>> buckets_[256];
  std::unordered_map<std::string, THashNode*, TNameHash, std::equal_to<>> index_;
  int count_ = 0;
  size_t maxNameLength_ = 0;
  uint64_t generation_ = 0;
};

}  // namespace kobu
