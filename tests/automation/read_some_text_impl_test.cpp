// The ReadSomeText object in the process of a real main window (run mode
// automation, reading without the character into a silent device): the
// hand-off of Text and Text2, the nested calls that message processing lets
// in, StopReading, the file of ReadOfficeText, the IDispatch side and the
// errors a member reports.
#include "automation/read_some_text_impl.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "automation/server_module.h"
#include "automation/vocato_ids.h"
#include "parlotto/vocato_form.h"
#include "platform/com/error_info.h"
#include "platform/loop/clock.h"
#include "platform/places/places.h"
#include "platform/typelib/type_lib_file.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/spin_loop.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::SpokenTexts;
using Lines = std::vector<std::string>;
using testing::Peer;
using testing::RunLoopFor;

class ReadSomeTextTest : public ::testing::Test {
 protected:
  ReadSomeTextTest()
      : env_(dir_, dir_.File("trace.txt")),
        shell_env_("PARLOTTO_SHELL", ("record:" + dir_.File("shell.txt")).c_str()) {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
    g_first_close = true;
  }

  ~ReadSomeTextTest() override {
    if (form_) form_->Close();
  }

  // The main window of a server that COM started.
  TVocatoForm& Form() {
    if (!form_) {
      form_ = std::make_unique<TVocatoForm>(std::vector<std::string>{"/Automation", "-Embedding"});
      VocatoForm = form_.get();
    }
    return *form_;
  }

  ComPtr<IReadSomeText> NewObject() {
    ComPtr<IReadSomeText> object;
    EXPECT_EQ(
        ComObject::Create<TReadSomeTextImpl>(nullptr, IID_IReadSomeText, object.ReceiveVoid()),
        S_OK);
    return object;
  }

  Lines Log() const {
    Lines lines;
    std::istringstream in(ReadFile(dir_.File("vocatodebug.log")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  Lines Spoken() const { return SpokenTexts(dir_.File("trace.txt")); }

  ScratchDir dir_;
  testing::ScopedProgramEnvironment env_;
  ScopedEnv shell_env_;
  std::unique_ptr<TVocatoForm> form_;
};

TEST_F(ReadSomeTextTest, TextArmsTheTimerAndTheReadingStartsOnlyAfterTheReturn) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  EXPECT_EQ(object->put_Text(QStringLiteral("Guten Morgen")), S_OK);
  EXPECT_EQ(Log(), (Lines{"Text1"}));
  EXPECT_EQ(Peer(form).text_to_read(), "Guten Morgen");
  EXPECT_TRUE(Peer(form).CheckForFullBufferToRead().Enabled());
  EXPECT_TRUE(Spoken().empty());

  RunLoopFor(ScaledMs(300));
  EXPECT_FALSE(Peer(form).CheckForFullBufferToRead().Enabled()) << "it fires once";
  EXPECT_EQ(Spoken(), (Lines{"Guten Morgen"}));
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_EQ(Peer(form).run_mode(), rmAutomation) << "the reading leaves the server running";
  EXPECT_FALSE(form.Closed());

  BSTR value = QStringLiteral("unverändert");
  EXPECT_EQ(object->get_Text(&value), S_OK);
  EXPECT_EQ(value, QStringLiteral("unverändert")) << "the getters give nothing back";
}

TEST_F(ReadSomeTextTest, AnEmptyTextReadsNothingAndOnAFullBufferDropsTheWaitingText) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  EXPECT_EQ(object->put_Text(QString()), S_OK);
  EXPECT_FALSE(Peer(form).CheckForFullBufferToRead().Enabled());
  EXPECT_EQ(Log(), (Lines{"Text1"}));

  Peer(form).text_to_read() = "alter Text";
  EXPECT_EQ(object->put_Text(QString()), S_OK);
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_FALSE(Peer(form).CheckForFullBufferToRead().Enabled());
  EXPECT_EQ(Log(), (Lines{"Text1", "Text1", "Wait for Buffer", "alter Text", "Wait for Buffer",
                          "alter Text", "Wait for Buffer", "alter Text"}));
  RunLoopFor(ScaledMs(300));
  EXPECT_TRUE(Spoken().empty());
}

TEST_F(ReadSomeTextTest, ATextEndsAtItsFirstNul) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  Peer(form).stop_flag() = true;  // nothing is read: the buffer shows what was stored
  EXPECT_EQ(object->put_Text2(QStringLiteral("vorne") + QChar(u'\0') + QStringLiteral("hinten")),
            DISP_E_EXCEPTION);
  EXPECT_EQ(Peer(form).text_to_read(), "vorne");
}

