// The Word source inside a main window, against a word processor of the
// test's own served in this process: the calls in their order, the text
// read, and what the user and the log see of a failure at any step.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/office/word_ids.h"
#include "parlotto/sources/source_fixture.h"
#include "parlotto/vocato_form.h"
#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
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

// What the word processor was asked, and how it answers.
struct WordScript {
  Texts calls;
  QString text = QStringLiteral("Erster Absatz.\rZweiter Absatz.\r");
  // The call that fails ("Open", "Text", ...), with a reason.
  std::string fail;
  std::string trace;  // the speech trace, to see when Close came
  std::size_t spoken_at_close = 0;
};
WordScript* g_script = nullptr;

enum class Role { kApplication, kDocuments, kDocument, kRange };

// Each object knows the members of its own interface only.
std::vector<QString> MembersOf(Role role) {
  switch (role) {
    case Role::kApplication:
      return {"Documents", "ActiveDocument", "Quit"};
    case Role::kDocuments:
      return {"Open"};
    case Role::kDocument:
      return {"Content", "Close"};
    case Role::kRange:
      return {"Text"};
  }
  return {};
}

class FakeWord final : public testing::NamedDispatch {
 public:
  explicit FakeWord(IUnknown* outer, Role role = Role::kApplication)
      : NamedDispatch(outer, MembersOf(role)) {}

 private:
  HRESULT Call(const QString& name, const DISPPARAMS& args, VARIANT* result,
               EXCEPINFO* excep) override {
    const DISPPARAMS* params = &args;
    std::string call = name.toStdString();
    if (name == "Open") {
      // Arguments come last first: the file name is the last of ten.
      call += "(" + params->rgvarg[params->cArgs - 1].bstrVal.toStdString();
      for (UINT i = 0; i + 1 < params->cArgs; ++i) {
        call += params->rgvarg[i].IsMissing() ? ",-" : ",?";
      }
      call += ")";
    } else if (name == "Close") {
      call += "(" + std::to_string(params->cArgs) + " omitted)";
      g_script->spoken_at_close = SpokenTexts(g_script->trace).size();
    }
    g_script->calls.push_back(call);
    if (name.toStdString() == g_script->fail) {
      excep->scode = office::WORD_E_DAMAGED;
      excep->bstrDescription = QStringLiteral("Das Dokument ist beschädigt.");
      return DISP_E_EXCEPTION;
    }
    if (name == "Documents") return Give(Role::kDocuments, result);
    if (name == "Open" || name == "ActiveDocument") return Give(Role::kDocument, result);
    if (name == "Content") return Give(Role::kRange, result);
    if (name == "Text") *result = VARIANT::Bstr(g_script->text);
    return S_OK;
  }

  static HRESULT Give(Role role, VARIANT* result) {
    ComPtr<IDispatch> object;
    ComObject::Create<FakeWord>(nullptr, IID_IDispatch, object.ReceiveVoid(), role);
    *result = VARIANT::Dispatch(object.Get());
    return S_OK;
  }
};

class ReadWordDocumentTest : public testing::SourceTest {
 protected:
  ReadWordDocumentTest() {
    g_script = &script_;
    script_.trace = dir_.File("trace.txt");
    WriteFile(dir_.File("bericht.docx"), "PK");
    CoInitialize(nullptr);
    EXPECT_EQ(
        CoRegisterClassObject(office::CLSID_WordApplication, new testing::ObjectFactory<FakeWord>,
                              CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
        S_OK);
  }
  ~ReadWordDocumentTest() override {
    CoRevokeClassObject(cookie_);
    CoUninitialize();
    g_script = nullptr;
  }

  // Reads the document as `parlotto -doc <name>` would, from the scratch
  // directory.
  void Read(const std::string& name = "bericht.docx") {
    const QString old_dir = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir_.path().string()));
    TVocatoForm form({"-doc", name});
    Peer(form).Start().SetEnabled(false);
    form.ReadWordDocument();
    form.Close();
    QDir::setCurrent(old_dir);
  }

  WordScript script_;
  DWORD cookie_ = 0;
};

constexpr const char* kMessage =
    "Fehler\tEs sollte ein Word-Dokument vorgelesen werden,\\n"
    "Word ist aber scheinbar nicht installiert.\\n"
    " Oder es ist ein anderer Fehler bei der Automatisierung von Word aufgetreten!\n";

TEST_F(ReadWordDocumentTest, TheWholeTextIsTakenTheDocumentClosedAndThenItIsRead) {
  Read();
  const std::string file = dir_.File("bericht.docx");
  EXPECT_EQ(script_.calls,
            (Texts{"Documents", "Open(" + file + ",-,-,-,-,-,-,-,-,-)", "ActiveDocument", "Content",
                   "Text", "ActiveDocument", "Close(3 omitted)"}));
  // Closed before a word was spoken; never asked to quit.
  EXPECT_EQ(script_.spoken_at_close, 0u);
  // A short text is one piece; the trace writes its line ends as \n.
  EXPECT_EQ(Spoken(), (Texts{"Erster Absatz.\\nZweiter Absatz.\\n"}));
  EXPECT_EQ(Dialogs(), "");
  EXPECT_EQ(Log(), "");
}

TEST_F(ReadWordDocumentTest, AFailureAtAnyStepShowsTheMessageOnceLogsItsReasonAndReadsNothing) {
  for (const char* step : {"Documents", "Open", "ActiveDocument", "Content", "Text", "Close"}) {
    SCOPED_TRACE(step);
    script_ = WordScript{};
    script_.trace = dir_.File("trace.txt");
    script_.fail = step;
    std::filesystem::remove(dir_.File("dialogs.txt"));
    Read();
    EXPECT_EQ(script_.calls.back().rfind(step, 0), 0u) << "went on after the failure";
    EXPECT_EQ(std::count(script_.calls.begin(), script_.calls.end(), "Quit"), 0);
    EXPECT_EQ(Dialogs(), kMessage);
    const std::string log = Log();
    EXPECT_NE(log.find(std::string("\"") + step + "\""), std::string::npos) << log;
    EXPECT_NE(log.find("': Das Dokument ist beschädigt. @ word_source.cpp/"), std::string::npos)
        << log;
    EXPECT_EQ(Spoken(), Texts{});
  }
}

TEST_F(ReadWordDocumentTest, NoWordProcessorAtAllShowsTheMessageAndLogsWhy) {
  CoRevokeClassObject(cookie_);
  cookie_ = 0;
  // Nothing registered in a system directory of the test's own.
  ScopedEnv no_classes("PARLOTTO_SYSTEM_DIR", dir_.path().c_str());
  Read();
  EXPECT_EQ(Dialogs(), kMessage);
  EXPECT_EQ(Log().rfind("'CoCreateInstance(", 0), 0u) << Log();
  EXPECT_EQ(Spoken(), Texts{});
}

TEST_F(ReadWordDocumentTest, AnEmptyDocumentSaysNothingOfSubstance) {
  script_.text = QStringLiteral("\r");
  Read();
  EXPECT_EQ(script_.calls.back(), "Close(3 omitted)");
  for (const std::string& piece : Spoken()) EXPECT_EQ(piece, "\\n");
  EXPECT_EQ(Dialogs(), "");
}

}  // namespace
}  // namespace parlotto
