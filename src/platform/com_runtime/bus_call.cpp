#include "platform/com_runtime/bus_call.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_names.h"

namespace parlotto {
namespace {

// Errors of the bus itself, as the window system reports the same trouble.
HRESULT HResultOfBusError(const QString& name) {
  if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
      name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
    return RPC_S_SERVER_UNAVAILABLE;
  }
  if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
      name == QLatin1String("org.freedesktop.DBus.Error.Disconnected") ||
      name == QLatin1String("org.freedesktop.DBus.Error.Timeout")) {
    return RPC_S_CALL_FAILED;
  }
  if (name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject")) return RPC_E_DISCONNECTED;
  if (name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface")) return E_NOINTERFACE;
  if (name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))
    return DISP_E_MEMBERNOTFOUND;
  if (name == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs")) return DISP_E_TYPEMISMATCH;
  if (name == QLatin1String("org.freedesktop.DBus.Error.NoMemory")) return E_OUTOFMEMORY;
  if (name == QLatin1String("org.freedesktop.DBus.Error.AccessDenied")) return E_ACCESSDENIED;
  return E_FAIL;
}

// A wait for an answer, so that a peer's going ends it.
struct Wait {
  QString peer;
  QEventLoop* loop;
};

thread_local int t_depth = 0;
thread_local std::vector<Wait*> t_waits;

class Peers {
 public:
  static Peers& Instance() {
    static Peers* peers = new Peers;
    return *peers;
  }

  bool Watch(const QString& name) {
    if (!name.startsWith(QLatin1Char(':'))) return false;
    if (gone_.count(name)) return false;
    if (watched_.count(name)) return true;
    watched_.insert(name);
    watcher_.addWatchedService(name);
    // Watched first, then asked: a peer that leaves in between is seen too.
    QDBusConnectionInterface* bus = ComConnection().interface();
    QDBusReply<bool> registered = bus ? bus->isServiceRegistered(name) : QDBusReply<bool>();
    if (!registered.isValid() || !registered.value()) {
      Gone(name, RPC_S_SERVER_UNAVAILABLE, false);
      return false;
    }
    return true;
  }

  HRESULT Failure(const QString& name) const {
    // Without the bus no peer can be reached, watched or not.
    if (!ComConnection().isConnected()) return RPC_S_SERVER_UNAVAILABLE;
    auto it = gone_.find(name);
    return it == gone_.end() ? S_OK : it->second;
  }

  // `end_waits`: for a peer that is still on the bus but will not answer.
  // (The bus itself answers the calls to one that left it.)
  void Gone(const QString& name, HRESULT hr, bool end_waits) {
    if (!gone_.emplace(name, hr).second) return;
    if (watched_.erase(name)) watcher_.removeWatchedService(name);
    if (end_waits) {
      for (Wait* wait : t_waits) {
        if (wait->peer == name) wait->loop->quit();
      }
    }
    auto listeners = listeners_;
    for (const auto& listener : listeners) listener(name);
  }

  void Listen(std::function<void(const QString&)> listener) {
    listeners_.push_back(std::move(listener));
  }
  void ListenForBusLoss(std::function<void()> listener) {
    bus_lost_listeners_.push_back(std::move(listener));
  }

 private:
  Peers() {
    watcher_.setConnection(ComConnection());
    watcher_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered,
                     [this](const QString& name) { Gone(name, RPC_S_SERVER_UNAVAILABLE, false); });
    // A bus that goes away (its daemon killed, the session ended) takes
    // every peer with it, and no peer's leaving is announced: its waits
    // would never end. The connection's own farewell says so; a zero timer
    // is the slot it calls, and runs the news from the loop.
    bus_lost_.setSingleShot(true);
    bus_lost_.setInterval(0);
    QObject::connect(&bus_lost_, &QTimer::timeout, [this] {
      const std::set<QString> watched = watched_;
      for (const QString& name : watched) Gone(name, RPC_S_SERVER_UNAVAILABLE, true);
      auto listeners = bus_lost_listeners_;
      for (const auto& listener : listeners) listener();
    });
    ComConnection().connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                            QStringLiteral("org.freedesktop.DBus.Local"),
                            QStringLiteral("Disconnected"), &bus_lost_, SLOT(start()));
  }

