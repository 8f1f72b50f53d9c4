#include "automation/server_module.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "automation/read_some_text_impl.h"
#include "automation/vocato_ids.h"
#include "platform/com/typeinfo.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/server_class_factory.h"
#include "platform/com_runtime/server_lifetime.h"
#include "platform/gui/dialogs.h"
#include "platform/loop/application_events.h"
#include "platform/loop/clock.h"
#include "platform/registry/registry.h"
#include "platform/typelib/type_lib_file.h"

namespace parlotto {
namespace {

TServerModule* g_module = nullptr;

const std::string& ClassKey() {
  static const std::string key = "CLSID\\" + StringFromGUID(CLSID_ReadSomeText);
  return key;
}

// One value under HKEY_CLASSES_ROOT; a write that fails is not looked at.
void WriteEntry(const std::string& key, const std::string& name, const std::string& data) {
  try {
    Registry registry(RootKey::kClassesRoot);
    if (registry.OpenKey("\\" + key, true)) registry.WriteString(name, data);
  } catch (const ERegistryException&) {
  }
}

// Deletes `key` and everything below it, first subkey first; the first key
// that cannot be opened or deleted ends the deletion of this tree.
bool DeleteTree(const std::string& key) {
  Registry registry(RootKey::kClassesRoot);
  if (!registry.OpenKey("\\" + key, false)) return false;
  for (;;) {
    registry.OpenKey("\\" + key, false);
    const std::vector<std::string> subkeys = registry.GetKeyNames();
    if (subkeys.empty()) break;
    if (!DeleteTree(key + "\\" + subkeys.front())) return false;
  }
  registry.CloseKey();
  return registry.DeleteKey("\\" + key);
}

// The name the library is registered under the second time: the file
// itself, or the same name with ".tlb" when the file does not load.
HRESULT LoadForSecondRegistration(const QString& file, QString* name, ITypeLib** lib) {
  *name = file;
  HRESULT hr = LoadTypeLib(file, lib);
  if (SUCCEEDED(hr)) return hr;
  const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
  const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
  *name = (dot > slash ? file.left(dot) : file) + QStringLiteral(".tlb");
  return LoadTypeLib(*name, lib);
}

QString HelpDirOf(const QString& file) {
  qsizetype cut = -1;
  for (QChar separator : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')}) {
    cut = std::max(cut, file.lastIndexOf(separator));
  }
  return file.left(cut + 1);
}

// The class object. It keeps no process alive by itself: only objects and
// LockServer do.
class TReadSomeTextFactory final : public ServerClassFactory {
 public:
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return ComObject::Create<TReadSomeTextImpl>(outer, iid, out);
  }
  HRESULT LockServer(BOOL lock) override {
    if (TServerModule* module = TServerModule::Instance()) {
      if (lock) {
        module->LockModule();
      } else if (module->LockCount() > 0) {
        // Anyone on the bus may call this: an unlock without a lock must not
        // leave the count below the objects, or the server would never end.
        module->UnlockModule();
      }
    }
    return S_OK;
  }
};

}  // namespace

bool HasSwitch(const std::vector<std::string>& args, const std::string& word) {
  const QString wanted = QString::fromStdString(word);
  for (const std::string& arg : args) {
    if (arg.empty() || (arg[0] != '-' && arg[0] != '/')) continue;
    if (QString::fromStdString(arg.substr(1)).compare(wanted, Qt::CaseInsensitive) == 0) {
      return true;
    }
  }
  return false;
}

std::string LocalServerCommand(const std::string& program_path) {
  bool blank = false;
  for (char c : program_path) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') blank = true;
  }
  // No short names here: a path with blanks is quoted, which the runtime's
  // starter understands.
  const std::string path = blank ? "\"" + program_path + "\"" : program_path;
  return path + " /Automation";
}

