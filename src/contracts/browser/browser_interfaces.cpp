#include "contracts/browser/browser_interfaces.h"

#include <memory>

#include "contracts/browser/browser_ids.h"
#include "platform/com_runtime/dual_proxy.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/typelib/type_info_cache.h"

namespace parlotto::browser {
namespace {

// The interfaces add no typed members to IDispatch: every call goes through
// Invoke, so one proxy serves them all.
template <const IID& kIid>
std::unique_ptr<InterfaceProxy> MakeProxy(RemoteObject* manager) {
  return std::make_unique<DualProxy<IDispatch>>(manager, kIid);
}

}  // namespace

HRESULT LoadBrowserTypeLib(ITypeLib** library) {
  return LoadTypeLibFromResource(QStringLiteral(":/parlotto/browser/browser.typelib.json"),
                                 library);
}

HRESULT RegisterBrowserInterfaces() {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadBrowserTypeLib(library.Receive());
  if (FAILED(hr)) return hr;
  return RegisterInterfaces(
      library.Get(), {{IID_IWebBrowser2, nullptr, MakeProxy<IID_IWebBrowser2>},
                      {IID_IHTMLDocument2, nullptr, MakeProxy<IID_IHTMLDocument2>},
                      {IID_IHTMLFramesCollection2, nullptr, MakeProxy<IID_IHTMLFramesCollection2>},
                      {IID_IHTMLWindow2, nullptr, MakeProxy<IID_IHTMLWindow2>},
                      {IID_IHTMLElement, nullptr, MakeProxy<IID_IHTMLElement>}});
}

}  // namespace parlotto::browser
