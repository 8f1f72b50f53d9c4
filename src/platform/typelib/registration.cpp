// RegisterTypeLib and LoadRegTypeLib over the registry's HKEY_CLASSES_ROOT,
// with the keys the window system writes. Version numbers and locale ids in
// key names are hexadecimal there ("1.a" for 1.10), so they are here too.
#include <QDir>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/com/typeinfo.h"
#include "platform/places/diagnostics.h"
#include "platform/registry/registry.h"

namespace parlotto {
namespace {

// Where the window system writes "win32".
const char kPlatformKey[] = "linux";
const char kAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";
const char kDispatchProxy[] = "{00020420-0000-0000-C000-000000000046}";

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

std::string VersionName(WORD major, WORD minor) { return Hex(major) + "." + Hex(minor); }

bool ParseHexWord(std::string_view text, WORD* out) {
  if (text.empty() || text.size() > 4) return false;
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  *out = static_cast<WORD>(value);
  return true;
}

bool ParseVersionName(const std::string& name, WORD* major, WORD* minor) {
  std::size_t dot = name.find('.');
  if (dot == std::string::npos) return false;
  return ParseHexWord(std::string_view(name).substr(0, dot), major) &&
         ParseHexWord(std::string_view(name).substr(dot + 1), minor);
}

std::string LibraryKey(const GUID& libid) { return "\\TypeLib\\" + StringFromGUID(libid); }

struct AutomationInterface {
  IID iid;
  QString name;
  bool dispinterface = false;
};

// The interfaces that the automation marshaller carries, and so gets
// registered: dispinterfaces and dual or oleautomation interfaces.
HRESULT CollectInterfaces(ITypeLib* lib, std::vector<AutomationInterface>* out) {
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = lib->GetTypeInfo(i, info.Receive());
    if (FAILED(hr)) return hr;
    TYPEATTR attr;
    hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    bool automation = attr.typekind == TKIND_INTERFACE &&
                      (attr.wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)) != 0;
    if (attr.typekind != TKIND_DISPATCH && !automation) continue;
    AutomationInterface entry;
    entry.iid = attr.guid;
    entry.dispinterface = attr.typekind == TKIND_DISPATCH;
    hr = info->GetDocumentation(MEMBERID_NIL, &entry.name, nullptr);
    if (FAILED(hr)) return hr;
    out->push_back(entry);
  }
  return S_OK;
}

// Opens (creating) `key` and sets its default value; throws like the
// registry's writes do.
void WriteDefault(Registry* reg, const std::string& key, const std::string& value) {
  if (!reg->OpenKey(key, true)) throw ERegistryException("cannot create " + key);
  reg->WriteString("", value);
}

}  // namespace

HRESULT RegisterTypeLib(ITypeLib* lib, const QString& full_path, const QString& help_dir) {
  if (lib == nullptr || !QDir::isAbsolutePath(full_path)) return E_INVALIDARG;
  TLIBATTR attr;
  HRESULT hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  BSTR name;
  BSTR help;
  hr = lib->GetDocumentation(-1, &name, &help);
  if (FAILED(hr)) return hr;
  std::vector<AutomationInterface> interfaces;
  hr = CollectInterfaces(lib, &interfaces);
  if (FAILED(hr)) return hr;

  std::string libid = StringFromGUID(attr.guid);
  std::string version = VersionName(attr.wMajorVerNum, attr.wMinorVerNum);
  std::string version_key = LibraryKey(attr.guid) + "\\" + version;
  try {
    Registry reg(RootKey::kClassesRoot);
    WriteDefault(&reg, version_key, (help.isEmpty() ? name : help).toStdString());
    WriteDefault(&reg, version_key + "\\FLAGS", std::to_string(attr.wLibFlags));
    WriteDefault(&reg, version_key + "\\HELPDIR", help_dir.toStdString());
    WriteDefault(&reg, version_key + "\\" + Hex(attr.lcid) + "\\" + kPlatformKey,
                 full_path.toStdString());
    for (const AutomationInterface& entry : interfaces) {
      std::string key = "\\Interface\\" + StringFromGUID(entry.iid);
      WriteDefault(&reg, key, entry.name.toStdString());
      WriteDefault(&reg, key + "\\ProxyStubClsid32",
                   entry.dispinterface ? kDispatchProxy : kAutomationProxy);
      WriteDefault(&reg, key + "\\TypeLib", libid);
      reg.WriteString("Version", version);
    }
  } catch (const std::exception& e) {
    ReportDiagnostic("RegisterTypeLib " + libid + ": " + e.what());
    return TYPE_E_REGISTRYACCESS;
  }
  return S_OK;
}

HRESULT LoadRegTypeLib(REFIID libid, WORD major, WORD minor, LCID lcid, ITypeLib** lib) {
  if (lib == nullptr) return E_INVALIDARG;
  *lib = nullptr;
  std::string path;
  try {
    Registry reg(RootKey::kClassesRoot);
    if (!reg.OpenKey(LibraryKey(libid), false)) return TYPE_E_LIBNOTREGISTERED;
    // The same major version with at least the minor asked for; the newest
    // such is compatible with every older one.
    std::string best;
    WORD best_minor = 0;
    for (const std::string& name : reg.GetKeyNames()) {
      WORD key_major = 0;
      WORD key_minor = 0;
      if (!ParseVersionName(name, &key_major, &key_minor)) continue;
      if (key_major != major || key_minor < minor) continue;
      if (best.empty() || key_minor > best_minor) {
        best = name;
        best_minor = key_minor;
      }
    }
    if (best.empty()) return TYPE_E_LIBNOTREGISTERED;
    const std::string version_key = LibraryKey(libid) + "\\" + best + "\\";
    // This locale, else the neutral one, else English.
    for (const std::string& locale : {Hex(lcid), std::string("0"), std::string("9")}) {
      std::string key = version_key;
      key.append(locale).append("\\").append(kPlatformKey);
      if (reg.OpenKey(key, false)) {
        path = reg.ReadString("");
        break;
      }
    }
  } catch (const std::exception& e) {
    ReportDiagnostic("LoadRegTypeLib " + StringFromGUID(libid) + ": " + e.what());
    return TYPE_E_LIBNOTREGISTERED;
  }
  if (path.empty()) return TYPE_E_LIBNOTREGISTERED;

  ComPtr<ITypeLib> loaded;
  HRESULT hr = LoadTypeLib(QString::fromStdString(path), loaded.Receive());
  if (FAILED(hr)) return hr;
  TLIBATTR attr;
  hr = loaded->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  // A stale entry that points at another library must not pass for this one.
  if (attr.guid != libid) {
    ReportDiagnostic("LoadRegTypeLib " + StringFromGUID(libid) + ": " + path + " holds library " +
                     StringFromGUID(attr.guid));
    return TYPE_E_LIBNOTREGISTERED;
  }
  *lib = loaded.Detach();
  return S_OK;
}

}  // namespace parlotto
