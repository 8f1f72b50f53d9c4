#include "platform/com_runtime/object_exporter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QUuid>
#include <exception>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/call_handler.h"
#include "platform/loop/exception_guard.h"

namespace parlotto {
namespace {

// One reference that a client lent for passing on, until someone claims it.
struct Loan {
  QString path;
  QString lender;
};

struct Entry {
  ComPtr<IUnknown> object;           // the identity; keeps the object while anyone holds it
  std::map<QString, quint32> refs;   // by client
  std::map<QString, quint32> locks;  // LockServer(TRUE) of a class object, by client
  bool is_class_object = false;
};

class Exporter : public QDBusVirtualObject {
 public:
  static Exporter& Instance() {
    static Exporter* exporter = new Exporter;
    return *exporter;
  }

  HRESULT Export(IUnknown* object, const QString& client, QString* path) {
    QString receiver;
    HRESULT hr = ResolveClient(client, &receiver);
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> identity;
    hr = object->QueryInterface(IID_IUnknown, identity.ReceiveVoid());
    if (FAILED(hr)) return hr;
    auto found = by_identity_.find(identity.Get());
    if (found == by_identity_.end()) {
      QString new_path = ObjectPath(next_id_++);
      entries_[new_path].object = identity;
      found = by_identity_.emplace(identity.Get(), new_path).first;
    }
    const QString found_path = found->second;
    hr = Count(found_path, receiver);
    if (FAILED(hr)) {
      EraseIfUnheld(entries_.find(found_path));
      return hr;
    }
    *path = found_path;
    return S_OK;
  }

  // Moves the reference lent under `token` to `claimant`, or gives it back
  // for an empty `claimant`.
  HRESULT Claim(const QString& path, const QString& token, const QString& claimant) {
    auto loan = loans_.find(token);
    if (loan == loans_.end() || loan->second.path != path) return CO_E_OBJNOTCONNECTED;
    const QString lender = loan->second.lender;
    loans_.erase(loan);
    auto it = entries_.find(path);
    if (it == entries_.end() || !it->second.refs.count(lender)) return CO_E_OBJNOTCONNECTED;
    HRESULT hr = claimant.isEmpty() ? S_OK : Count(path, claimant);
    // Counted for the claimant first, so that the object stays meanwhile.
    Drop(path, lender, 1);
    return hr;
  }

  HRESULT Find(const QString& path, IUnknown** object) {
    auto it = entries_.find(path);
    if (it == entries_.end()) return RPC_E_DISCONNECTED;
    *object = it->second.object.Get();
    (*object)->AddRef();
    return S_OK;
  }

  HRESULT Publish(REFCLSID clsid, IUnknown* class_object) {
    if (!Registered()) return RPC_S_SERVER_UNAVAILABLE;
    Entry& entry = entries_[ClassObjectPath(clsid)];
    entry.object = ComPtr<IUnknown>(class_object);
    entry.is_class_object = true;
    return S_OK;
  }

  // A lock counts for the client that made it, and an unlock takes back
  // only one of the caller's own: a peer that never locked cannot stop a
  // server that others use.
  HRESULT LockServer(const QString& path, const QString& client, bool lock) {
    auto it = entries_.find(path);
    if (it == entries_.end() || !it->second.is_class_object) return RPC_E_DISCONNECTED;
    ComPtr<IClassFactory> factory;
    HRESULT hr = it->second.object->QueryInterface(IID_IClassFactory, factory.ReceiveVoid());
    if (FAILED(hr)) return hr;
    if (lock) {
      hr = PeerFailure(client);
      if (FAILED(hr)) return hr;
      if (!WatchPeer(client)) return RPC_S_SERVER_UNAVAILABLE;
      hr = factory->LockServer(1);
      if (SUCCEEDED(hr)) ++it->second.locks[client];
      return hr;
    }
    auto held = it->second.locks.find(client);
    if (held == it->second.locks.end()) return S_OK;
    if (--held->second == 0) it->second.locks.erase(held);
    return factory->LockServer(0);
  }

  void Withdraw(REFCLSID clsid) {
    auto it = entries_.find(ClassObjectPath(clsid));
    if (it == entries_.end()) return;
    it->second.is_class_object = false;
    if (it->second.refs.empty()) entries_.erase(it);
  }

  // Gives back `count` references of `client` (all of them for 0).
  void Drop(const QString& path, const QString& client, quint32 count) {
    auto it = entries_.find(path);
    if (it == entries_.end()) return;
    auto ref = it->second.refs.find(client);
    if (ref == it->second.refs.end()) return;
    if (count == 0 || count >= ref->second) {
      it->second.refs.erase(ref);
    } else {
      ref->second -= count;
    }
    EraseIfUnheld(it);
  }

