#include "platform/registry/registry.h"

#include <cstdlib>
#include <unordered_set>

#include "platform/places/places.h"
#include "platform/registry/hive.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/reg_tree.h"
#include "platform/registry/reg_value.h"

namespace parlotto {
namespace {

constexpr char kCurrentUser[] = "HKEY_CURRENT_USER";
constexpr char kClassesRoot[] = "HKEY_CLASSES_ROOT";

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('\\', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) names.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return names;
}

std::string JoinPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return path;
}

// Names that the file format can hold on one line.
bool StorableName(const std::string& name) {
  return name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::shared_ptr<Hive> UserHive() { return Hive::ForPath(UserHivePath(), kCurrentUser); }

// Where a key of `root` lives in the user hive.
std::vector<std::string> UserPath(RootKey root, const std::vector<std::string>& names) {
  std::vector<std::string> path;
  if (root == RootKey::kClassesRoot) path = {"Software", "Classes"};
  path.insert(path.end(), names.begin(), names.end());
  return path;
}

// A key as seen through the user hive and, for HKEY_CLASSES_ROOT, the system
// hive below it. The snapshots keep the key pointers valid.
struct KeyView {
  std::shared_ptr<const RegKey> user_tree;
  std::shared_ptr<const RegKey> system_tree;
  const RegKey* user = nullptr;
  const RegKey* system = nullptr;

  bool Exists() const { return user || system; }

  const RegValue* FindValue(const std::string& name) const {
    const RegValue* value = user ? user->FindValue(name) : nullptr;
    if (!value && system) value = system->FindValue(name);
    return value;
  }
};

KeyView ViewOf(RootKey root, const std::vector<std::string>& names) {
  KeyView view;
  view.user_tree = UserHive()->Snapshot();
  view.user = view.user_tree->Find(UserPath(root, names));
  if (root == RootKey::kClassesRoot) {
    view.system_tree = Hive::ForPath(SystemHivePath(), kClassesRoot)->Snapshot();
    view.system = view.system_tree->Find(names);
  }
  return view;
}

// The user's entries first, then the system's that the user has not.
template <typename Items, typename NameOf>
void AppendUnion(const Items& items, NameOf name_of, std::unordered_set<std::string>* seen,
                 std::vector<std::string>* names) {
  for (const auto& item : items) {
    const std::string& name = name_of(item);
    if (seen->insert(FoldName(name)).second) names->push_back(name);
  }
}

std::string Describe(RootKey root, const std::string& path, const std::string& name) {
  std::string key = Registry::RootName(root);
  if (!path.empty()) key += "\\" + path;
  return "registry value \"" + (name.empty() ? "(Default)" : name) + "\" of " + key;
}

}  // namespace

std::string UserHivePath() {
  const char* hive = std::getenv("PARLOTTO_USER_HIVE");
  if (hive && *hive) return hive;
  return ConfigHome() + "parlotto/user.reg";
}

std::string SystemHivePath() { return SystemDir() + "classes.reg"; }

const char* Registry::RootName(RootKey root) {
  return root == RootKey::kClassesRoot ? kClassesRoot : kCurrentUser;
}

Registry::Registry(RootKey root) : root_(root) {}

Registry::~Registry() = default;

std::string Registry::Resolve(const std::string& key) const {
  std::vector<std::string> names;
  if (!key.empty() && key.front() != '\\' && has_current_) {
    names = SplitPath(current_path_);
  }
  for (std::string& name : SplitPath(key)) names.push_back(std::move(name));
  return JoinPath(names);
}

bool Registry::OpenKey(const std::string& key, bool can_create) {
  std::string path = Resolve(key);
  std::vector<std::string> names = SplitPath(path);
  std::vector<std::string> user_path = UserPath(root_, names);
  if (user_path.size() > kMaxKeyDepth) return false;
  if (!ViewOf(root_, names).Exists()) {
    if (!can_create) return false;
    for (const std::string& name : names) {
      if (!StorableName(name)) return false;
    }
    std::string error;
    bool ok = UserHive()->Modify(
        [&user_path](RegKey* root) {
          bool created = false;
          root->Create(user_path, &created);
          return created;
        },
        &error);
    if (!ok) return false;
  }
  has_current_ = true;
  current_path_ = path;
  return true;
}

void Registry::CloseKey() {
  has_current_ = false;
  current_path_.clear();
}

bool Registry::KeyExists(const std::string& key) const {
  return ViewOf(root_, SplitPath(Resolve(key))).Exists();
}

bool Registry::ValueExists(const std::string& name) const {
  RegValue value;
  return GetValue(name, &value);
}

bool Registry::GetValue(const std::string& name, RegValue* value) const {
  KeyView view = ViewOf(root_, SplitPath(current_path_));
  const RegValue* found = view.FindValue(name);
  if (!found) return false;
  *value = *found;
  return true;
}

