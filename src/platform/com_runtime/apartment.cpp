#include "platform/com_runtime/apartment.h"

#include <QDBusConnection>

namespace parlotto {
namespace {

thread_local int t_init_count = 0;

}  // namespace

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(void*, DWORD) { return t_init_count++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (t_init_count > 0) --t_init_count;
}

bool IsComInitialized() { return t_init_count > 0; }

QDBusConnection& ComConnection() {
  static QDBusConnection connection = QDBusConnection::sessionBus();
  return connection;
}

}  // namespace parlotto