  int ReferenceCount() const {
    int total = 0;
    for (const auto& [path, entry] : entries_) {
      if (entry.is_class_object) continue;
      for (const auto& [client, count] : entry.refs) total += static_cast<int>(count);
    }
    return total;
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable")) {
      QDBusConnection(connection).send(message.createReply(IntrospectionDocument(message.path())));
      return true;
    }
    QDBusMessage reply;
    try {
      reply = HandleCall(message);
    } catch (...) {
      // The object threw instead of failing: the caller gets the server
      // fault, the program its exception hook.
      std::exception_ptr error = std::current_exception();
      RunGuarded([error] { std::rethrow_exception(error); });
      reply = ErrorReply(message, RPC_E_SERVERFAULT);
    }
    // Invalid: the object answers later.
    if (!message.isReplyRequired() || reply.type() == QDBusMessage::InvalidMessage) return true;
    QDBusConnection(connection).send(reply);
    return true;
  }

  QString IntrospectionDocument(const QString& path) const {
    return QStringLiteral(
               "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>"
               "<interface name=\"org.freedesktop.DBus.Introspectable\"><method "
               "name=\"Introspect\">"
               "<arg name=\"xml_data\" type=\"s\" direction=\"out\"/></method></interface>") +
           introspect(path) + QStringLiteral("</node>\n");
  }

  QString introspect(const QString& path) const override {
    auto it = entries_.find(path);
    if (it != entries_.end()) return IntrospectionXml(it->second.object.Get());
    // Inner nodes list their children, so that a recursive look finds all.
    QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    std::set<QString> children;
    for (const auto& [object_path, entry] : entries_) {
      if (!object_path.startsWith(prefix)) continue;
      children.insert(object_path.mid(prefix.size()).section(QLatin1Char('/'), 0, 0));
    }
    QString xml;
    for (const QString& child : children) xml += QStringLiteral("<node name=\"%1\"/>").arg(child);
    return xml;
  }

 private:
  Exporter() {
    // Released from the event loop: the news may come in the middle of a
    // call whose objects must not go away under it.
    AddPeerGoneListener([this](const QString& client) {
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [this, client] { ForgetClient(client); },
          Qt::QueuedConnection);
    });
    registered_ = ComConnection().registerVirtualObject(QLatin1String(kComRootPath), this,
                                                        QDBusConnection::SubPath);
  }

  bool Registered() const { return registered_; }

  // The unique name that `client` stands for: itself, or the owner of a
  // well-known name.
  static HRESULT ResolveClient(const QString& client, QString* unique) {
    if (client.isEmpty()) return E_INVALIDARG;
    if (client.startsWith(QLatin1Char(':'))) {
      *unique = client;
      return S_OK;
    }
    QDBusConnectionInterface* bus = ComConnection().interface();
    QDBusReply<QString> owner = bus ? bus->serviceOwner(client) : QDBusReply<QString>();
    if (!owner.isValid()) return RPC_S_SERVER_UNAVAILABLE;
    if (!owner.value().startsWith(QLatin1Char(':'))) return E_INVALIDARG;  // the bus itself
    *unique = owner.value();
    return S_OK;
  }

  // Counts one reference for `client`, a unique name; a client that is not
  // on the bus (any more) would never be forgotten, so it gets none.
  HRESULT Count(const QString& path, const QString& client) {
    HRESULT gone = PeerFailure(client);
    if (FAILED(gone)) return gone;
    if (!WatchPeer(client)) return RPC_S_SERVER_UNAVAILABLE;
    ++entries_[path].refs[client];
    return S_OK;
  }

  // Objects go when no client holds them; class objects stay published.
  void EraseIfUnheld(std::map<QString, Entry>::iterator it) {
    if (it->second.refs.empty() && !it->second.is_class_object) Erase(it);
  }

  void Erase(std::map<QString, Entry>::iterator it) {
    by_identity_.erase(it->second.object.Get());
    std::erase_if(loans_, [&](const auto& loan) { return loan.second.path == it->first; });
    // Released last: the object's destructor may call back into this table.
    ComPtr<IUnknown> object = std::move(it->second.object);
    entries_.erase(it);
    object.Reset();
  }

