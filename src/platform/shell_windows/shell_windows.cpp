#include "platform/shell_windows/shell_windows.h"

#include <QString>
#include <cstdint>
#include <mutex>
#include <utility>

#include "platform/com/com_object.h"
#include "platform/shell_windows/browser_window_match.h"
#include "platform/shell_windows/x11_windows.h"

namespace parlotto {
namespace {

// An object whose members are read-only properties known by name.
class NamedDispatch : public ComObject, public IDispatch {
 public:
  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }

  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID,
                        DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    // Parameter names are not known: no member takes named arguments.
    HRESULT hr = count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    for (std::size_t m = 0; m < members_.size(); ++m) {
      if (names[0].compare(QLatin1String(members_[m]), Qt::CaseInsensitive) == 0) {
        ids[0] = static_cast<DISPID>(m + 1);
        return hr;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO*, UINT*) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (member < 1 || static_cast<std::size_t>(member) > members_.size()) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params != nullptr && params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    VARIANT value;
    std::vector<VARIANT> args;
    if (params != nullptr) {
      for (UINT i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
    }
    HRESULT hr = Get(static_cast<int>(member - 1), args, &value);
    if (SUCCEEDED(hr) && result != nullptr) *result = std::move(value);
    return hr;
  }

 protected:
  NamedDispatch(IUnknown* outer, std::vector<const char*> members)
      : ComObject(outer), members_(std::move(members)) {}

  // `member` indexes the names given at construction; `args` in declared order.
  virtual HRESULT Get(int member, const std::vector<VARIANT>& args, VARIANT* value) = 0;

  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
  }

  template <typename T, typename... Args>
  static HRESULT Make(VARIANT* value, Args&&... args) {
    IDispatch* object = nullptr;
    HRESULT hr = ComObject::Create<T>(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object),
                                      std::forward<Args>(args)...);
    if (FAILED(hr)) return hr;
    *value = VARIANT::Dispatch(object);
    object->Release();
    return S_OK;
  }

 private:
  const std::vector<const char*> members_;
};

// The rendered text of the page. Read anew on every get: the page may have
// changed.
class PageBody final : public NamedDispatch {
 public:
  PageBody(IUnknown* outer, AccessibleRef document)
      : NamedDispatch(outer, {"outerText", "innerText"}), document_(std::move(document)) {}

 private:
  HRESULT Get(int, const std::vector<VARIANT>&, VARIANT* value) override {
    *value = VARIANT::Bstr(DocumentText(document_));
    return S_OK;
  }
  AccessibleRef document_;
};

// The page's frames. The accessibility tree has an inline frame's text in
// place, inside the page's own text, so the page reads as one document
// without frames.
class FrameList final : public NamedDispatch {
 public:
  explicit FrameList(IUnknown* outer) : NamedDispatch(outer, {"length", "item"}) {}

 private:
  HRESULT Get(int member, const std::vector<VARIANT>&, VARIANT* value) override {
    if (member == 0) {
      *value = VARIANT::I4(0);
      return S_OK;
    }
    return DISP_E_BADINDEX;
  }
};

class PageDocument final : public NamedDispatch {
 public:
  PageDocument(IUnknown* outer, AccessibleRef document)
      : NamedDispatch(outer, {"frames", "body"}), document_(std::move(document)) {}

 private:
  HRESULT Get(int member, const std::vector<VARIANT>&, VARIANT* value) override {
    if (member == 0) return Make<FrameList>(value);
    return Make<PageBody>(value, document_);
  }
  AccessibleRef document_;
};

class BrowserWindow final : public NamedDispatch {
 public:
  BrowserWindow(IUnknown* outer, AccessibleRef frame, HWND handle)
      : NamedDispatch(outer, {"HWND", "Document"}), frame_(std::move(frame)), handle_(handle) {}

 private:
  HRESULT Get(int member, const std::vector<VARIANT>&, VARIANT* value) override {
    if (member == 0) {
      if (handle_ == 0) return E_FAIL;
      // X11 ids have 29 bits, our own numbers 32: the bits are kept.
      *value = VARIANT::I4(static_cast<std::int32_t>(handle_));
      return S_OK;
    }
    // A frame that shows no page (its tab gone, the window closed) has a
    // document that is none: an empty object, as for a view that is no page.
    AccessibleRef document = ShowingDocument(frame_);
    if (!document) {
      value->vt = VT_DISPATCH;
      return S_OK;
    }
    return Make<PageDocument>(value, std::move(document));
  }
  AccessibleRef frame_;
  HWND handle_;
};

// One numbering for the process: the window in front is asked for apart
// from any list, and must answer the number its frame has in the list.
struct SharedFrameHandles {
  std::mutex mutex;
  FrameHandles handles;
};

SharedFrameHandles& Handles() {
  static SharedFrameHandles shared;
  return shared;
}

}  // namespace

void TCppShellWindows::Connect() {
  windows_.clear();
  std::vector<BrowserFrame> frames = ListBrowserFrames();
  if (frames.empty()) return;
  std::vector<FrameIdentity> identities;
  identities.reserve(frames.size());
  for (const BrowserFrame& frame : frames) identities.push_back({frame.pid, frame.title});
  const std::vector<std::uint32_t> x11_ids = MatchFramesToWindows(identities, x11::ClientWindows());
  std::vector<std::pair<std::string, std::uint32_t>> keyed;
  keyed.reserve(frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    keyed.emplace_back(AccessibleKey(frames[i].frame), x11_ids[i]);
  }
  SharedFrameHandles& shared = Handles();
  const std::lock_guard<std::mutex> lock(shared.mutex);
  shared.handles.Update(keyed);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const std::string& key = keyed[i].first;
    const HWND handle = key.empty() ? x11_ids[i] : shared.handles.HandleOf(key);
    windows_.push_back({std::move(frames[i].frame), handle});
  }
}

void TCppShellWindows::Disconnect() { windows_.clear(); }

HRESULT TCppShellWindows::get_Count(long* count) {
  if (count == nullptr) return E_POINTER;
  *count = static_cast<long>(windows_.size());
  return S_OK;
}

HRESULT TCppShellWindows::Item(const VARIANT& index, IDispatch** item) {
  if (item == nullptr) return E_POINTER;
  *item = nullptr;
  VARIANT number;
  if (FAILED(VariantChangeType(&number, index, VT_I4))) return E_INVALIDARG;
  if (number.lVal < 0 || static_cast<std::size_t>(number.lVal) >= windows_.size()) {
    return DISP_E_BADINDEX;
  }
  const Window& window = windows_[static_cast<std::size_t>(number.lVal)];
  return ComObject::Create<BrowserWindow>(nullptr, IID_IDispatch, reinterpret_cast<void**>(item),
                                          window.frame, window.handle);
}

HWND GetForegroundWindow() {
  // The accessibility bus knows native Wayland windows too; the X server
  // answers for desktops whose applications are not on it.
  const std::vector<AccessibleRef> active = ActiveFrames();
  if (active.empty()) return x11::ActiveWindow();
  std::vector<HWND> handles;
  {
    SharedFrameHandles& shared = Handles();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    for (const AccessibleRef& frame : active) {
      const std::string key = AccessibleKey(frame);
      if (!key.empty()) handles.push_back(shared.handles.HandleOf(key));
    }
  }
  if (handles.size() <= 1) return handles.empty() ? 0 : handles.front();
  // Several say they are in front: the X server, where it knows, decides.
  const HWND x11_active = x11::ActiveWindow();
  for (const HWND handle : handles) {
    if (handle == x11_active) return handle;
  }
  return handles.front();
}

}  // namespace parlotto
