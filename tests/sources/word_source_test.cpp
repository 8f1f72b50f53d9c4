// The Word source inside a main window, against a word processor of the
// test's own served in this process: the calls in their order, the text
// read, and what the user and the log see of a failure at any step.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/vocato_form.h"
#include "contracts/office/word_ids.h"
#include "platform/com/activation.h"
#include "platform/com/apartment.h"
#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com/object_factory.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::SpokenTexts;
using testing::WriteFile;
using Texts = std::vector<std::string>;

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

const std::map<QString, DISPID> kIds = {{"Documents", 1}, {"ActiveDocument", 2}, {"Open", 3},
                                        {"Content", 4},   {"Text", 5},           {"Close", 6},
                                        {"Quit", 7}};

class FakeWord final : public ComObject, public IDispatch {
 public:
  explicit FakeWord(IUnknown* outer, Role role = Role::kApplication)
      : ComObject(outer), role_(role) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    auto found = kIds.find(names[0]);
    if (found == kIds.end()) return DISP_E_UNKNOWNNAME;
    *ids = found->second;
    return S_OK;
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT*) override {
    QString name;
    for (const auto& [known, known_id] : kIds) {
      if (known_id == id) name = known;
    }
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

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
  }
  static HRESULT Give(Role role, VARIANT* result) {
    ComPtr<IDispatch> object;
    ComObject::Create<FakeWord>(nullptr, IID_IDispatch, object.ReceiveVoid(), role);
    *result = VARIANT::Dispatch(object.Get());
    return S_OK;
  }

  Role role_;
};

class ReadWordDocumentTest : public ::testing::Test {
 protected:
  ReadWordDocumentTest()
      : hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()),
        temp_env_("TEMP", dir_.path().c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"),
        trace_env_("PARLOTTO_SPEECH_TRACE", dir_.File("trace.txt").c_str()),
        audio_env_("PARLOTTO_AUDIO", "null"),
        scale_env_("PARLOTTO_TIME_SCALE", "0.05"),
        dialogs_env_("PARLOTTO_DIALOGS", ("record:" + dir_.File("dialogs.txt")).c_str()) {
    g_first_close = true;
    g_script = &script_;
    script_.trace = dir_.File("trace.txt");
    WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
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
    form.Start.SetEnabled(false);
    form.ReadWordDocument();
    form.Close();
    QDir::setCurrent(old_dir);
  }

  Texts Spoken() { return SpokenTexts(dir_.File("trace.txt")); }
  std::string Dialogs() { return ReadFile(dir_.File("dialogs.txt")); }
  std::string Log() {
    std::string log;
    std::istringstream lines(ReadFile(dir_.File("vocatodebug.log")));
    for (std::string line; std::getline(lines, line);) {
      if (line != "Idle" && line != "IdleDone") log += line + "\n";
    }
    return log;
  }

  ScratchDir dir_;
  ScopedEnv hive_env_;
  ScopedEnv temp_env_;
  ScopedEnv system_env_;
  ScopedEnv trace_env_;
  ScopedEnv audio_env_;
  ScopedEnv scale_env_;
  ScopedEnv dialogs_env_;
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
