#include "platform/com_runtime/marshal.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <cstdint>

#include "platform/com_runtime/object_exporter.h"
#include "platform/com_runtime/remote_object.h"

namespace parlotto {
namespace {

QVariant InterfaceReference(const QString& owner, const QString& path, const QString& token) {
  QDBusArgument argument;
  argument.beginStructure();
  argument << owner << QDBusObjectPath(path) << token;
  argument.endStructure();
  return QVariant::fromValue(argument);
}

const QLatin1String kReferenceSignature("(sos)");

QVariant SpecialValue(VARTYPE vt, quint32 code) {
  QDBusArgument argument;
  argument.beginStructure();
  argument << static_cast<quint16>(vt) << code;
  argument.endStructure();
  return QVariant::fromValue(argument);
}

bool IsInterfaceType(VARTYPE vt) { return vt == VT_UNKNOWN || vt == VT_DISPATCH; }

}  // namespace

QString BusSignature(const PARAMDESC& param) {
  switch (param.vt) {
    case VT_I2:
      return QStringLiteral("n");
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT:
      return QStringLiteral("i");
    case VT_UI4:
      return QStringLiteral("u");
    case VT_BOOL:
      return QStringLiteral("b");
    case VT_BSTR:
      return QStringLiteral("s");
    case VT_VARIANT:
      return QStringLiteral("v");
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return kReferenceSignature;
    default:
      return QString();
  }
}

HRESULT MarshalInterface(IUnknown* object, const QString& destination, QVariant* out) {
  if (object == nullptr) {
    *out = InterfaceReference(QString(), QStringLiteral("/"), QString());
    return S_OK;
  }
  // A proxy is passed on as the reference to the real object, with a
  // reference borrowed from its owner for the receiver to claim; the owner
  // itself needs none.
  RemoteObject* remote = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IRemoteObject, reinterpret_cast<void**>(&remote)))) {
    ComPtr<IUnknown> held = ComPtr<IUnknown>::Attach(remote);
    QString token;
    if (destination != remote->owner()) {
      HRESULT hr = remote->Lend(&token);
      if (FAILED(hr)) return hr;
    }
    *out = InterfaceReference(remote->owner(), remote->path(), token);
    return S_OK;
  }
  QString path;
  HRESULT hr = ExportObject(object, destination, &path);
  if (FAILED(hr)) return hr;
  *out = InterfaceReference(OwnBusName(), path, QString());
  return S_OK;
}

HRESULT UnmarshalInterface(const QVariant& in, const Origin& origin, REFIID iid, void** out) {
  *out = nullptr;
  if (!in.canConvert<QDBusArgument>()) return DISP_E_TYPEMISMATCH;
  const QDBusArgument argument = in.value<QDBusArgument>();
  if (argument.currentSignature() != kReferenceSignature) return DISP_E_TYPEMISMATCH;
  QString owner;
  QDBusObjectPath path;
  QString token;
  argument.beginStructure();
  argument >> owner >> path >> token;
  argument.endStructure();
  if (owner.isEmpty()) return S_OK;  // null
  if (owner == OwnBusName()) {
    // One of our own objects came back: use it directly, and give back the
    // reference that its sender borrowed for it.
    ComPtr<IUnknown> object;
    HRESULT hr = FindExportedObject(path.path(), object.Receive());
    if (FAILED(hr)) return hr;
    if (!token.isEmpty()) ClaimExportedReference(path.path(), token, QString());
    return object->QueryInterface(iid, out);
  }
  ReferenceOrigin reference;
  reference.callback = origin.incoming_call;
  if (!token.isEmpty()) {
    HRESULT hr = RemoteObject::Claim(owner, path.path(), token, origin.incoming_call);
    if (FAILED(hr)) return hr;
  } else {
    // Only the owner counts ahead for the receiver of its own object.
    reference.counted = owner == origin.sender;
  }
  return RemoteObject::FromReference(owner, path.path(), iid, out, reference);
}

HRESULT MarshalVariant(const VARIANT& value, const QString& destination, QVariant* out) {
  QVariant inner;
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      inner = SpecialValue(value.vt, 0);
      break;
    case VT_ERROR:
      inner = SpecialValue(VT_ERROR, static_cast<quint32>(value.scode));
      break;
    case VT_I2:
      inner = QVariant::fromValue(static_cast<qint16>(value.iVal));
      break;
    case VT_I4:
    case VT_INT:
      inner = QVariant::fromValue(static_cast<qint32>(value.lVal));
      break;
    case VT_UI4:
      inner = QVariant::fromValue(static_cast<quint32>(value.lVal));
      break;
    case VT_BOOL:
      inner = QVariant::fromValue(value.boolVal != VARIANT_FALSE);
      break;
    case VT_BSTR:
      inner = QVariant::fromValue(value.bstrVal);
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      IUnknown* object = value.vt == VT_UNKNOWN ? value.punkVal : value.pdispVal;
      HRESULT hr = MarshalInterface(object, destination, &inner);
      if (FAILED(hr)) return hr;
      break;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
  *out = QVariant::fromValue(QDBusVariant(inner));
  return S_OK;
}

