#include "platform/com_runtime/bus_names.h"

namespace parlotto {
namespace {

// "D45FD2FC_5C6E_11D1_9EC1_00C04FD7081F": valid in bus names and paths.
QString GuidToken(REFCLSID clsid) {
  QString text = QString::fromStdString(StringFromGUID(clsid));
  return text.mid(1, text.size() - 2).replace(QLatin1Char('-'), QLatin1Char('_'));
}

}  // namespace

QString ClassServiceName(REFCLSID clsid) {
  return QStringLiteral("org.parlotto.Com.C_") + GuidToken(clsid);
}

QString ObjectPath(quint64 id) {
  return QStringLiteral("%1/Objects/%2").arg(QLatin1String(kComRootPath)).arg(id);
}

QString ClassObjectPath(REFCLSID clsid) {
  return QStringLiteral("%1/Classes/C_%2").arg(QLatin1String(kComRootPath), GuidToken(clsid));
}

}  // namespace parlotto
