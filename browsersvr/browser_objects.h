// The browser server's automation objects: the browser, the document of its
// page or of one of the page's frames, a document's frames, a frame's window
// and a document's body. Each is a view of its browser's PageSession; the
// HTML objects name their document by the navigation it belongs to and its
// frame path, so that after the browser navigated again they fail as
// disconnected instead of answering for another page.
#pragma once

#include <functional>
#include <memory>

#include "browsersvr/browser_pages/frame_query.h"
#include "browsersvr/page_session.h"
#include "platform/com_runtime/automation_object.h"
#include "platform/com_runtime/server_class_factory.h"

class QWebEngineProfile;

namespace parlotto::browser {

// An object of the server: a view of its browser's page.
class BrowserObject : public AutomationObject {
 protected:
  BrowserObject(const IID& iid, std::shared_ptr<PageSession> session);

  const std::shared_ptr<PageSession> session_;
};

class WebBrowser final : public BrowserObject {
 public:
  explicit WebBrowser(IUnknown* outer, std::shared_ptr<PageSession> session);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
  HRESULT Navigate(const VARIANT& url);

  bool visible_ = false;
};

// An object that stands for one document (or a part of it).
class DocumentPart : public BrowserObject {
 protected:
  DocumentPart(const IID& iid, std::shared_ptr<PageSession> session, int navigation,
               FramePath path);

  // What the caller gets of the page's answer: the member's value, or a
  // failure with its error info.
  using Reading = std::function<HRESULT(const FrameAnswer& answer, VARIANT* value)>;
  // Asks the page about this object's document, and answers the call being
  // served with what `read` makes of the answer once the page gave it. A
  // failure (page left, frame gone, another origin, no answer) comes with
  // its error info.
  HRESULT AnswerLater(FrameQuestion question, Reading read);
  // A failure with its error info for an answer that is none, or for a page
  // the browser has left meanwhile.
  HRESULT Judge(const FrameAnswer& answer);
  // A new object of type T for the document at `path` of this navigation.
  template <typename T>
  VARIANT Part(FramePath path) const;

  const int navigation_;
  const FramePath path_;
};

class HtmlDocument final : public DocumentPart {
 public:
  HtmlDocument(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation,
               FramePath path);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

// The frames of the document at `path`.
class HtmlFrames final : public DocumentPart {
 public:
  HtmlFrames(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation, FramePath path);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

// The window of the frame at `path`.
class HtmlWindow final : public DocumentPart {
 public:
  HtmlWindow(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation, FramePath path);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

// The body of the document at `path`.
class HtmlElement final : public DocumentPart {
 public:
  HtmlElement(IUnknown* outer, std::shared_ptr<PageSession> session, int navigation,
              FramePath path);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

// The class object: every client gets a browser of its own, with its own
// page, as every new instance of a browser opens a window of its own.
class BrowserClassFactory final : public ServerClassFactory {
 public:
  // `profile` (off the record, no files) outlives the factory's browsers.
  explicit BrowserClassFactory(QWebEngineProfile* profile) : profile_(profile) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override;

 private:
  QWebEngineProfile* profile_;
};

}  // namespace parlotto::browser
