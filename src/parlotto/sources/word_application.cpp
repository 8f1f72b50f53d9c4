#include "parlotto/sources/word_application.h"

#include "contracts/office/word_ids.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/com_check.h"
#include "platform/com_runtime/late_bound.h"

namespace parlotto {

void TWordApplication::Connect() {
  if (application_) return;
  // A server that runs already owns the class on the bus and is the one
  // asked; otherwise the runtime starts one.
  OLECHECK(CoCreateInstance(office::CLSID_WordApplication, nullptr,
                            CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            application_.ReceiveVoid()));
  OLE_REQUIRE(application_);
}

void TWordApplication::Disconnect() {
  if (!application_) return;
  if (AutoQuit) CallMethod(application_.Get(), "Quit", {});
  application_.Reset();
}

}  // namespace parlotto