  // A client whose connection went away or stopped answering: everything it
  // held is released, and what it lent is no longer there to claim.
  void ForgetClient(const QString& client) {
    std::erase_if(loans_, [&](const auto& loan) { return loan.second.lender == client; });
    std::vector<QString> paths;
    std::vector<QString> locked;
    for (const auto& [path, entry] : entries_) {
      if (entry.refs.count(client)) paths.push_back(path);
      if (entry.locks.count(client)) locked.push_back(path);
    }
    for (const QString& path : locked) {
      // Looked up anew: an unlock may end what the table holds.
      auto it = entries_.find(path);
      while (it != entries_.end() && it->second.locks.count(client)) {
        LockServer(path, client, false);
        it = entries_.find(path);
      }
    }
    for (const QString& path : paths) Drop(path, client, 0);
  }

  QDBusMessage HandleCall(const QDBusMessage& message) {
    auto it = entries_.find(message.path());
    if (it == entries_.end()) return ErrorReply(message, RPC_E_DISCONNECTED);
    ComPtr<IUnknown> object = it->second.object;
    if (message.interface() == QLatin1String(kUnknownInterface)) {
      return HandleUnknownCall(message, object.Get());
    }
    return HandleInterfaceCall(message, object.Get());
  }

  // Every count here is for the sender of the call as the bus stamped it;
  // no caller can count a reference for anyone else.
  QDBusMessage HandleUnknownCall(const QDBusMessage& message, IUnknown* object) {
    const QString member = message.member();
    const QString sender = message.service();
    const QList<QVariant> args = message.arguments();
    if (member == QLatin1String("Ping") && Takes(message, "")) {
      // Answered here, on the thread that handles every object's calls.
      return message.createReply();
    }
    if (member == QLatin1String("Release") && Takes(message, "u")) {
      Drop(message.path(), sender, args[0].toUInt());
      return message.createReply();
    }
    if (member == QLatin1String("Lend") && Takes(message, "")) {
      // One more reference for the sender, to pass on to a third process,
      // which claims it with the token.
      auto it = entries_.find(message.path());
      if (it == entries_.end() || !it->second.refs.count(sender)) {
        return ErrorReply(message, E_ACCESSDENIED);
      }
      HRESULT hr = Count(message.path(), sender);
      if (FAILED(hr)) return ErrorReply(message, hr);
      QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
      loans_[token] = Loan{message.path(), sender};
      return message.createReply(token);
    }
    if (member == QLatin1String("Claim") && Takes(message, "s")) {
      HRESULT hr = Claim(message.path(), args[0].toString(), sender);
      if (FAILED(hr)) return ErrorReply(message, hr);
      return message.createReply();
    }
    if (member == QLatin1String("QueryInterface") && Takes(message, "s")) {
      GUID iid;
      if (!GuidFromString(args[0].toString().toStdString(), &iid)) {
        return ErrorReply(message, E_INVALIDARG);
      }
      ComPtr<IUnknown> result;
      HRESULT hr = object->QueryInterface(iid, result.ReceiveVoid());
      if (FAILED(hr)) return ErrorReply(message, hr);
      hr = Count(message.path(), sender);
      if (FAILED(hr)) return ErrorReply(message, hr);
      return message.createReply();
    }
    return ErrorReply(message, DISP_E_MEMBERNOTFOUND);
  }

  std::map<QString, Entry> entries_;
  std::unordered_map<IUnknown*, QString> by_identity_;
  std::map<QString, Loan> loans_;  // by token
  quint64 next_id_ = 1;
  bool registered_ = false;
};

}  // namespace

HRESULT ExportObject(IUnknown* object, const QString& client, QString* path) {
  if (object == nullptr || path == nullptr) return E_POINTER;
  return Exporter::Instance().Export(object, client, path);
}

HRESULT ClaimExportedReference(const QString& path, const QString& token, const QString& claimant) {
  return Exporter::Instance().Claim(path, token, claimant);
}

HRESULT FindExportedObject(const QString& path, IUnknown** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return Exporter::Instance().Find(path, object);
}

HRESULT PublishClassObject(REFCLSID clsid, IUnknown* class_object) {
  return Exporter::Instance().Publish(clsid, class_object);
}

void WithdrawClassObject(REFCLSID clsid) { Exporter::Instance().Withdraw(clsid); }

HRESULT LockClassObject(const QString& path, const QString& client, bool lock) {
  return Exporter::Instance().LockServer(path, client, lock);
}

int ExportedReferenceCount() { return Exporter::Instance().ReferenceCount(); }

QString OwnBusName() { return ComConnection().baseService(); }

}  // namespace parlotto
