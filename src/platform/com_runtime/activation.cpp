#include "platform/com_runtime/activation.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/inproc_server.h"
#include "platform/com_runtime/object_exporter.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/places/diagnostics.h"
#include "platform/places/places.h"
#include "platform/registry/registry.h"
#include "platform/safe_open/safe_open.h"

namespace parlotto {
namespace {

struct ClassRegistration {
  CLSID clsid;
  ComPtr<IUnknown> object;
  DWORD context;
  bool owns_bus_name = false;
};

std::map<DWORD, ClassRegistration>& Registrations() {
  static std::map<DWORD, ClassRegistration> registrations;
  return registrations;
}

DWORD g_next_cookie = 1;

// The default value of HKEY_CLASSES_ROOT\CLSID\{clsid}\<subkey>, if any.
bool ReadServerEntry(REFCLSID clsid, const char* subkey, std::string* value) {
  Registry registry(RootKey::kClassesRoot);
  std::string key = "\\CLSID\\" + StringFromGUID(clsid) + "\\" + subkey;
  if (!registry.OpenKey(key, false)) return false;
  try {
    *value = registry.ReadString("");
  } catch (const ERegistryException&) {
    return false;
  }
  return !value->empty();
}

bool ClassIsKnown(REFCLSID clsid) {
  Registry registry(RootKey::kClassesRoot);
  return registry.KeyExists("\\CLSID\\" + StringFromGUID(clsid));
}

// "program" args... or "\"program with blanks\"" args...; never a shell.
bool SplitServerCommand(const std::string& command, QString* program, QStringList* args) {
  QString text = QString::fromStdString(command).trimmed();
  if (text.startsWith(QLatin1Char('"'))) {
    int end = text.indexOf(QLatin1Char('"'), 1);
    if (end < 0) return false;
    *program = text.mid(1, end - 1);
    *args = QProcess::splitCommand(text.mid(end + 1));
  } else {
    QStringList parts = QProcess::splitCommand(text);
    if (parts.isEmpty()) return false;
    *program = parts.takeFirst();
    *args = parts;
  }
  return !program->isEmpty();
}

QString NameOwner(const QString& name) {
  QDBusConnectionInterface* bus = ComConnection().interface();
  if (bus == nullptr) return QString();
  QDBusReply<QString> owner = bus->serviceOwner(name);
  return owner.isValid() ? owner.value() : QString();
}

// Serialises the start of one class's server among the processes of this
// user, so that two creators never start two servers. The lock lies in the
// user's private runtime directory; without one, in the temporary directory
// with the care a shared directory needs. A name there that is not our own
// file gives no lock: two servers may start, but no other user can make a
// creator wait or create a file through a link.
class StartLock {
 public:
  explicit StartLock(REFCLSID clsid) {
    const std::string name =
        "parlotto-com-" + std::to_string(geteuid()) + "-" + StringFromGUID(clsid) + ".lock";
    std::string dir = PrivateRuntimeDir();
    if (dir.empty()) dir = TempDir();
    fd_ = OpenOwnFile(dir + name, O_RDWR | O_CREAT, 0600);
    if (fd_ < 0) ReportDiagnostic("no start lock at " + dir + name + ": " + std::strerror(errno));
  }
  ~StartLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  bool TryLock() { return fd_ < 0 || flock(fd_, LOCK_EX | LOCK_NB) == 0; }

 private:
  int fd_ = -1;
};

// Runs the thread's loop (without user input) until `done` or the deadline.
template <typename Done>
bool WaitUntil(Done done, int timeout_ms) {
  QElapsedTimer elapsed;
  elapsed.start();
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done() || elapsed.elapsed() >= timeout_ms) loop.quit();
  });
  poll.start(20);
  if (!done()) loop.exec(QEventLoop::ExcludeUserInputEvents);
  return done();
}

// Starts the class's LocalServer32 command unless its class object is on
// the bus already, and waits for it; the owner's unique name.
HRESULT FindOrStartServer(REFCLSID clsid, QString* owner) {
  // Without a bus a server could offer its class to nobody.
  if (!ComConnection().isConnected()) return RPC_S_SERVER_UNAVAILABLE;
  const QString name = ClassServiceName(clsid);
  *owner = NameOwner(name);
  if (!owner->isEmpty()) return S_OK;

  std::string command;
  if (!ReadServerEntry(clsid, "LocalServer32", &command)) {
    return ClassIsKnown(clsid) ? REGDB_E_READREGDB : REGDB_E_CLASSNOTREG;
  }
  QString program;
  QStringList args;
  if (!SplitServerCommand(command, &program, &args)) return CO_E_SERVER_EXEC_FAILURE;

  const int timeout = ServerStartTimeoutMs();
  StartLock lock(clsid);
  if (!WaitUntil([&] { return lock.TryLock(); }, timeout)) return CO_E_SERVER_EXEC_FAILURE;
  // Another creator may have started it while we waited for the lock.
  *owner = NameOwner(name);
  if (!owner->isEmpty()) return S_OK;

  // Watched before the start, and asked now and then too: a server that is
  // quicker than this thread (which a busy machine may hold up) or whose
  // announcement comes before the watch is in place is found all the same.
  QDBusServiceWatcher watcher(name, ComConnection(), QDBusServiceWatcher::WatchForRegistration);
  bool registered = false;
  QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, [&] { registered = true; });
  args << QStringLiteral("-Embedding");
  qint64 pid = 0;
  if (!QProcess::startDetached(program, args, QString(), &pid)) {
    ReportDiagnostic("cannot start the server " + program.toStdString());
    return CO_E_SERVER_EXEC_FAILURE;
  }
  bool exited = false;
  int polls = 0;
  WaitUntil(
      [&] {
        if (registered) return true;
        exited = kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (exited || ++polls % 10 == 0) registered = !NameOwner(name).isEmpty();
        return registered || exited;
      },
      timeout);
  *owner = NameOwner(name);
  if (owner->isEmpty()) {
    ReportDiagnostic(
        "the server " + program.toStdString() +
        (exited ? " ended without offering its class" : " did not offer its class in time"));
    return CO_E_SERVER_EXEC_FAILURE;
  }
  return S_OK;
}

