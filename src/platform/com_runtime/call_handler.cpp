#include "platform/com_runtime/call_handler.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <vector>

#include "platform/com/error_info.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/deferred_call.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/com_runtime/marshal.h"
#include "platform/com_runtime/object_exporter.h"

namespace parlotto {
namespace {

// Arguments of an incoming call: the objects in them are the caller's
// callbacks.
Origin FromCaller(const QDBusMessage& message) { return Origin{message.service(), true}; }

QDBusMessage HandleClassFactory(const QDBusMessage& message, IUnknown* object) {
  ComPtr<IClassFactory> factory;
  HRESULT hr = object->QueryInterface(IID_IClassFactory, factory.ReceiveVoid());
  if (FAILED(hr)) return ErrorReply(message, hr);
  const QList<QVariant> args = message.arguments();
  if (message.member() == QLatin1String("CreateInstance") && Takes(message, "s")) {
    GUID iid;
    if (!GuidFromString(args[0].toString().toStdString(), &iid))
      return ErrorReply(message, E_INVALIDARG);
    ComPtr<IUnknown> created;
    hr = factory->CreateInstance(nullptr, iid, created.ReceiveVoid());
    if (FAILED(hr)) return ErrorReply(message, hr);
    QString path;
    hr = ExportObject(created.Get(), message.service(), &path);
    if (FAILED(hr)) return ErrorReply(message, hr);
    return message.createReply(QVariant::fromValue(QDBusObjectPath(path)));
  }
  if (message.member() == QLatin1String("LockServer") && Takes(message, "b")) {
    hr = LockClassObject(message.path(), message.service(), args[0].toBool());
    if (FAILED(hr)) return ErrorReply(message, hr);
    return message.createReply();
  }
  return ErrorReply(message, DISP_E_MEMBERNOTFOUND);
}

QDBusMessage HandleDispatch(const QDBusMessage& message, IUnknown* object) {
  ComPtr<IDispatch> dispatch;
  HRESULT hr = object->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid());
  if (FAILED(hr)) return ErrorReply(message, hr);
  const QString member = message.member();
  const QList<QVariant> args = message.arguments();
  if (member == QLatin1String("GetIDsOfNames") && Takes(message, "as")) {
    QStringList names = args[0].toStringList();
    if (names.isEmpty()) return ErrorReply(message, E_INVALIDARG);
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    std::vector<LPOLESTR> name_list(names.begin(), names.end());
    hr = dispatch->GetIDsOfNames(IID_NULL, name_list.data(), static_cast<UINT>(names.size()),
                                 LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr)) return ErrorReply(message, hr);
    QList<qint32> result(ids.begin(), ids.end());
    return message.createReply(QVariant::fromValue(result));
  }
  // Flags are a "q"; clients of earlier versions sent them as an "i".
  if (member == QLatin1String("Invoke") && (Takes(message, "iqavai") || Takes(message, "iiavai"))) {
    DISPID id = args[0].toInt();
    WORD flags = static_cast<WORD>(args[1].toUInt());
    // Read whole first: an array left before its end keeps the reader's
    // state allocated.
    const QList<QDBusVariant> items = qdbus_cast<QList<QDBusVariant>>(args[2]);
    std::vector<VARIANT> values;
    for (const QDBusVariant& item : items) {
      VARIANT value;
      hr = UnmarshalVariant(QVariant::fromValue(item), FromCaller(message), &value);
      if (FAILED(hr)) return ErrorReply(message, hr);
      values.push_back(std::move(value));
    }
    QList<qint32> named = qdbus_cast<QList<qint32>>(args[3]);
    std::vector<DISPID> named_ids(named.begin(), named.end());
    DISPPARAMS params;
    params.rgvarg = values.data();
    params.cArgs = static_cast<UINT>(values.size());
    params.rgdispidNamedArgs = named_ids.data();
    params.cNamedArgs = static_cast<UINT>(named_ids.size());
    VARIANT result;
    EXCEPINFO excep;
    UINT arg_err = 0;
    SetErrorInfo(0, nullptr);
    ServedInvoke served(message);
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &excep,
                          &arg_err);
    if (served.TakenOver(&values)) return QDBusMessage();
    if (hr == DISP_E_EXCEPTION) hr = ErrorInfoFromException(excep, hr);
    return InvokeReply(message, hr, result, values);
  }
  if (member == QLatin1String("GetTypeInfo") && Takes(message, "")) {
    ComPtr<ITypeInfo> info;
    hr = dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive());
    if (FAILED(hr)) return ErrorReply(message, hr);
    ComPtr<ITypeLib> library;
    UINT index = 0;
    hr = info->GetContainingTypeLib(library.Receive(), &index);
    TLIBATTR lib_attr;
    TYPEATTR type_attr;
    if (SUCCEEDED(hr)) hr = library->GetLibAttr(&lib_attr);
    if (SUCCEEDED(hr)) hr = info->GetTypeAttr(&type_attr);
    if (FAILED(hr)) return ErrorReply(message, hr);
    QDBusMessage reply = message.createReply();
    reply << QString::fromStdString(StringFromGUID(lib_attr.guid))
          << static_cast<quint16>(lib_attr.wMajorVerNum)
          << static_cast<quint16>(lib_attr.wMinorVerNum)
          << QString::fromStdString(StringFromGUID(type_attr.guid));
    return reply;
  }
  return ErrorReply(message, DISP_E_MEMBERNOTFOUND);
}

