// The program's notification sink: what it answers, what it posts to the
// main window, directly and when a character server calls it.
#include "parlotto/speech/agent_notify_sink.h"

#include <gtest/gtest.h>

#include "parlotto/app_messages.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/com_fixture.h"

namespace parlotto {
namespace {

class RecordingWindow : public MessageWindow {
 public:
  std::vector<UINT> received;

 protected:
  void WndProc(Msg& msg) override { received.push_back(msg.message); }
};

class AgentSinkTest : public testing::ComFixture {
 protected:
  AgentSinkTest() {
    RegisterAgentInterfaces();
    sink_ = new AgentNotifySink;
    sink_->info_command_id = 11;
    sink_->end_command_id = 12;
    sink_->settings_command_id = 13;
    sink_->main_window = window_.Handle();
  }

  std::vector<UINT> Delivered() {
    ProcessMessages();
    return std::exchange(window_.received, {});
  }

  RecordingWindow window_;
  AgentNotifySink* sink_;
};

TEST_F(AgentSinkTest, AnswersOnlyItsBaseInterfaceAndCountsFromZero) {
  EXPECT_EQ(sink_->AddRef(), 1u);
  void* out = nullptr;
  EXPECT_EQ(sink_->QueryInterface(IID_IAgentNotifySinkEx, &out), E_NOINTERFACE);
  EXPECT_EQ(sink_->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(sink_->QueryInterface(IID_IAgentNotifySink, &out), S_OK);
  EXPECT_EQ(out, static_cast<IAgentNotifySink*>(sink_));
  EXPECT_EQ(sink_->Release(), 1u);
  EXPECT_EQ(sink_->Release(), 0u);  // deleted here; the sanitizer build checks it
}

TEST_F(AgentSinkTest, PostsTheCommandsAndIdleStatesAndNothingElse) {
  ComPtr<IAgentNotifySink> sink(sink_);
  sink->Command(12, nullptr);
  sink->Command(11, nullptr);
  sink->Command(13, nullptr);
  sink->Command(99, nullptr);
  sink->Idle(1, 0);
  sink->Idle(1, 1);
  EXPECT_EQ(sink->Click(1, 0, 5, 5), S_OK);
  EXPECT_EQ(sink->RequestComplete(3, E_FAIL), S_OK);
  EXPECT_EQ(Delivered(), (std::vector<UINT>{UM_QUIT, UM_SHOW_INFO, UM_OPEN_SETTINGS,
                                            UM_CHARACTER_BUSY, UM_CHARACTER_IDLE}));
}

TEST_F(AgentSinkTest, LateBoundCallsUseTheAgentTypeLibrary) {
  ComPtr<IAgentNotifySink> sink(sink_);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(sink->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive()), S_OK);
  TYPEATTR attr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.guid, IID_IAgentNotifySink);
  ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_EQ(info->GetContainingTypeLib(library.Receive(), &index), S_OK);
  TLIBATTR lib;
  ASSERT_EQ(library->GetLibAttr(&lib), S_OK);
  EXPECT_EQ(lib.guid, LIBID_AgentServerObjects);
  EXPECT_EQ(lib.wMajorVerNum, 1);
  EXPECT_EQ(lib.wMinorVerNum, 0);

  LPOLESTR name = QStringLiteral("idle");
  DISPID id = 0;
  ASSERT_EQ(sink->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  VARIANT args[2] = {VARIANT::I4(1), VARIANT::I4(7)};  // right to left: start, char id
  DISPPARAMS params{args, nullptr, 2, 0};
  EXPECT_EQ(sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr),
            S_OK);
  EXPECT_EQ(Delivered(), std::vector<UINT>{UM_CHARACTER_IDLE});
}

TEST_F(AgentSinkTest, ACharacterServerReachesTheMainWindowThroughTheSink) {
  RegisterLocalServer(CLSID_AgentServer, "\"" PARLOTTO_BUILD_DIR "/tests/fake_agent_server\"");
  ComPtr<IAgentNotifySink> sink(sink_);
  ComPtr<IAgentEx> agent;
  ASSERT_EQ(CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                             agent.ReceiveVoid()),
            S_OK);
  LONG sink_id = -1;
  ASSERT_EQ(agent->Register(sink.Get(), &sink_id), S_OK);
  LONG char_id = 0;
  LONG req_id = 0;
  ComPtr<IAgentCharacterEx> character;
  ASSERT_EQ(agent->Load(VARIANT(), &char_id, &req_id), S_OK);
  ASSERT_EQ(agent->GetCharacterEx(char_id, character.Receive()), S_OK);

  ASSERT_EQ(character->Speak(QStringLiteral("command:13"), QString(), &req_id), S_OK);
  ASSERT_TRUE(SpinUntil([&] { return !window_.received.empty(); }));
  EXPECT_EQ(Delivered(), std::vector<UINT>{UM_OPEN_SETTINGS});

  ASSERT_EQ(character->Speak(QStringLiteral("Hallo"), QString(), &req_id), S_OK);
  ASSERT_TRUE(SpinUntil([&] { return window_.received.size() >= 2; }));
  EXPECT_EQ(Delivered(), (std::vector<UINT>{UM_CHARACTER_BUSY, UM_CHARACTER_IDLE}));

  EXPECT_EQ(agent->Unregister(sink_id), S_OK);
  character.Reset();
  agent.Reset();
}

}  // namespace
}  // namespace parlotto
