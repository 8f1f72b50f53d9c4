#include "platform/com/bus_call.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/com/apartment.h"
#include "platform/com/bus_names.h"

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

}  // namespace

HRESULT CallAndWait(const QDBusMessage& call, QDBusMessage* reply) {
  QDBusConnection& connection = ComConnection();
  if (!connection.isConnected()) return RPC_S_SERVER_UNAVAILABLE;
  QDBusPendingCall pending = connection.asyncCall(call, INT_MAX);
  if (!pending.isFinished()) {
    QDBusPendingCallWatcher watcher(pending);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!pending.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  *reply = pending.reply();
  return HResultOfReply(*reply);
}

QDBusMessage ErrorReply(const QDBusMessage& call, HRESULT hr) {
  ComPtr<IErrorInfo> info;
  GetErrorInfo(0, info.Receive());
  ErrorInfoFields fields = ReadErrorInfo(info.Get());
  const char* name = HResultName(hr);
  QString error_name = QLatin1String(kErrorPrefix) +
                       (name ? QString::fromLatin1(name)
                             : QStringLiteral("x%1")
                                   .arg(static_cast<quint32>(hr), 8, 16, QLatin1Char('0'))
                                   .toUpper());
  QString text = info ? fields.description : QString::fromStdString(HResultMessage(hr));
  QDBusMessage reply = call.createErrorReply(error_name, text);
  // A bare text keeps the error readable for any bus tool; the rest of the
  // error info follows only when there is some.
  if (info) {
    reply << fields.source << fields.help_file << static_cast<quint32>(fields.help_context)
          << QString::fromStdString(StringFromGUID(fields.guid));
  }
  return reply;
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
  if (args.size() == 5) {
    ErrorInfoFields fields;
    fields.description = args[0].toString();
    fields.source = args[1].toString();
    fields.help_file = args[2].toString();
    fields.help_context = args[3].toUInt();
    GuidFromString(args[4].toString().toStdString(), &fields.guid);
    SetErrorInfoFields(fields);
  }
  return hr;
}

}  // namespace parlotto
