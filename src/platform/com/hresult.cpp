#include "platform/com/hresult.h"

#include <cstdio>

namespace parlotto {
namespace {

struct Entry {
  HRESULT value;
  const char* name;
  const char* text;
};

#define PARLOTTO_HRESULT_ENTRY(name, value, text) {MakeHResult(value##u), #name, text},
constexpr Entry kEntries[] = {PARLOTTO_HRESULTS(PARLOTTO_HRESULT_ENTRY)};
#undef PARLOTTO_HRESULT_ENTRY

const Entry* Find(HRESULT hr) {
  for (const Entry& entry : kEntries) {
    if (entry.value == hr) return &entry;
  }
  return nullptr;
}

}  // namespace

const char* HResultName(HRESULT hr) {
  const Entry* entry = Find(hr);
  return entry ? entry->name : nullptr;
}

bool HResultFromName(const std::string& name, HRESULT* hr) {
  for (const Entry& entry : kEntries) {
    if (name == entry.name) {
      *hr = entry.value;
      return true;
    }
  }
  return false;
}

std::string HResultMessage(HRESULT hr) {
  const Entry* entry = Find(hr);
  return entry ? entry->text : "";
}

std::string DescribeHResult(HRESULT hr) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(hr));
  const char* name = HResultName(hr);
  return name ? std::string(name) + " (" + hex + ")" : std::string(hex);
}

}  // namespace parlotto