TEST_F(ReadSomeTextTest, ASecondTextBeforeTheTimerFiredIsReadAfterTheFirst) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  ASSERT_EQ(object->put_Text(QStringLiteral("eins")), S_OK);
  ASSERT_EQ(object->put_Text(QStringLiteral("zwei")), S_OK);
  // The first text was read inside the second call's first waiting pass.
  EXPECT_EQ(Spoken(), (Lines{"eins"}));
  EXPECT_EQ(Peer(form).text_to_read(), "zwei");
  RunLoopFor(ScaledMs(300));
  EXPECT_EQ(Spoken(), (Lines{"eins", "zwei"}));
  const Lines log = Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(Lines(log.begin(), log.begin() + 4),
            (Lines{"Text1", "Text1", "Wait for Buffer", "eins"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "Wait for Buffer"), 1);
}

TEST_F(ReadSomeTextTest, Text2ReadsBeforeItReturnsAndLogsTwice) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_EQ(object->put_Text2(QStringLiteral("Sofort gelesen")), S_OK);
  EXPECT_GE(elapsed.elapsed(), ScaledMs(5000)) << "the end timer's five waits are in the call";
  EXPECT_EQ(Spoken(), (Lines{"Sofort gelesen"}));
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_EQ(Log(), (Lines{"Text2", "Text2"}));
  EXPECT_FALSE(form.Closed());

  EXPECT_EQ(object->put_Text2(QString()), S_OK);
  EXPECT_EQ(Log(), (Lines{"Text2", "Text2", "Text2", "Text2"}));
  EXPECT_EQ(Spoken(), (Lines{"Sofort gelesen"}));
}

TEST_F(ReadSomeTextTest, ATextArrivingDuringAReadingWaitsThreePassesAndIsReadNested) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  HRESULT nested = E_FAIL;
  // Arrives while the first text is spoken, as a call dispatched in the
  // reading's wait would.
  QTimer caller;
  caller.setInterval(5);
  QObject::connect(&caller, &QTimer::timeout, [&] {
    if (Spoken().empty()) return;
    caller.stop();
    nested = object->put_Text(QStringLiteral("Dazwischen"));
  });
  caller.start();
  EXPECT_EQ(object->put_Text2(QStringLiteral("Ein etwas längerer erster Satz zum Vorlesen.")),
            S_OK);
  EXPECT_EQ(nested, S_OK);
  EXPECT_EQ(Spoken(), (Lines{"Ein etwas längerer erster Satz zum Vorlesen.", "Dazwischen"}));
  const Lines log = Log();
  const Lines wait = {"Wait for Buffer", "Ein etwas längerer erster Satz zum Vorlesen."};
  EXPECT_EQ(log, (Lines{"Text2", "Text2", "Text1", wait[0], wait[1], wait[0], wait[1], wait[0],
                        wait[1]}));
  EXPECT_EQ(Peer(form).text_to_read(), "");
}

TEST_F(ReadSomeTextTest, StopReadingBeforeTheTimerLeavesItNothingToRead) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  ASSERT_EQ(object->put_Text(QStringLiteral("Wird nie gelesen")), S_OK);
  EXPECT_EQ(object->StopReading(), S_OK);
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_EQ(Peer(form).run_mode(), rmNone);
  EXPECT_TRUE(Peer(form).EndTimer().Enabled());
  EXPECT_EQ(Peer(form).EndTimer().Interval(), 100);
  EXPECT_TRUE(Peer(form).CheckForFullBufferToRead().Enabled()) << "the timer still fires";
  RunLoopFor(ScaledMs(400));
  EXPECT_FALSE(Peer(form).CheckForFullBufferToRead().Enabled());
  EXPECT_TRUE(Spoken().empty());
  // The end timer's five waits, then the window closes.
  RunLoopFor(ScaledMs(7000));
  EXPECT_TRUE(form.Closed());
}

TEST_F(ReadSomeTextTest, AfterTheStopFlagEveryTextWaitsItsPassesAndNothingIsRead) {
  TVocatoForm& form = Form();
  ComPtr<IReadSomeText> object = NewObject();
  Peer(form).stop_flag() = true;
  // Not read, and the caller is told so.
  EXPECT_EQ(object->put_Text2(QStringLiteral("eins")), DISP_E_EXCEPTION);
  EXPECT_EQ(Peer(form).text_to_read(), "eins") << "the reading returned at once and left it";
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_EQ(object->put_Text(QStringLiteral("zwei")), S_OK);
  EXPECT_GE(elapsed.elapsed(), ScaledMs(3000)) << "three passes, then the one second";
  EXPECT_EQ(Peer(form).text_to_read(), "zwei");
  RunLoopFor(ScaledMs(300));
  EXPECT_EQ(Peer(form).text_to_read(), "zwei");
  EXPECT_TRUE(Spoken().empty());
}