// The answer to member `func` of a library interface: its out arguments, or
// its failure with the thread's error info.
QDBusMessage MemberReply(const QDBusMessage& call, const FUNCDESC& func, HRESULT hr,
                         std::vector<VARIANT>& args);

QDBusMessage HandleLibraryInterface(const QDBusMessage& message, IUnknown* object) {
  const InterfaceInfo* info = FindInterfaceByBusName(message.interface());
  if (info == nullptr || info->stub == nullptr) return ErrorReply(message, E_NOINTERFACE);
  const FUNCDESC* func = FindMember(*info, message.member());
  if (func == nullptr) return ErrorReply(message, DISP_E_MEMBERNOTFOUND);

  void* target = nullptr;
  HRESULT hr = object->QueryInterface(info->iid, &target);
  if (FAILED(hr)) return ErrorReply(message, hr);
  ComPtr<IUnknown> held = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(target));

  const QList<QVariant> in = message.arguments();
  std::vector<VARIANT> args(func->params.size());
  int next = 0;
  for (size_t i = 0; i < func->params.size(); ++i) {
    const PARAMDESC& param = func->params[i];
    if (!(param.flags & PARAMFLAG_FIN) && (param.flags & PARAMFLAG_FOUT)) continue;
    if (next >= in.size()) return ErrorReply(message, DISP_E_BADPARAMCOUNT);
    hr = UnmarshalParam(param, in[next++], FromCaller(message), &args[i]);
    if (FAILED(hr)) return ErrorReply(message, hr);
  }
  if (next != in.size()) return ErrorReply(message, DISP_E_BADPARAMCOUNT);

  SetErrorInfo(0, nullptr);
  auto make_reply = [func](const QDBusMessage& call, HRESULT result, const VARIANT& /*unused*/,
                           std::vector<VARIANT>& values) {
    return MemberReply(call, *func, result, values);
  };
  ServedInvoke served(message, make_reply);
  hr = info->stub(target, *func, args);
  if (served.TakenOver(&args)) return QDBusMessage();
  return MemberReply(message, *func, hr, args);
}

QDBusMessage MemberReply(const QDBusMessage& call, const FUNCDESC& func, HRESULT hr,
                         std::vector<VARIANT>& args) {
  if (FAILED(hr)) return ErrorReply(call, hr);
  SetErrorInfo(0, nullptr);
  QDBusMessage reply = call.createReply();
  for (size_t i = 0; i < func.params.size(); ++i) {
    const PARAMDESC& param = func.params[i];
    if (!(param.flags & PARAMFLAG_FOUT)) continue;
    QVariant out;
    hr = MarshalParam(param, args[i], call.service(), &out);
    if (FAILED(hr)) return ErrorReply(call, hr);
    reply << out;
  }
  return reply;
}

QString Escape(const QString& text) { return text.toHtmlEscaped(); }

QString MethodXml(const QString& name, const QStringList& args) {
  return QStringLiteral("<method name=\"%1\">%2</method>").arg(name, args.join(QString()));
}

QString ArgXml(const QString& name, const QString& type, bool out) {
  return QStringLiteral("<arg name=\"%1\" type=\"%2\" direction=\"%3\"/>")
      .arg(Escape(name), type, out ? QStringLiteral("out") : QStringLiteral("in"));
}

QString LibraryInterfaceXml(const InterfaceInfo& info) {
  QString xml = QStringLiteral("<interface name=\"%1\">").arg(Escape(info.bus_name));
  for (const FUNCDESC& func : info.funcs) {
    QStringList args;
    for (const PARAMDESC& param : func.params) {
      bool out = (param.flags & PARAMFLAG_FOUT) && !(param.flags & PARAMFLAG_FIN);
      args << ArgXml(param.name, BusSignature(param), out);
    }
    if (!func.help_string.isEmpty()) {
      args << QStringLiteral("<annotation name=\"org.parlotto.Com.HelpString\" value=\"%1\"/>")
                  .arg(Escape(func.help_string));
    }
    xml += MethodXml(BusMemberName(func), args);
  }
  return xml + QStringLiteral("</interface>");
}

