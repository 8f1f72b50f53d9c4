// OfficeSvr: the office server. Started by the object runtime when a client
// creates the word processor's application class; opens documents by name
// and gives their text, and ends a few seconds after its last object is gone.
#include <QCoreApplication>

#include "contracts/office/word_ids.h"
#include "officesvr/word_objects.h"
#include "platform/com/activation.h"
#include "platform/com/apartment.h"
#include "platform/com/server_lifetime.h"
#include "platform/diagnostics.h"

int main(int argc, char** argv) {
  using namespace parlotto;
  // The runtime appends -Embedding; Qt need not see it.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  (void)argc;
  QCoreApplication app(qt_argc, qt_argv);

  if (FAILED(CoInitialize(nullptr))) return 2;
  ComPtr<IClassFactory> factory(new office::WordClassFactory);
  DWORD cookie = 0;
  HRESULT hr = CoRegisterClassObject(office::CLSID_WordApplication, factory.Get(),
                                     CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  if (FAILED(hr)) {
    // Another server owns the class already; its clients go there.
    ReportDiagnostic("office server: cannot offer the class: " + DescribeHResult(hr));
    return 2;
  }
  ServerLifetime::Start(ServerLifetime::LingerMsFrom("PARLOTTO_OFFICE_LINGER_MS", 5000));
  const int result = QCoreApplication::exec();
  CoRevokeClassObject(cookie);
  factory.Reset();
  CoUninitialize();
  return result;
}
