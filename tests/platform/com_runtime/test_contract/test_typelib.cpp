#include "platform/com_runtime/test_contract/test_marshal.h"
#include "platform/typelib/type_info_cache.h"

namespace parlotto {

HRESULT RegisterTestInterfaces() {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibFromResource(QStringLiteral(":/parlotto/test/test.typelib.json"),
                                       library.Receive());
  if (FAILED(hr)) return hr;
  return RegisterInterfaces(library.Get(),
                            {{IID_ITestServer, TestServerStub, MakeTestServerProxy},
                             {IID_ITestObject, TestObjectStub, MakeTestObjectProxy},
                             {IID_ITestCounter, TestCounterStub, MakeTestCounterProxy},
                             {IID_ITestEvents, TestEventsStub, MakeTestEventsProxy}});
}

}  // namespace parlotto
