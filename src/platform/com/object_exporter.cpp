#include "platform/com/object_exporter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <exception>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/com/apartment.h"
#include "platform/com/bus_call.h"
#include "platform/com/bus_names.h"
#include "platform/com/call_handler.h"
#include "platform/dispatch.h"

namespace parlotto {
namespace {

struct Entry {
  ComPtr<IUnknown> object;          // the identity; keeps the object while anyone holds it
  std::map<QString, quint32> refs;  // by client
  bool is_class_object = false;
};

class Exporter : public QDBusVirtualObject {
 public:
  static Exporter& Instance() {
    static Exporter* exporter = new Exporter;
    return *exporter;
  }

  HRESULT Export(IUnknown* object, const QString& client, QString* path) {
    ComPtr<IUnknown> identity;
    HRESULT hr = object->QueryInterface(IID_IUnknown, identity.ReceiveVoid());
    if (FAILED(hr)) return hr;
    auto found = by_identity_.find(identity.Get());
    if (found == by_identity_.end()) {
      QString new_path = ObjectPath(next_id_++);
      entries_[new_path].object = identity;
      found = by_identity_.emplace(identity.Get(), new_path).first;
    }
    *path = found->second;
    Count(found->second, client);
    return S_OK;
  }

  HRESULT AddReference(const QString& path, const QString& client) {
    if (entries_.find(path) == entries_.end()) return RPC_E_DISCONNECTED;
    Count(path, client);
    return S_OK;
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
    if (it->second.refs.empty() && !it->second.is_class_object) Erase(it);
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
      Dispatch([error] { std::rethrow_exception(error); });
      reply = ErrorReply(message, RPC_E_SERVERFAULT);
    }
    if (!message.isReplyRequired()) return true;
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
    watcher_.setConnection(ComConnection());
    watcher_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered,
                     [this](const QString& client) { ForgetClient(client); });
    registered_ = ComConnection().registerVirtualObject(QLatin1String(kComRootPath), this,
                                                        QDBusConnection::SubPath);
  }

  bool Registered() const { return registered_; }

  void Count(const QString& path, const QString& client) {
    quint32& count = entries_[path].refs[client];
    if (count++ == 0 && !watcher_.watchedServices().contains(client))
      watcher_.addWatchedService(client);
  }

  void Erase(std::map<QString, Entry>::iterator it) {
    by_identity_.erase(it->second.object.Get());
    // Released last: the object's destructor may call back into this table.
    ComPtr<IUnknown> object = std::move(it->second.object);
    entries_.erase(it);
    object.Reset();
  }

  // A client whose connection went away: everything it held is released.
  void ForgetClient(const QString& client) {
    watcher_.removeWatchedService(client);
    std::vector<QString> paths;
    for (const auto& [path, entry] : entries_) {
      if (entry.refs.count(client)) paths.push_back(path);
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

  QDBusMessage HandleUnknownCall(const QDBusMessage& message, IUnknown* object) {
    const QString member = message.member();
    const QList<QVariant> args = message.arguments();
    if (member == QLatin1String("Release") && args.size() == 1) {
      Drop(message.path(), message.service(), args[0].toUInt());
      return message.createReply();
    }
    if (member == QLatin1String("AddRefFor") && args.size() == 1) {
      auto it = entries_.find(message.path());
      if (it == entries_.end() || !it->second.refs.count(message.service())) {
        return ErrorReply(message, E_ACCESSDENIED);
      }
      Count(message.path(), args[0].toString());
      return message.createReply();
    }
    if (member == QLatin1String("QueryInterface") && args.size() == 1) {
      GUID iid;
      if (!GuidFromString(args[0].toString().toStdString(), &iid)) {
        return ErrorReply(message, E_INVALIDARG);
      }
      ComPtr<IUnknown> result;
      HRESULT hr = object->QueryInterface(iid, result.ReceiveVoid());
      if (FAILED(hr)) return ErrorReply(message, hr);
      Count(message.path(), message.service());
      return message.createReply();
    }
    return ErrorReply(message, DISP_E_MEMBERNOTFOUND);
  }

  std::map<QString, Entry> entries_;
  std::unordered_map<IUnknown*, QString> by_identity_;
  quint64 next_id_ = 1;
  QDBusServiceWatcher watcher_;
  bool registered_ = false;
};

}  // namespace

HRESULT ExportObject(IUnknown* object, const QString& client, QString* path) {
  if (object == nullptr || path == nullptr) return E_POINTER;
  return Exporter::Instance().Export(object, client, path);
}

HRESULT AddExportedReference(const QString& path, const QString& client) {
  return Exporter::Instance().AddReference(path, client);
}

void DropExportedReference(const QString& path, const QString& client) {
  Exporter::Instance().Drop(path, client, 1);
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

int ExportedReferenceCount() { return Exporter::Instance().ReferenceCount(); }

QString OwnBusName() { return ComConnection().baseService(); }

}  // namespace parlotto