  QDBusServiceWatcher watcher_;
  QTimer bus_lost_;
  std::set<QString> watched_;
  // Unique names are never used again, so the gone stay gone.
  std::map<QString, HRESULT> gone_;
  std::vector<std::function<void(const QString&)>> listeners_;
  std::vector<std::function<void()>> bus_lost_listeners_;
};

}  // namespace

namespace {

int TimeoutFromEnv(const char* name, int fallback_ms) {
  const char* text = std::getenv(name);
  int value = text ? std::atoi(text) : 0;
  return value > 0 ? value : fallback_ms;
}

}  // namespace

int CallbackTimeoutMs() { return TimeoutFromEnv("PARLOTTO_COM_CALLBACK_TIMEOUT_MS", 10000); }

int ServerTimeoutMs() { return TimeoutFromEnv("PARLOTTO_COM_SERVER_TIMEOUT_MS", 60000); }

HRESULT CallAndWait(const QDBusMessage& call, QDBusMessage* reply, int timeout_ms,
                    bool ask_if_alive) {
  QDBusConnection& connection = ComConnection();
  if (!connection.isConnected()) return RPC_S_SERVER_UNAVAILABLE;
  const QString peer = call.service();
  HRESULT gone = PeerFailure(peer);
  if (FAILED(gone)) return gone;
  // Each wait below runs a nested loop in which calls come in that may wait
  // in turn; without a bound, callers that keep calling pile them up.
  if (t_depth >= kMaxNestedCalls) return RPC_E_CALL_REJECTED;
  QDBusPendingCall pending = connection.asyncCall(call, INT_MAX);
  bool timed_out = false;
  if (!pending.isFinished()) {
    ++t_depth;
    QDBusPendingCallWatcher watcher(pending);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    // Kept to the end of the wait: a ping's answer may come at any time.
    std::vector<std::unique_ptr<QDBusPendingCallWatcher>> pings;
    bool pinging = false;
    if (timeout_ms > 0) {
      timer.setSingleShot(true);
      QObject::connect(&timer, &QTimer::timeout, [&] {
        if (ask_if_alive && !pinging) {
          // Any answer, an error included, shows a peer that takes calls.
          pinging = true;
          const QDBusMessage ping = QDBusMessage::createMethodCall(
              peer, call.path(), QLatin1String(kUnknownInterface), QStringLiteral("Ping"));
          pings.push_back(
              std::make_unique<QDBusPendingCallWatcher>(connection.asyncCall(ping, INT_MAX)));
          QObject::connect(pings.back().get(), &QDBusPendingCallWatcher::finished, [&] {
            pinging = false;
            timer.start(timeout_ms);
          });
          timer.start(timeout_ms);
          return;
        }
        timed_out = true;
        loop.quit();
      });
      timer.start(timeout_ms);
    }
    Wait wait{peer, &loop};
    t_waits.push_back(&wait);
    if (!pending.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    std::erase(t_waits, &wait);
    --t_depth;
  }
  if (!pending.isFinished()) {
    if (timed_out) {
      // A peer that does not answer in time is as good as gone.
      TreatPeerAsGone(peer, RPC_E_DISCONNECTED);
      return RPC_E_TIMEOUT;
    }
    HRESULT failure = PeerFailure(peer);
    return FAILED(failure) ? failure : RPC_S_CALL_FAILED;  // the loop was told to end
  }
  *reply = pending.reply();
  return HResultOfReply(*reply);
}

HRESULT SendOneWay(const QDBusMessage& call) {
  QDBusConnection& connection = ComConnection();
  if (!connection.isConnected()) return RPC_S_SERVER_UNAVAILABLE;
  HRESULT gone = PeerFailure(call.service());
  if (FAILED(gone)) return gone;
  // send() marks a method call as expecting no reply.
  return connection.send(call) ? S_OK : RPC_S_CALL_FAILED;
}

int NestedCallDepth() { return t_depth; }

QDBusMessage ErrorReply(const QDBusMessage& call, HRESULT hr) {
  ComPtr<IErrorInfo> info;
  GetErrorInfo(0, info.Receive());
  const char* name = HResultName(hr);
  QString error_name = QLatin1String(kErrorPrefix) +
                       (name ? QString::fromLatin1(name)
                             : QStringLiteral("x%1")
                                   .arg(static_cast<quint32>(hr), 8, 16, QLatin1Char('0'))
                                   .toUpper());
  if (!info) return call.createErrorReply(error_name, QString::fromStdString(HResultMessage(hr)));
  // Bus tools show an error's text only when it is the whole body, so the
  // rest of the error info rides on a last line of its own, where JSON keeps
  // it on one line whatever it holds.
  ErrorInfoFields fields = ReadErrorInfo(info.Get());
  QJsonObject rest{{QStringLiteral("source"), QString(fields.source)},
                   {QStringLiteral("helpFile"), QString(fields.help_file)},
                   {QStringLiteral("helpContext"), static_cast<qint64>(fields.help_context)},
                   {QStringLiteral("guid"), QString::fromStdString(StringFromGUID(fields.guid))}};
  QString text = QString(fields.description) + QLatin1Char('\n') + QLatin1String(kErrorInfoMarker) +
                 QString::fromUtf8(QJsonDocument(rest).toJson(QJsonDocument::Compact));
  return call.createErrorReply(error_name, text);
}

HRESULT HResultOfReply(const QDBusMessage& reply) {
  if (reply.type() == QDBusMessage::ReplyMessage) return S_OK;
  if (reply.type() != QDBusMessage::ErrorMessage) return RPC_S_CALL_FAILED;
  QString name = reply.errorName();
  if (!name.startsWith(QLatin1String(kErrorPrefix))) return HResultOfBusError(name);
  std::string code = name.mid(static_cast<int>(std::strlen(kErrorPrefix))).toStdString();
  HRESULT hr = E_FAIL;
  if (!HResultFromName(code, &hr) && code.size() == 9 && code[0] == 'x') {
    char* end = nullptr;
    unsigned long value = std::strtoul(code.c_str() + 1, &end, 16);
    if (end != nullptr && *end == '\0') hr = static_cast<HRESULT>(value);
  }
  if (SUCCEEDED(hr)) hr = E_FAIL;
  const QList<QVariant> args = reply.arguments();
  if (args.size() != 1 || args[0].userType() != QMetaType::QString) return hr;
  // Only the last line counts, so a description may hold anything, even
  // lines that look like this one.
  const QString text = args[0].toString();
  const qsizetype end = text.lastIndexOf(QLatin1Char('\n'));
  if (end < 0) return hr;
  const QString last = text.mid(end + 1);
  if (!last.startsWith(QLatin1String(kErrorInfoMarker))) return hr;
  QJsonParseError error;
  QJsonDocument rest = QJsonDocument::fromJson(
      last.mid(static_cast<qsizetype>(std::strlen(kErrorInfoMarker))).toUtf8(), &error);
  if (error.error != QJsonParseError::NoError || !rest.isObject()) return hr;
  const QJsonObject object = rest.object();
  ErrorInfoFields fields;
  fields.description = text.left(end);
  fields.source = object.value(QStringLiteral("source")).toString();
  fields.help_file = object.value(QStringLiteral("helpFile")).toString();
  fields.help_context = static_cast<DWORD>(object.value(QStringLiteral("helpContext")).toInteger());
  GuidFromString(object.value(QStringLiteral("guid")).toString().toStdString(), &fields.guid);
  SetErrorInfoFields(fields);
  return hr;
}

bool WatchPeer(const QString& name) { return Peers::Instance().Watch(name); }

HRESULT PeerFailure(const QString& name) { return Peers::Instance().Failure(name); }

void TreatPeerAsGone(const QString& name, HRESULT hr) { Peers::Instance().Gone(name, hr, true); }

void AddPeerGoneListener(std::function<void(const QString&)> listener) {
  Peers::Instance().Listen(std::move(listener));
}

void AddBusLostListener(std::function<void()> listener) {
  Peers::Instance().ListenForBusLoss(std::move(listener));
}

}  // namespace parlotto
