#include "platform/registry/reg_tree.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace parlotto {
namespace {

std::string FoldAscii(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// Erases entry `index` and moves the later entries' positions down.
template <typename T>
void EraseIndexed(std::vector<T>* items, std::unordered_map<std::string, std::size_t>* index,
                  std::size_t position) {
  items->erase(items->begin() + static_cast<std::ptrdiff_t>(position));
  for (auto& [folded, where] : *index) {
    if (where > position) --where;
  }
}

}  // namespace

std::string FoldName(const std::string& name) {
  bool ascii = true;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return FoldAscii(name);
  QStringDecoder decoder(QStringDecoder::Utf8);
  QString text = decoder(QByteArrayView(name.data(), name.size()));
  if (decoder.hasError()) return FoldAscii(name);
  QByteArray folded = text.toCaseFolded().toUtf8();
  return std::string(folded.constData(), static_cast<size_t>(folded.size()));
}

const RegValue* RegKey::FindValue(const std::string& name) const {
  auto it = value_index_.find(FoldName(name));
  return it == value_index_.end() ? nullptr : &values_[it->second].value;
}

void RegKey::SetValue(const std::string& name, const RegValue& value) {
  auto [it, inserted] = value_index_.emplace(FoldName(name), values_.size());
  if (inserted) {
    values_.push_back(NamedValue{name, value});
  } else {
    values_[it->second].value = value;
  }
}

bool RegKey::RemoveValue(const std::string& name) {
  auto it = value_index_.find(FoldName(name));
  if (it == value_index_.end()) return false;
  std::size_t position = it->second;
  value_index_.erase(it);
  EraseIndexed(&values_, &value_index_, position);
  return true;
}

const RegKey* RegKey::FindSubkey(const std::string& name) const {
  auto it = subkey_index_.find(FoldName(name));
  return it == subkey_index_.end() ? nullptr : subkeys_[it->second].get();
}

RegKey* RegKey::FindSubkey(const std::string& name) {
  auto it = subkey_index_.find(FoldName(name));
  return it == subkey_index_.end() ? nullptr : subkeys_[it->second].get();
}

RegKey* RegKey::AddSubkey(const std::string& name, bool* created) {
  auto [it, inserted] = subkey_index_.emplace(FoldName(name), subkeys_.size());
  if (inserted) {
    subkeys_.push_back(std::make_unique<RegKey>(name));
    if (created) *created = true;
  }
  return subkeys_[it->second].get();
}

bool RegKey::AdoptSubkey(std::unique_ptr<RegKey> key) {
  auto [it, inserted] = subkey_index_.emplace(FoldName(key->Name()), subkeys_.size());
  if (!inserted) return false;
  subkeys_.push_back(std::move(key));
  return true;
}

bool RegKey::RemoveSubkey(const std::string& name) {
  auto it = subkey_index_.find(FoldName(name));
  if (it == subkey_index_.end()) return false;
  std::size_t position = it->second;
  subkey_index_.erase(it);
  EraseIndexed(&subkeys_, &subkey_index_, position);
  return true;
}

const RegKey* RegKey::Find(const std::vector<std::string>& path) const {
  const RegKey* key = this;
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (!key) return nullptr;
  }
  return key;
}

RegKey* RegKey::Find(const std::vector<std::string>& path) {
  RegKey* key = this;
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (!key) return nullptr;
  }
  return key;
}

RegKey* RegKey::Create(const std::vector<std::string>& path, bool* created) {
  RegKey* key = this;
  for (const std::string& name : path) key = key->AddSubkey(name, created);
  return key;
}

std::unique_ptr<RegKey> MergeKeys(const RegKey* top, const RegKey* bottom) {
  auto merged = std::make_unique<RegKey>(top ? top->Name() : bottom->Name());
  for (const RegKey* layer : {top, bottom}) {
    if (!layer) continue;
    for (const RegKey::NamedValue& entry : layer->Values()) {
      if (!merged->FindValue(entry.name)) {
        merged->SetValue(entry.name, entry.value);
      }
    }
  }
  if (top) {
    for (const auto& sub : top->Subkeys()) {
      const RegKey* under = bottom ? bottom->FindSubkey(sub->Name()) : nullptr;
      merged->AdoptSubkey(MergeKeys(sub.get(), under));
    }
  }
  if (bottom) {
    for (const auto& sub : bottom->Subkeys()) {
      if (merged->FindSubkey(sub->Name())) continue;
      merged->AdoptSubkey(MergeKeys(nullptr, sub.get()));
    }
  }
  return merged;
}

}  // namespace parlotto