HRESULT RegisterServerEntries(const std::string& program_path) {
  const QString path = QString::fromStdString(program_path);
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLib(path, library.Receive());
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> coclass;
  hr = library->GetTypeInfoOfGuid(CLSID_ReadSomeText, coclass.Receive());
  if (FAILED(hr)) return hr;
  TLIBATTR attr;
  hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;

  const std::string clsid = StringFromGUID(CLSID_ReadSomeText);
  const std::string& key = ClassKey();
  WriteEntry(key, "", kReadSomeTextDescription);
  WriteEntry(key + "\\LocalServer32", "", LocalServerCommand(program_path));
  WriteEntry(key + "\\LocalServer32", "ThreadingModel", "Apartment");
  WriteEntry(kReadSomeTextProgId, "", kReadSomeTextDescription);
  WriteEntry(std::string(kReadSomeTextProgId) + "\\CLSID", "", clsid);
  WriteEntry(key + "\\ProgID", "", kReadSomeTextProgId);
  char version[32];
  std::snprintf(version, sizeof version, "%d.%d", attr.wMajorVerNum, attr.wMinorVerNum);
  WriteEntry(key + "\\Version", "", version);
  WriteEntry(key + "\\Typelib", "", StringFromGUID(attr.guid));

  hr = RegisterTypeLib(library.Get(), path, QString());
  if (FAILED(hr)) return hr;
  QString name;
  ComPtr<ITypeLib> again;
  hr = LoadForSecondRegistration(path, &name, again.Receive());
  if (FAILED(hr)) return hr;
  return RegisterTypeLib(again.Get(), name, HelpDirOf(name));
}

void RemoveServerEntries() {
  DeleteTree(ClassKey());
  DeleteTree(kReadSomeTextProgId);
}

TServerModule::TServerModule(std::vector<std::string> args) : args_(std::move(args)) {
  g_module = this;
}

TServerModule::~TServerModule() {
  SetTerminateCheck(nullptr);
  if (class_registered_) CoRevokeClassObject(cookie_);
  if (g_module == this) g_module = nullptr;
}

TServerModule* TServerModule::Instance() { return g_module; }

bool TServerModule::Initialize() {
  CoInitialize(nullptr);
  if (HasSwitch("REGSERVER")) {
    RegisterServerEntries(OwnExecutablePath().toStdString());
    run_flag_ = false;
  } else if (HasSwitch("UNREGSERVER")) {
    RemoveServerEntries();
    run_flag_ = false;
  } else if (!HasSwitch("AUTOMATION") && !HasSwitch("EMBEDDING")) {
    RegisterServerEntries(OwnExecutablePath().toStdString());
  }
  if (!run_flag_) return false;

  // The object's typed interface is callable over the bus too.
  RegisterReadSomeTextInterface();
  ComPtr<IClassFactory> factory(new TReadSomeTextFactory);
  class_registered_ = SUCCEEDED(CoRegisterClassObject(
      CLSID_ReadSomeText, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
  SetTerminateCheck([this] { return ConfirmTerminateWithActiveObjects(); });
  if (KeptOnlyForClients()) {
    // Started for a client that may have died before it asked for an
    // object: nobody would ever let go of this process.
    QTimer::singleShot(ScaledMs(ServerLifetime::kFirstClientWaitMs), [this] {
      if (lock_count_.load() <= 0) QCoreApplication::exit(0);
    });
  }
  return true;
}

void TServerModule::LockModule() { ++lock_count_; }

void TServerModule::UnlockModule() {
  if (--lock_count_ == 0 && KeptOnlyForClients() && QCoreApplication::instance() != nullptr) {
    // Posted, as a quit message is: the release that got here finishes first.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  }
}

bool TServerModule::KeptOnlyForClients() const {
  return HasSwitch("AUTOMATION") || HasSwitch("EMBEDDING") || kept_for_clients_;
}

bool TServerModule::ConfirmTerminateWithActiveObjects() {
  if (lock_count_.load() <= 0) return true;
  // Kept for the clients, the process ends with their last release.
  kept_for_clients_ = !AskYesNoWarning(
      "Warnung des COM-Servers",
      "Diese Anwendung enthält noch aktive COM-Objekte. Mindestens ein Client verweist noch auf "
      "diese Objekte so daß manuelles Schließen "
      "dieser Anwendung dazu führen könnte, daß die Client-Anwendungen nicht korrekt "
      "funktionieren.\r\n\r\nSind Sie sicher, daß Sie diese Anwendung schließen möchten?");
  // They may all have let go while the question was open.
  if (kept_for_clients_ && lock_count_.load() <= 0) return true;
  return !kept_for_clients_;
}

}  // namespace parlotto