template <typename I>
bool Supports(IUnknown* object, REFIID iid) {
  ComPtr<I> probe;
  return SUCCEEDED(object->QueryInterface(iid, probe.ReceiveVoid()));
}

}  // namespace

QDBusMessage InvokeReply(const QDBusMessage& call, HRESULT hr, const VARIANT& result,
                         const std::vector<VARIANT>& args) {
  if (FAILED(hr)) return ErrorReply(call, hr);
  QVariant marshalled_result;
  hr = MarshalVariant(result, call.service(), &marshalled_result);
  if (FAILED(hr)) return ErrorReply(call, hr);
  QDBusArgument out;
  out.beginArray(qMetaTypeId<QDBusVariant>());
  for (const VARIANT& value : args) {
    QVariant marshalled;
    hr = MarshalVariant(value, call.service(), &marshalled);
    if (FAILED(hr)) return ErrorReply(call, hr);
    out << marshalled.value<QDBusVariant>();
  }
  out.endArray();
  QDBusMessage reply = call.createReply();
  reply << marshalled_result << QVariant::fromValue(out);
  return reply;
}

QDBusMessage HandleInterfaceCall(const QDBusMessage& message, IUnknown* object) {
  const QString name = message.interface();
  if (name == QLatin1String(kClassFactoryInterface)) return HandleClassFactory(message, object);
  if (name == QLatin1String(kDispatchInterface)) return HandleDispatch(message, object);
  return HandleLibraryInterface(message, object);
}

QString IntrospectionXml(IUnknown* object) {
  QString xml =
      QStringLiteral("<interface name=\"%1\">").arg(QLatin1String(kUnknownInterface)) +
      MethodXml(QStringLiteral("QueryInterface"), {ArgXml(QStringLiteral("iid"), "s", false)}) +
      MethodXml(QStringLiteral("Lend"), {ArgXml(QStringLiteral("token"), "s", true)}) +
      MethodXml(QStringLiteral("Claim"), {ArgXml(QStringLiteral("token"), "s", false)}) +
      MethodXml(QStringLiteral("Release"), {ArgXml(QStringLiteral("count"), "u", false)}) +
      QStringLiteral("</interface>");
  if (Supports<IClassFactory>(object, IID_IClassFactory)) {
    xml +=
        QStringLiteral("<interface name=\"%1\">").arg(QLatin1String(kClassFactoryInterface)) +
        MethodXml(QStringLiteral("CreateInstance"), {ArgXml(QStringLiteral("iid"), "s", false),
                                                     ArgXml(QStringLiteral("object"), "o", true)}) +
        MethodXml(QStringLiteral("LockServer"), {ArgXml(QStringLiteral("lock"), "b", false)}) +
        QStringLiteral("</interface>");
  }
  if (Supports<IDispatch>(object, IID_IDispatch)) {
    xml += QStringLiteral("<interface name=\"%1\">").arg(QLatin1String(kDispatchInterface)) +
           MethodXml(QStringLiteral("GetIDsOfNames"), {ArgXml(QStringLiteral("names"), "as", false),
                                                       ArgXml(QStringLiteral("ids"), "ai", true)}) +
           MethodXml(QStringLiteral("Invoke"), {ArgXml(QStringLiteral("member"), "i", false),
                                                ArgXml(QStringLiteral("flags"), "q", false),
                                                ArgXml(QStringLiteral("args"), "av", false),
                                                ArgXml(QStringLiteral("named"), "ai", false),
                                                ArgXml(QStringLiteral("result"), "v", true),
                                                ArgXml(QStringLiteral("args_out"), "av", true)}) +
           MethodXml(QStringLiteral("GetTypeInfo"), {ArgXml(QStringLiteral("libid"), "s", true),
                                                     ArgXml(QStringLiteral("major"), "q", true),
                                                     ArgXml(QStringLiteral("minor"), "q", true),
                                                     ArgXml(QStringLiteral("iid"), "s", true)}) +
           QStringLiteral("</interface>");
  }
  for (const InterfaceInfo* info : RegisteredInterfaces()) {
    if (info->stub != nullptr && Supports<IUnknown>(object, info->iid))
      xml += LibraryInterfaceXml(*info);
  }
  return xml;
}

}  // namespace parlotto
