// The web-page source inside a main window, against a browser of the test's
// own served in this process: the hidden load, the wait dialog and its
// texts, the frames, and what is logged when the browser fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/browser/browser_ids.h"
#include "parlotto/sources/source_fixture.h"
#include "parlotto/ui/dialogs/wait_dialog.h"
#include "parlotto/ui/htmlabel.h"
#include "parlotto/vocato_form.h"
#include "platform/com/com_object.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/object_factory.h"
#include "support/named_dispatch.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::SpokenTexts;
using testing::WriteFile;
using Texts = std::vector<std::string>;
using testing::Peer;

// What the browser was asked, what it shows, and what it refuses.
struct BrowserScript {
  Texts calls;
  int busy_polls = 2;     // Busy answers true this many times
  int stop_at_poll = -1;  // the user quits at this poll
  TVocatoForm* form = nullptr;
  std::vector<QString> statuses = {"Verbindung mit 127.0.0.1 wird hergestellt...",
                                   "<b>Laden</b> & mehr", "Fertig"};
  QString body = "Die Seite.";
  std::vector<QString> frames;  // texts of the frames; "!" refuses access
  std::string fail;             // a member that fails
  bool no_document = false;
  // What the wait dialog said at each StatusText.
  Texts captions;
  Texts labels;
  int polls = 0;
};
BrowserScript* g_script = nullptr;

enum class Role { kBrowser, kDocument, kFrames, kWindow, kElement };

// Each object knows the members of its own interface only.
std::vector<QString> MembersOf(Role role) {
  switch (role) {
    case Role::kBrowser:
      return {"Visible", "Navigate2", "Busy", "StatusText", "Document"};
    case Role::kDocument:
      return {"frames", "body"};
    case Role::kFrames:
      return {"length", "item"};
    case Role::kWindow:
      return {"document"};
    case Role::kElement:
      return {"outerText"};
  }
  return {};
}

std::string Label() {
  return frmWarten == nullptr ? "" : frmWarten->HTMLabel1->HTMLText().Joined().toStdString();
}

class FakeBrowser final : public testing::NamedDispatch {
 public:
  explicit FakeBrowser(IUnknown* outer, Role role = Role::kBrowser, int frame = -1)
      : NamedDispatch(outer, MembersOf(role)), frame_(frame) {}

 private:
  HRESULT Call(const QString& name, const DISPPARAMS& args, VARIANT* result, EXCEPINFO*) override {
    const DISPPARAMS* params = &args;
    std::string call = name.toStdString();
    BrowserScript& script = *g_script;
    if (name == "Visible") call += params->rgvarg[0].boolVal ? "=true" : "=false";
    if (name == "Navigate2") {
      call += "(" + params->rgvarg[params->cArgs - 1].bstrVal.toStdString();
      for (int i = static_cast<int>(params->cArgs) - 2; i >= 0; --i) {
        const VARIANT& arg = params->rgvarg[i];
        call += arg.IsMissing() ? ",missing" : arg.vt == VT_EMPTY ? ",empty" : ",?";
      }
      call += ")";
    }
    if (name != "Busy" && name != "StatusText") script.calls.push_back(call);
    if (call.rfind(script.fail, 0) == 0 && !script.fail.empty()) return E_ACCESSDENIED;
    if (name == "Busy") {
      if (script.polls == script.stop_at_poll) script.form->BeendenClick();
      *result = VARIANT::Bool(script.polls++ < script.busy_polls);
    } else if (name == "StatusText") {
      script.captions.push_back(frmWarten ? frmWarten->windowTitle().toStdString() : "");
      script.labels.push_back(Label());
      const std::size_t i = std::min<std::size_t>(script.polls - 1, script.statuses.size() - 1);
      *result = VARIANT::Bstr(script.statuses[i]);
    } else if (name == "Document" || name == "document") {
      if (script.no_document) return E_NOINTERFACE;
      if (frame_ >= 0 && script.frames[frame_] == "!") return E_ACCESSDENIED;
      return Give(Role::kDocument, frame_, result);
    } else if (name == "frames") {
      return Give(Role::kFrames, frame_, result);
    } else if (name == "length") {
      *result = VARIANT::I4(frame_ >= 0 ? 0 : static_cast<LONG>(script.frames.size()));
    } else if (name == "item") {
      return Give(Role::kWindow, params->rgvarg[0].lVal, result);
    } else if (name == "body") {
      return Give(Role::kElement, frame_, result);
    } else if (name == "outerText") {
      *result = VARIANT::Bstr(frame_ >= 0 ? script.frames[frame_] : script.body);
    }
    return S_OK;
  }

  static HRESULT Give(Role role, int frame, VARIANT* result) {
    ComPtr<IDispatch> object;
    ComObject::Create<FakeBrowser>(nullptr, IID_IDispatch, object.ReceiveVoid(), role, frame);
    *result = VARIANT::Dispatch(object.Get());
    return S_OK;
  }

  int frame_;
};

