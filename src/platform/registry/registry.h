// The registry: a typed, hierarchical settings store kept in .reg text files.
//
// HKEY_CURRENT_USER is the user hive ($PARLOTTO_USER_HIVE, else
// $XDG_CONFIG_HOME/parlotto/user.reg). HKEY_CLASSES_ROOT is the user hive's
// Software\Classes laid over the read-only system hive <system>/classes.reg;
// writes to it go to the user hive. Several processes may share one hive:
// every open re-reads a changed file, every write is applied under an
// exclusive lock to the newest file and replaces it atomically.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace parlotto {

enum class RootKey { kCurrentUser, kClassesRoot };

// Value types with the registry's numbers.
enum class RegType : std::uint32_t {
  kNone = 0,
  kSz = 1,
  kExpandSz = 2,
  kBinary = 3,
  kDword = 4,
  kMultiSz = 7,
  kQword = 11,
};

struct RegValue {
  RegType type = RegType::kNone;
  std::string text;                // kSz, kExpandSz (UTF-8, no expansion)
  std::uint32_t dword = 0;         // kDword
  std::vector<std::uint8_t> data;  // every other type, raw bytes
};

// A value that is missing or of the wrong type for the read.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Hive;

// One accessor with one current key, like the program's registry component.
// Key paths use backslashes; a leading backslash makes a path absolute (from
// the root), otherwise it is relative to the current key. Key and value names
// compare case-insensitively and keep the case they were created with.
class Registry {
 public:
  explicit Registry(RootKey root = RootKey::kCurrentUser);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  RootKey Root() const { return root_; }

  // Makes `key` the current key. Without `can_create` a missing key fails and
  // leaves the current key as it was. With it, the missing keys are created
  // (a write to the hive); that fails when the hive cannot be written.
  bool OpenKey(const std::string& key, bool can_create);
  void CloseKey();
  bool HasCurrentKey() const { return has_current_; }
  // The current key's full path without a leading backslash ("" for the root).
  const std::string& CurrentPath() const { return current_path_; }

  bool KeyExists(const std::string& key) const;
  bool ValueExists(const std::string& name) const;
  // The stored value, if any; `name` "" is the key's default value.
  bool GetValue(const std::string& name, RegValue* value) const;

  // Reading rules of the program's settings: an integer or Boolean must exist
  // as REG_DWORD, else ERegistryException. A string may be REG_SZ or
  // REG_EXPAND_SZ (not expanded), a missing one reads ""; another type
  // throws. Strings end at their first zero character.
  std::int32_t ReadInteger(const std::string& name) const;
  bool ReadBool(const std::string& name) const;  // non-zero is true
  std::string ReadString(const std::string& name) const;

  // Writes into the current key. Throw ERegistryException when there is no
  // current key or the hive cannot be written.
  void WriteInteger(const std::string& name, std::int32_t value);
  void WriteBool(const std::string& name, bool value);  // DWORD 0 or 1
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  void WriteValue(const std::string& name, const RegValue& value);

  // Deletes a value of the current key; false if it did not exist or the hive
  // could not be written.
  bool DeleteValue(const std::string& name);
  // Deletes `key` with all its subkeys and values; false if it did not exist
  // or the hive could not be written. Keys of the system hive cannot be
  // deleted.
  bool DeleteKey(const std::string& key);

  // Names of the current key's subkeys and values, in stored order.
  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

  // The .reg text of `key` and everything under it (the header line, then one
  // section per key), as the export tool writes it. Empty if `key` is missing.
  std::string ExportKey(const std::string& key) const;

  // The name of a root as written in .reg files, e.g. "HKEY_CURRENT_USER".
  static const char* RootName(RootKey root);

 private:
  std::string Resolve(const std::string& key) const;

  RootKey root_;
  bool has_current_ = false;
  std::string current_path_;
};

// File locations; each resolves the environment anew so that tests can point
// them elsewhere.
std::string UserHivePath();
std::string SystemHivePath();

}  // namespace parlotto