HRESULT UnmarshalVariant(const QVariant& in, const Origin& origin, VARIANT* out) {
  out->Clear();
  QVariant inner = in.canConvert<QDBusVariant>() ? in.value<QDBusVariant>().variant() : in;
  if (inner.canConvert<QDBusArgument>() && inner.userType() == qMetaTypeId<QDBusArgument>()) {
    const QDBusArgument argument = inner.value<QDBusArgument>();
    QString signature = argument.currentSignature();
    if (signature == QLatin1String("(qu)")) {
      quint16 vt = 0;
      quint32 code = 0;
      argument.beginStructure();
      argument >> vt >> code;
      argument.endStructure();
      if (vt == VT_ERROR) {
        *out = VARIANT::Error(static_cast<SCODE>(code));
      } else if (vt == VT_EMPTY || vt == VT_NULL) {
        out->vt = vt;
      } else {
        return DISP_E_BADVARTYPE;
      }
      return S_OK;
    }
    if (signature == kReferenceSignature) {
      IUnknown* object = nullptr;
      HRESULT hr =
          UnmarshalInterface(inner, origin, IID_IUnknown, reinterpret_cast<void**>(&object));
      if (FAILED(hr)) return hr;
      out->vt = VT_UNKNOWN;
      out->punkVal = object;
      return S_OK;
    }
    return DISP_E_BADVARTYPE;
  }
  switch (inner.userType()) {
    case QMetaType::Short:
      *out = VARIANT::I2(inner.value<qint16>());
      return S_OK;
    case QMetaType::Int:
      *out = VARIANT::I4(inner.toInt());
      return S_OK;
    case QMetaType::UInt: {
      VARIANT v;
      v.vt = VT_UI4;
      v.lVal = static_cast<qint32>(inner.toUInt());
      *out = v;
      return S_OK;
    }
    case QMetaType::Bool:
      *out = VARIANT::Bool(inner.toBool());
      return S_OK;
    case QMetaType::QString:
      *out = VARIANT::Bstr(inner.toString());
      return S_OK;
    case QMetaType::UChar:
      *out = VARIANT::I2(inner.value<uchar>());
      return S_OK;
    case QMetaType::UShort:
      *out = VARIANT::I4(inner.value<quint16>());
      return S_OK;
    case QMetaType::LongLong: {
      qint64 value = inner.toLongLong();
      if (value < INT32_MIN || value > INT32_MAX) return DISP_E_OVERFLOW;
      *out = VARIANT::I4(static_cast<qint32>(value));
      return S_OK;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
}

HRESULT MarshalParam(const PARAMDESC& param, const VARIANT& value, const QString& destination,
                     QVariant* out) {
  if (param.vt == VT_VARIANT) return MarshalVariant(value, destination, out);
  if (IsInterfaceType(param.vt)) {
    IUnknown* object = value.vt == VT_DISPATCH ? value.pdispVal : value.punkVal;
    return MarshalInterface(object, destination, out);
  }
  VARIANT converted;
  HRESULT hr = VariantChangeType(
      &converted, value,
      param.vt == VT_HRESULT || param.vt == VT_ERROR ? static_cast<VARTYPE>(VT_I4) : param.vt);
  if (FAILED(hr)) return hr;
  switch (param.vt) {
    case VT_I2:
      *out = QVariant::fromValue(static_cast<qint16>(converted.iVal));
      return S_OK;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT:
      *out = QVariant::fromValue(static_cast<qint32>(converted.lVal));
      return S_OK;
    case VT_UI4:
      *out = QVariant::fromValue(static_cast<quint32>(converted.lVal));
      return S_OK;
    case VT_BOOL:
      *out = QVariant::fromValue(converted.boolVal != VARIANT_FALSE);
      return S_OK;
    case VT_BSTR:
      *out = QVariant::fromValue(converted.bstrVal);
      return S_OK;
    default:
      return DISP_E_BADVARTYPE;
  }
}

HRESULT UnmarshalParam(const PARAMDESC& param, const QVariant& in, const Origin& origin,
                       VARIANT* out) {
  if (param.vt == VT_VARIANT) return UnmarshalVariant(in, origin, out);
  if (IsInterfaceType(param.vt)) {
    const IID& iid = param.iid == GUID_NULL
                         ? (param.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown)
                         : param.iid;
    void* object = nullptr;
    HRESULT hr = UnmarshalInterface(in, origin, iid, &object);
    if (FAILED(hr)) return hr;
    // Interface parameters travel in a VARIANT as the interface pointer the
    // stub expects, kept as an IUnknown for the reference count.
    out->Clear();
    out->vt = VT_UNKNOWN;
    out->punkVal = static_cast<IUnknown*>(object);
    return S_OK;
  }
  VARIANT raw;
  HRESULT hr = UnmarshalVariant(in, origin, &raw);
  if (FAILED(hr)) return hr;
  VARTYPE target =
      param.vt == VT_HRESULT || param.vt == VT_ERROR ? static_cast<VARTYPE>(VT_I4) : param.vt;
  hr = VariantChangeType(out, raw, target);
  if (SUCCEEDED(hr) && param.vt == VT_ERROR) {
    SCODE code = out->lVal;
    *out = VARIANT::Error(code);
  }
  return hr;
}

}  // namespace parlotto
