// The in-memory form of a hive: keys with named values and subkeys, kept in
// stored order and found by case-folded name.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry/registry.h"

namespace parlotto {

// Deeper keys are refused, as Windows does; it also bounds the recursion that
// formatting and destroying a tree need.
constexpr std::size_t kMaxKeyDepth = 512;

// `name` folded for case-insensitive comparison. Text that is not valid UTF-8
// folds only its ASCII letters and otherwise compares byte for byte.
std::string FoldName(const std::string& name);

class RegKey {
 public:
  struct NamedValue {
    std::string name;
    RegValue value;
  };

  explicit RegKey(std::string name) : name_(std::move(name)) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  const std::string& Name() const { return name_; }

  const std::vector<NamedValue>& Values() const { return values_; }
  const RegValue* FindValue(const std::string& name) const;
  // Replaces a value in place, keeping its stored name, or appends it.
  void SetValue(const std::string& name, const RegValue& value);
  bool RemoveValue(const std::string& name);

  const std::vector<std::unique_ptr<RegKey>>& Subkeys() const { return subkeys_; }
  const RegKey* FindSubkey(const std::string& name) const;
  RegKey* FindSubkey(const std::string& name);
  // The existing subkey of that name, else a new last one.
  RegKey* AddSubkey(const std::string& name, bool* created);
  // Appends a subtree built elsewhere; false if that name is taken.
  bool AdoptSubkey(std::unique_ptr<RegKey> key);
  bool RemoveSubkey(const std::string& name);

  // The key at `path` below this one, or null.
  const RegKey* Find(const std::vector<std::string>& path) const;
  RegKey* Find(const std::vector<std::string>& path);
  // Like Find, creating missing keys; sets `*created` when it made any.
  RegKey* Create(const std::vector<std::string>& path, bool* created);

 private:
  std::string name_;
  std::vector<NamedValue> values_;
  std::unordered_map<std::string, std::size_t> value_index_;
  std::vector<std::unique_ptr<RegKey>> subkeys_;
  std::unordered_map<std::string, std::size_t> subkey_index_;
};

// A new tree with `top`'s entries first and `bottom`'s where `top` has none of
// that name; either may be null (not both).
std::unique_ptr<RegKey> MergeKeys(const RegKey* top, const RegKey* bottom);

}  // namespace parlotto