TEST_F(ReadSomeTextTest, WithoutTheMainWindowEveryCallFailsWithTheProgIdAsSource) {
  // Registered, so that the source can be found.
  ASSERT_EQ(RegisterServerEntries(PARLOTTO_BUILD_DIR "/parlotto"), S_OK);
  ASSERT_EQ(VocatoForm, nullptr);
  ComPtr<IReadSomeText> object = NewObject();
  for (int member = 0; member < 3; ++member) {
    const HRESULT hr = member == 0   ? object->put_Text(QStringLiteral("x"))
                       : member == 1 ? object->put_Text2(QStringLiteral("x"))
                                     : object->StopReading();
    EXPECT_EQ(hr, static_cast<HRESULT>(0x80020009)) << member;
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK) << member;
    ErrorInfoFields fields = ReadErrorInfo(info.Get());
    EXPECT_EQ(fields.source, QStringLiteral("Vocato.ReadSomeText"));
    EXPECT_EQ(fields.guid, IID_IReadSomeText);
    EXPECT_EQ(fields.description,
              QStringLiteral("Parlotto ist noch nicht bereit: das Hauptfenster fehlt."));
  }
  BSTR value;
  EXPECT_EQ(object->get_Text2(&value), S_OK) << "the getters never fail";
}

TEST_F(ReadSomeTextTest, ReadOfficeTextWritesTheFileAndStartsASecondInstanceWithIt) {
  ComPtr<IReadSomeText> object = NewObject();
  const std::string file = WorkFileDir() + "temp.txt";
  EXPECT_EQ(object->put_ReadOfficeText(QStringLiteral("abc")), S_OK);
  EXPECT_EQ(ReadFile(file), "abc");
  EXPECT_EQ(object->put_ReadOfficeText(QString()), S_OK);
  EXPECT_EQ(ReadFile(file), "");
  // Each with a file of its own, gone once its reading has ended.
  std::istringstream calls(ReadFile(dir_.File("shell.txt")));
  int count = 0;
  for (std::string line; std::getline(calls, line); ++count) {
    const std::string own = line.substr(line.find("-f ") + 3);
    EXPECT_EQ(own.rfind(WorkFileDir() + ".temp.txt.office.", 0), 0u) << line;
    EXPECT_FALSE(std::filesystem::exists(own)) << line;
  }
  EXPECT_EQ(count, 2);
  std::remove(file.c_str());
}

TEST_F(ReadSomeTextTest, IDispatchNamesTheMembersOnceTheLibraryIsRegistered) {
  ComPtr<IReadSomeText> object = NewObject();
  UINT count = 0;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  // One member name per call: further names would be its parameters.
  const auto id_of = [&](const char* name, DISPID* id) {
    LPOLESTR names[] = {QString::fromLatin1(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
  };
  DISPID id = 0;
  EXPECT_EQ(id_of("Text", &id), TYPE_E_LIBNOTREGISTERED);

  // A failed load is tried again.
  ASSERT_EQ(RegisterServerEntries(PARLOTTO_BUILD_DIR "/parlotto"), S_OK);
  const std::pair<const char*, DISPID> expected[] = {
      {"StopReading", 1}, {"Text", 2}, {"Text2", 3}, {"ReadOfficeText", 5}};
  for (const auto& [name, want] : expected) {
    ASSERT_EQ(id_of(name, &id), S_OK) << name;
    EXPECT_EQ(id, want) << name;
  }

  DISPPARAMS none;
  VARIANT result;
  EXPECT_TRUE(FAILED(object->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                    &result, nullptr, nullptr)));
  EXPECT_EQ(object->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                           nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(result.bstrVal, QString());

  ComPtr<ITypeInfo> info;
  ASSERT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive()), S_OK);
  TYPEATTR attr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.guid, IID_IReadSomeText);
  EXPECT_EQ(attr.wMajorVerNum, 1);
  EXPECT_EQ(attr.wMinorVerNum, 13);
  EXPECT_EQ(attr.wTypeFlags & 0x1140, 0x1140);
}

}  // namespace
}  // namespace parlotto
