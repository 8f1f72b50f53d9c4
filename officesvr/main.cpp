// OfficeSvr: the office server. Started by the object runtime when a client
// creates the word processor's application class; opens documents by name
// and gives their text, and ends a few seconds after its last object is gone.
#include <QCoreApplication>

#include "contracts/office/word_ids.h"
#include "officesvr/word_objects.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/server_lifetime.h"
#include "platform/loop/termination_signals.h"

int main(int argc, char** argv) {
  using namespace parlotto;
  IgnoreBrokenPipes();
  // The runtime appends -Embedding; Qt need not see it.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  (void)argc;
  QCoreApplication app(qt_argc, qt_argv);

  if (FAILED(CoInitialize(nullptr))) return 2;
  ComPtr<IClassFactory> factory(new office::WordClassFactory);
  const int result = ServeClassObject(office::CLSID_WordApplication, factory.Get(),
                                      "PARLOTTO_OFFICE_LINGER_MS", "office server");
  factory.Reset();
  CoUninitialize();
  return result;
}