HRESULT GetRemoteClassObject(REFCLSID clsid, REFIID iid, void** out) {
  QString owner;
  HRESULT hr = FindOrStartServer(clsid, &owner);
  if (FAILED(hr)) return hr;
  // Asking for IUnknown counts the reference that the proxy then takes over.
  QDBusMessage call = QDBusMessage::createMethodCall(owner, ClassObjectPath(clsid),
                                                     QLatin1String(kUnknownInterface),
                                                     QStringLiteral("QueryInterface"));
  call << QString::fromStdString(StringFromGUID(IID_IUnknown));
  QDBusMessage reply;
  hr = CallAndWait(call, &reply, ServerTimeoutMs(), true);
  if (hr == RPC_E_DISCONNECTED || hr == RPC_S_SERVER_UNAVAILABLE) return CO_E_SERVER_STOPPING;
  if (FAILED(hr)) return hr;
  return RemoteObject::FromReference(owner, ClassObjectPath(clsid), iid, out);
}

}  // namespace

int ServerStartTimeoutMs() {
  const char* text = std::getenv("PARLOTTO_COM_START_TIMEOUT_MS");
  int value = text ? std::atoi(text) : 0;
  return value > 0 ? value : 30000;
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* object, DWORD context, DWORD,
                              DWORD* cookie) {
  if (object == nullptr || cookie == nullptr) return E_INVALIDARG;
  *cookie = 0;
  if (!IsComInitialized()) return CO_E_NOTINITIALIZED;
  ClassRegistration registration{clsid, ComPtr<IUnknown>(object), context};
  if (context & CLSCTX_LOCAL_SERVER) {
    HRESULT hr = PublishClassObject(clsid, object);
    if (FAILED(hr)) return hr;
    if (QDBusConnectionInterface* bus = ComConnection().interface()) {
      QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
          bus->registerService(ClassServiceName(clsid), QDBusConnectionInterface::DontQueueService,
                               QDBusConnectionInterface::DontAllowReplacement);
      registration.owns_bus_name =
          reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    }
    // Without the name another process serves this class already, and ours
    // serves this process. Two instances of a program at once are usual, so
    // this is nothing to report.
  }
  *cookie = g_next_cookie++;
  Registrations().emplace(*cookie, std::move(registration));
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  auto it = Registrations().find(cookie);
  if (it == Registrations().end()) return E_INVALIDARG;
  ClassRegistration registration = std::move(it->second);
  Registrations().erase(it);
  if (registration.context & CLSCTX_LOCAL_SERVER) {
    if (registration.owns_bus_name && ComConnection().interface()) {
      ComConnection().interface()->unregisterService(ClassServiceName(registration.clsid));
    }
    WithdrawClassObject(registration.clsid);
  }
  return S_OK;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (!IsComInitialized()) return CO_E_NOTINITIALIZED;
  for (const auto& [cookie, registration] : Registrations()) {
    if (registration.clsid == clsid && (registration.context & context)) {
      return registration.object->QueryInterface(iid, out);
    }
  }
  HRESULT result = REGDB_E_CLASSNOTREG;
  if (context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) {
    std::string library;
    if (ReadServerEntry(clsid, "InprocServer32", &library)) {
      result = GetInprocClassObject(library, clsid, iid, out);
      if (SUCCEEDED(result)) return result;
    }
  }
  if (context & (CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)) {
    HRESULT hr = GetRemoteClassObject(clsid, iid, out);
    if (SUCCEEDED(hr) || hr != REGDB_E_CLASSNOTREG) return hr;
  }
  return result;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.ReceiveVoid());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, iid, out);
}

HRESULT CLSIDFromProgID(const QString& prog_id, CLSID* clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  Registry registry(RootKey::kClassesRoot);
  if (prog_id.isEmpty() || !registry.OpenKey("\\" + prog_id.toStdString() + "\\CLSID", false)) {
    return CO_E_CLASSSTRING;
  }
  try {
    if (GuidFromString(registry.ReadString(""), clsid)) return S_OK;
  } catch (const ERegistryException&) {
  }
  return CO_E_CLASSSTRING;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, QString* prog_id) {
  if (prog_id == nullptr) return E_INVALIDARG;
  std::string value;
  if (!ReadServerEntry(clsid, "ProgID", &value)) return REGDB_E_CLASSNOTREG;
  *prog_id = QString::fromStdString(value);
  return S_OK;
}

}  // namespace parlotto
