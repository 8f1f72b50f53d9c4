// A character object in this process, on a recording stage, with a sink of
// this process registered: what the user does with the figure reaches the
// client, and the members the reader uses keep their contracts.
#include "agentsvr/character_object.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <memory>
#include <string>
#include <vector>

#include "agentsvr/agent_queue/recording_stage.h"
#include "agentsvr/notify_sink_base.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/apartment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::agent {
namespace {

using ::testing::ElementsAre;

class NoteSink final : public parlotto::testing::NotifySinkBase {
 public:
  using NotifySinkBase::NotifySinkBase;
  std::vector<std::string> notes;

  HRESULT Command(LONG id, IUnknown*) override { return Add("Command", {id}); }
  HRESULT Idle(LONG char_id, LONG start) override { return Add("Idle", {char_id, start}); }
  HRESULT VisibleState(LONG char_id, LONG visible, LONG cause) override {
    return Add("VisibleState", {char_id, visible, cause});
  }
  HRESULT Move(LONG char_id, LONG x, LONG y, LONG cause) override {
    return Add("Move", {char_id, x, y, cause});
  }

 private:
  HRESULT Add(std::string what, const std::vector<LONG>& args) {
    for (LONG arg : args) what += " " + std::to_string(arg);
    notes.push_back(std::move(what));
    return S_OK;
  }
};

class CharacterObjectTest : public ::testing::Test {
 protected:
  static constexpr LONG kCharId = 42;

  CharacterObjectTest()
      // No speech runtime here: speaking is the queue's and the bus test's.
      : system_env_("PARLOTTO_SYSTEM_DIR", dir_.File("no-system").c_str()),
        hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()) {
    CoInitialize(nullptr);
    RegisterAgentInterfaces();
    sink_ = new NoteSink(nullptr);
    sink_ref_ = ComPtr<IUnknown>(sink_->InnerUnknown());
    EXPECT_EQ(sinks_->Register(sink_ref_.Get(), &sink_id_), S_OK);
    Character character;
    character.frame_size = QSize(80, 90);
    character.language = 7;
    auto stage = std::make_unique<testing::RecordingStage>();
    stage_ = stage.get();
    EXPECT_EQ(
        ComObject::Create<CharacterObject>(nullptr, IID_IAgentCharacterEx, character_.ReceiveVoid(),
                                           kCharId, character, sinks_, std::move(stage)),
        S_OK);
  }
  ~CharacterObjectTest() override {
    character_.Reset();
    sinks_->Clear();
    CoUninitialize();
  }

  ComPtr<IAgentCommands> Commands() {
    ComPtr<IAgentCommands> commands;
    EXPECT_EQ(character_.As(IID_IAgentCommands, &commands), S_OK);
    return commands;
  }

  parlotto::testing::ScratchDir dir_;
  parlotto::testing::ScopedEnv system_env_;
  parlotto::testing::ScopedEnv hive_env_;
  std::shared_ptr<NotifySinks> sinks_ = std::make_shared<NotifySinks>();
  NoteSink* sink_ = nullptr;
  ComPtr<IUnknown> sink_ref_;
  LONG sink_id_ = 0;
  testing::RecordingStage* stage_ = nullptr;
  ComPtr<IAgentCharacterEx> character_;
};

TEST_F(CharacterObjectTest, TellsTheSinksWhichCommandTheUserPicked) {
  LONG info = 0;
  LONG end = 0;
  ASSERT_EQ(Commands()->Add(QStringLiteral("Info"), QString(), 1, 1, &info), S_OK);
  ASSERT_EQ(Commands()->Add(QStringLiteral("Beenden"), QString(), 1, 0, &end), S_OK);
  stage_->on_command(end);
  EXPECT_THAT(sink_->notes, ElementsAre("Command " + std::to_string(end)));
}

TEST_F(CharacterObjectTest, PutsTheAddedCommandsAndItsOwnHideEntryIntoTheMenu) {
  LONG id = 0;
  ASSERT_EQ(Commands()->Add(QStringLiteral("Einstellungen"), QString(), 0, 1, &id), S_OK);
  ASSERT_EQ(stage_->menu.size(), 1u);
  EXPECT_EQ(stage_->menu[0].id, id);
  EXPECT_EQ(stage_->menu[0].caption, QStringLiteral("Einstellungen"));
  EXPECT_FALSE(stage_->menu[0].enabled);
  EXPECT_TRUE(stage_->menu[0].visible);
  EXPECT_EQ(stage_->hide_caption, QStringLiteral("Ausblenden"));
  ASSERT_EQ(character_->SetLanguageID(9), S_OK);
  EXPECT_EQ(stage_->hide_caption, QStringLiteral("Hide"));
  EXPECT_EQ(stage_->menu.size(), 1u);
  EXPECT_EQ(character_->SetLanguageID(8), E_INVALIDARG);
  EXPECT_EQ(stage_->hide_caption, QStringLiteral("Hide"));
}

TEST_F(CharacterObjectTest, HidesWhenTheUserChoosesHideAndSaysSo) {
  LONG req = 0;
  ASSERT_EQ(character_->Show(1, &req), S_OK);
  stage_->EndAnimation();
  sink_->notes.clear();
  stage_->on_hide_chosen();
  EXPECT_EQ(stage_->events.back(), "Hide");
  stage_->EndAnimation();
  EXPECT_THAT(sink_->notes, ::testing::Contains("VisibleState 42 0 1"));
  // Hiding for the client afterwards is the program's.
  ASSERT_EQ(character_->Show(1, &req), S_OK);
  stage_->EndAnimation();
  ASSERT_EQ(character_->Hide(1, &req), S_OK);
  stage_->EndAnimation();
  EXPECT_EQ(sink_->notes.back(), "VisibleState 42 0 3");
}

TEST_F(CharacterObjectTest, TellsTheSinksWhereTheUserDraggedTheFigure) {
  stage_->on_moved(QPoint(300, 400));
  EXPECT_THAT(sink_->notes, ElementsAre("Move 42 300 400 1"));
}

TEST_F(CharacterObjectTest, SpeaksWithoutARuntimeByEndingTheRequestAtOnce) {
  LONG req = 0;
  ASSERT_EQ(character_->Speak(QStringLiteral("Hallo"), QString(), &req), S_OK);
  EXPECT_THAT(stage_->events, ElementsAre("SpeechStarted Hallo", "SpeechEnded"));
}

TEST_F(CharacterObjectTest, RefusesToStopRequestsThatItNeverGaveOut) {
  LONG req = 0;
  ASSERT_EQ(character_->Play(QStringLiteral("Read"), &req), S_OK);
  EXPECT_EQ(character_->Stop(req), S_OK);
  EXPECT_EQ(character_->Stop(req), S_OK);  // ended already: no error
  EXPECT_EQ(character_->Stop(req + 1000), E_INVALIDARG);
  EXPECT_EQ(character_->Stop(0), E_INVALIDARG);
}

TEST_F(CharacterObjectTest, RefusesTextsBeyondItsLimitWithAReason) {
  LONG req = 0;
  const QString text(CharacterObject::kMaxSpeakLength + 1, QLatin1Char('a'));
  EXPECT_EQ(character_->Speak(text, QString(), &req), E_INVALIDARG);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
  EXPECT_TRUE(ReadErrorInfo(info.Get()).description.contains(QStringLiteral("too long")));
  EXPECT_TRUE(stage_->events.empty());
}

}  // namespace
}  // namespace parlotto::agent