std::int32_t Registry::ReadInteger(const std::string& name) const {
  RegValue value;
  if (!GetValue(name, &value)) {
    throw ERegistryException(Describe(root_, current_path_, name) + " does not exist");
  }
  if (value.type != RegType::kDword) {
    throw ERegistryException(Describe(root_, current_path_, name) + " is " +
                             RegTypeName(value.type) + ", not REG_DWORD");
  }
  return static_cast<std::int32_t>(value.dword);
}

bool Registry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

std::string Registry::ReadString(const std::string& name) const {
  RegValue value;
  if (!GetValue(name, &value)) return "";
  if (value.type != RegType::kSz && value.type != RegType::kExpandSz) {
    throw ERegistryException(Describe(root_, current_path_, name) + " is " +
                             RegTypeName(value.type) + ", not a string");
  }
  return value.text.substr(0, value.text.find('\0'));
}

void Registry::WriteInteger(const std::string& name, std::int32_t value) {
  RegValue stored;
  stored.type = RegType::kDword;
  stored.dword = static_cast<std::uint32_t>(value);
  WriteValue(name, stored);
}

void Registry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void Registry::WriteString(const std::string& name, const std::string& value) {
  RegValue stored;
  stored.type = RegType::kSz;
  stored.text = value;
  WriteValue(name, stored);
}

void Registry::WriteExpandString(const std::string& name, const std::string& value) {
  RegValue stored;
  stored.type = RegType::kExpandSz;
  stored.text = value;
  WriteValue(name, stored);
}

void Registry::WriteValue(const std::string& name, const RegValue& value) {
  std::string what = Describe(root_, current_path_, name);
  if (!has_current_) {
    throw ERegistryException("cannot write " + what + ": no key is open");
  }
  if (!StorableName(name)) {
    throw ERegistryException("cannot write " + what + ": the name holds a line break or zero");
  }
  RegValue stored = NormalizedValue(value);
  std::vector<std::string> user_path = UserPath(root_, SplitPath(current_path_));
  std::string error;
  // The key is made again if another process deleted it meanwhile, so that
  // the value is not silently lost.
  bool ok = UserHive()->Modify(
      [&](RegKey* root) {
        bool created = false;
        RegKey* key = root->Create(user_path, &created);
        const RegValue* old = key->FindValue(name);
        if (old && SameValue(*old, stored)) return created;
        key->SetValue(name, stored);
        return true;
      },
      &error);
  if (!ok) throw ERegistryException("cannot write " + what + ": " + error);
}

bool Registry::DeleteValue(const std::string& name) {
  if (!has_current_) return false;
  std::vector<std::string> user_path = UserPath(root_, SplitPath(current_path_));
  bool removed = false;
  std::string error;
  bool ok = UserHive()->Modify(
      [&](RegKey* root) {
        RegKey* key = root->Find(user_path);
        removed = key && key->RemoveValue(name);
        return removed;
      },
      &error);
  return ok && removed;
}

bool Registry::DeleteKey(const std::string& key) {
  std::vector<std::string> names = SplitPath(Resolve(key));
  if (names.empty()) return false;  // The root cannot go.
  std::vector<std::string> user_path = UserPath(root_, names);
  std::string last = user_path.back();
  user_path.pop_back();
  bool removed = false;
  std::string error;
  bool ok = UserHive()->Modify(
      [&](RegKey* root) {
        RegKey* parent = root->Find(user_path);
        removed = parent && parent->RemoveSubkey(last);
        return removed;
      },
      &error);
  return ok && removed;
}

std::vector<std::string> Registry::GetKeyNames() const {
  KeyView view = ViewOf(root_, SplitPath(current_path_));
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  auto name_of = [](const std::unique_ptr<RegKey>& key) -> const std::string& {
    return key->Name();
  };
  if (view.user) AppendUnion(view.user->Subkeys(), name_of, &seen, &names);
  if (view.system) AppendUnion(view.system->Subkeys(), name_of, &seen, &names);
  return names;
}

std::vector<std::string> Registry::GetValueNames() const {
  KeyView view = ViewOf(root_, SplitPath(current_path_));
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  auto name_of = [](const RegKey::NamedValue& entry) -> const std::string& { return entry.name; };
  if (view.user) AppendUnion(view.user->Values(), name_of, &seen, &names);
  if (view.system) AppendUnion(view.system->Values(), name_of, &seen, &names);
  return names;
}

std::string Registry::ExportKey(const std::string& key) const {
  std::vector<std::string> names = SplitPath(Resolve(key));
  KeyView view = ViewOf(root_, names);
  if (!view.Exists()) return "";
  std::unique_ptr<RegKey> merged = MergeKeys(view.user, view.system);
  // Name the section with the stored case of every key on the way down.
  std::string section = RootName(root_);
  const RegKey* user = view.user_tree->Find(UserPath(root_, {}));
  const RegKey* system = view.system_tree.get();
  for (const std::string& name : names) {
    user = user ? user->FindSubkey(name) : nullptr;
    system = system ? system->FindSubkey(name) : nullptr;
    section += "\\" + (user ? user : system)->Name();
  }
  return FormatExport(*merged, section);
}

}  // namespace parlotto