class ReadWebPageTest : public testing::SourceTest {
 protected:
  ReadWebPageTest() : SourceTest("0.01") {
    g_script = &script_;
    CoInitialize(nullptr);
    EXPECT_EQ(CoRegisterClassObject(browser::CLSID_InternetExplorer,
                                    new testing::ObjectFactory<FakeBrowser>, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
  }
  ~ReadWebPageTest() override {
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
    CoUninitialize();
    g_script = nullptr;
  }

  void Read(const std::string& address = "http://127.0.0.1:8000/") {
    TVocatoForm form({"-wget", address});
    script_.form = &form;
    Peer(form).Start().SetEnabled(false);
    form.ReadWebPage(address);
    EXPECT_EQ(frmWarten, nullptr) << "the wait dialog outlived the source";
    form.Close();
  }

  BrowserScript script_;
  DWORD cookie_ = 0;
};

const std::string kFirstLabel =
    "<FONT face=\"Tahoma\"><B><P align=\"center\">Warten Sie bitte,<br>bis Webseite geladen "
    "ist..</P></B></FONT>";

TEST_F(ReadWebPageTest, AHiddenBrowserLoadsThePageWhileTheWaitDialogShowsItsStatus) {
  Read();
  EXPECT_EQ(script_.calls,
            (Texts{"Visible=false", "Navigate2(http://127.0.0.1:8000/,empty,empty,empty,missing)",
                   "Document", "frames", "length", "body", "outerText"}));
  // Polled until no longer busy; each pass puts the status of the pass
  // before into the label, escaped.
  EXPECT_EQ(script_.polls, 3);
  EXPECT_EQ(script_.captions, Texts(3, "Warte auf die Webseite"));
  EXPECT_EQ(script_.labels,
            (Texts{kFirstLabel,
                   "<FONT face=\"Tahoma\"><B><P align=\"center\">Verbindung mit 127.0.0.1 wird "
                   "hergestellt...</P></B></FONT>",
                   "<FONT face=\"Tahoma\"><B><P align=\"center\">&lt;b&gt;Laden&lt;/b&gt; &amp; "
                   "mehr</P></B></FONT>"}));
  EXPECT_EQ(Spoken(), Texts{"Die Seite."});
  EXPECT_EQ(Log(), "");
}

TEST_F(ReadWebPageTest, ALocalFileGoesToTheBrowserByItsFullName) {
  WriteFile(dir_.File("seite.html"), "<p>Hallo</p>");
  const QString old_dir = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir_.path().string()));
  Read("seite.html");
  QDir::setCurrent(old_dir);
  ASSERT_GE(script_.calls.size(), 2u);
  EXPECT_EQ(script_.calls[1],
            "Navigate2(" + dir_.File("seite.html") + ",empty,empty,empty,missing)");
}

TEST_F(ReadWebPageTest, APageThatNeverEndsLoadingIsReadAfterTwoHundredPasses) {
  script_.busy_polls = 1000;
  Read();
  EXPECT_EQ(script_.polls, 200);
  EXPECT_EQ(Spoken(), Texts{"Die Seite."});
}

TEST_F(ReadWebPageTest, AQuitWhileThePageLoadsEndsTheWaitAndReadsNothing) {
  script_.busy_polls = 1000;
  script_.stop_at_poll = 5;
  Read();
  EXPECT_EQ(script_.polls, 6);
  EXPECT_EQ(script_.calls.back().rfind("Navigate2", 0), 0u) << "the page was still fetched";
  EXPECT_TRUE(Spoken().empty());
}

TEST_F(ReadWebPageTest, FramesAreReadEachAfterABlankAndThoseRefusedAreSkipped) {
  script_.frames = {"Erster Rahmen.", "!", "Dritter Rahmen."};
  Read();
  EXPECT_EQ(Spoken(), Texts{" Erster Rahmen. Dritter Rahmen."});
  EXPECT_EQ(Log(), "");
}

TEST_F(ReadWebPageTest, WhatIsNoHtmlDocumentOrHasNoBrowserIsNeitherReadNorLogged) {
  script_.no_document = true;
  Read();
  EXPECT_EQ(Spoken(), Texts{});
  EXPECT_EQ(Log(), "");

  CoRevokeClassObject(cookie_);
  cookie_ = 0;
  ScopedEnv no_classes("PARLOTTO_SYSTEM_DIR", dir_.path().c_str());
  Read();
  EXPECT_EQ(Spoken(), Texts{});
  EXPECT_EQ(Log(), "");
}

TEST_F(ReadWebPageTest, AFailingBrowserIsLoggedAndNothingIsRead) {
  for (const char* step : {"Visible", "Navigate2", "length"}) {
    SCOPED_TRACE(step);
    script_ = BrowserScript{};
    script_.fail = step;
    std::filesystem::remove(dir_.File("vocatodebug.log"));
    Read();
    const std::string log = Log();
    EXPECT_EQ(log.rfind("IE ???"
                        "'",
                        0),
              0u)
        << log;
    EXPECT_NE(log.find(std::string("\"") + step + "\""), std::string::npos) << log;
    EXPECT_EQ(Spoken(), Texts{});
  }
}

}  // namespace
}  // namespace parlotto
