#include "browsersvr/browser_objects.h"

#include "browsersvr/browser_pages/navigation.h"
#include "contracts/browser/browser_ids.h"
#include "contracts/browser/browser_interfaces.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/deferred_call.h"
#include "platform/places/diagnostics.h"
#include "platform/typelib/type_info_cache.h"

namespace parlotto::browser {
namespace {

ITypeInfo* TypeInfoOf(const IID& iid) {
  static TypeInfoCache cache(&LoadBrowserTypeLib, "browser server");
  return cache.Info(iid);
}

HRESULT Fail(HRESULT hr, const IID& iid, const QString& description) {
  return FailWithErrorInfo(hr, QStringLiteral("InternetExplorer.Application"), iid, description);
}

HRESULT Left(const IID& iid) {
  return Fail(RPC_E_DISCONNECTED, iid, QStringLiteral("Die Webseite wurde verlassen."));
}

HRESULT Unanswered(FrameAnswer::Status status, const IID& iid) {
  switch (status) {
    case FrameAnswer::Status::kDenied:
      // The caller skips such a frame; the engine keeps its document to itself.
      return Fail(E_ACCESSDENIED, iid,
                  QStringLiteral("Zugriff verweigert: das Dokument des Rahmens stammt von einer "
                                 "anderen Herkunft."));
    case FrameAnswer::Status::kNoSuchFrame:
      return Fail(RPC_E_DISCONNECTED, iid, QStringLiteral("Der Rahmen ist nicht mehr vorhanden."));
    case FrameAnswer::Status::kNoAnswer:
    case FrameAnswer::Status::kAnswered:
      break;
  }
  return Fail(E_FAIL, iid, QStringLiteral("Die Webseite antwortet nicht."));
}

}  // namespace

BrowserObject::BrowserObject(const IID& iid, std::shared_ptr<PageSession> session)
    : AutomationObject(iid, TypeInfoOf(iid)), session_(std::move(session)) {}

WebBrowser::WebBrowser(IUnknown* outer, std::shared_ptr<PageSession> session)
    : BrowserObject(IID_IWebBrowser2, std::move(session)) {
  (void)outer;
}

HRESULT WebBrowser::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  switch (func.memid) {
    case DISPID_WebBrowser_Visible:
      // Stored only: the page is never shown, whatever a client asks.
      if (func.invkind == INVOKE_PROPERTYPUT) {
        visible_ = args.front().boolVal != VARIANT_FALSE;
      } else {
        args.back() = VARIANT::Bool(visible_);
      }
      return S_OK;
    case DISPID_WebBrowser_Navigate2:
      // Flags, target frame, post data and headers are accepted and ignored:
      // the page is loaded to be read, by a plain request.
      return Navigate(args.front());
    case DISPID_WebBrowser_Busy:
      args.back() = VARIANT::Bool(session_->Busy());
      return S_OK;
    case DISPID_WebBrowser_StatusText:
      args.back() = VARIANT::Bstr(session_->StatusText());
      return S_OK;
    case DISPID_WebBrowser_HWND:
      // No window on the desktop, so no handle that could be the foreground
      // window's: 0 is the handle of no window.
      args.back() = VARIANT::I4(0);
      return S_OK;
    case DISPID_WebBrowser_Document:
      args.back() = New<HtmlDocument>(session_, session_->Navigation(), FramePath{});
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT WebBrowser::Navigate(const VARIANT& url) {
  if (url.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
  const QUrl address = AddressOf(url.bstrVal);
  if (address.isEmpty()) {
    return Fail(E_INVALIDARG, IID_IWebBrowser2,
                QStringLiteral("\"%1\" ist weder eine Datei noch eine Adresse.").arg(url.bstrVal));
  }
  session_->Navigate(address);
  return S_OK;
}

DocumentPart::DocumentPart(const IID& iid, std::shared_ptr<PageSession> session, int navigation,
                           FramePath path)
    : BrowserObject(iid, std::move(session)), navigation_(navigation), path_(std::move(path)) {}

HRESULT DocumentPart::AnswerLater(FrameQuestion question, Reading read) {
  if (session_->Navigation() != navigation_) return Left(iid());
  // The page answers from another process. The call is answered from the
  // event loop once it did: a loop nested here to wait can hold the
  // engine's own work back, and with it the answer.
  std::shared_ptr<DeferredCall> call = DeferCurrentCall();
  if (!call) {
    return Fail(E_UNEXPECTED, iid(),
                QStringLiteral("Das Dokument antwortet nur Aufrufen über den Bus."));
  }
  ComPtr<DocumentPart> self(this);
  session_->Ask(path_, question, [self, call, read = std::move(read)](const FrameAnswer& answer) {
    VARIANT value;
    HRESULT hr = self->Judge(answer);
    if (SUCCEEDED(hr)) hr = read(answer, &value);
    call->Finish(hr, value);
  });
  return S_OK;
}

HRESULT DocumentPart::Judge(const FrameAnswer& answer) {
  // The browser may have navigated while the page was asked.
  if (session_->Navigation() != navigation_) return Left(iid());
  if (answer.status != FrameAnswer::Status::kAnswered) return Unanswered(answer.status, iid());
  return S_OK;
}

template <typename T>
VARIANT DocumentPart::Part(FramePath path) const {
  return New<T>(session_, navigation_, std::move(path));
}

HtmlDocument::HtmlDocument(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation,
                           FramePath path)
    : DocumentPart(IID_IHTMLDocument2, std::move(session), navigation, std::move(path)) {
  (void)outer;
}

HRESULT HtmlDocument::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  switch (func.memid) {
    case DISPID_HTMLDocument_frames:
      args.back() = Part<HtmlFrames>(path_);
      return S_OK;
    case DISPID_HTMLDocument_body:
      return AnswerLater(FrameQuestion::kHasBody, [this](const FrameAnswer& answer, VARIANT* body) {
        // A document without a body (an XML one) has none to give.
        *body = answer.has_body ? Part<HtmlElement>(path_) : VARIANT::Dispatch(nullptr);
        return S_OK;
      });
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HtmlFrames::HtmlFrames(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation,
                       FramePath path)
    : DocumentPart(IID_IHTMLFramesCollection2, std::move(session), navigation, std::move(path)) {
  (void)outer;
}

HRESULT HtmlFrames::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  if (func.memid != DISPID_HTMLFrames_length && func.memid != DISPID_HTMLFrames_item) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (func.memid == DISPID_HTMLFrames_length) {
    return AnswerLater(FrameQuestion::kFrameCount, [](const FrameAnswer& answer, VARIANT* length) {
      *length = VARIANT::I4(answer.frame_count);
      return S_OK;
    });
  }
  // Any number type the caller has (an unsigned one, too); frames by name
  // are not offered.
  VARIANT index;
  if (FAILED(VariantChangeType(&index, args.front(), VT_I4))) return DISP_E_TYPEMISMATCH;
  return AnswerLater(FrameQuestion::kFrameCount,
                     [this, at = index.lVal](const FrameAnswer& answer, VARIANT* window) {
                       if (at < 0 || at >= answer.frame_count) {
                         return Fail(DISP_E_BADINDEX, IID_IHTMLFramesCollection2,
                                     QStringLiteral("Es gibt keinen Rahmen %1.").arg(at));
                       }
                       FramePath frame = path_;
                       frame.push_back(at);
                       *window = Part<HtmlWindow>(std::move(frame));
                       return S_OK;
                     });
}

HtmlWindow::HtmlWindow(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation,
                       FramePath path)
    : DocumentPart(IID_IHTMLWindow2, std::move(session), navigation, std::move(path)) {
  (void)outer;
}

HRESULT HtmlWindow::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& /*args*/) {
  if (func.memid != DISPID_HTMLWindow_document) return DISP_E_MEMBERNOTFOUND;
  // Asked now, so that a frame of another origin fails here, where a
  // caller expects it, and not at its body.
  return AnswerLater(FrameQuestion::kHasBody, [this](const FrameAnswer&, VARIANT* document) {
    *document = Part<HtmlDocument>(path_);
    return S_OK;
  });
}

HtmlElement::HtmlElement(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation,
                         FramePath path)
    : DocumentPart(IID_IHTMLElement, std::move(session), navigation, std::move(path)) {
  (void)outer;
}

HRESULT HtmlElement::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& /*args*/) {
  if (func.memid != DISPID_HTMLElement_outerText) return DISP_E_MEMBERNOTFOUND;
  return AnswerLater(FrameQuestion::kBodyText, [](const FrameAnswer& answer, VARIANT* text) {
    *text = VARIANT::Bstr(answer.text);
    return S_OK;
  });
}

HRESULT BrowserClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto session = std::make_shared<PageSession>(profile_, PageLimits::FromEnvironment());
  return ComObject::Create<WebBrowser>(nullptr, iid, out, std::move(session));
}

}  // namespace parlotto::browser
