// Speaking through a character, with a character of the test's own that
// records what it is asked and goes idle after each utterance.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
#include <vector>

#include "parlotto/app_messages.h"
#include "parlotto/vocato_form.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/loop/timer.h"
#include "support/fake_character.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::Peer;
using testing::ScopedEnv;
using testing::ScratchDir;

class FakeCharacter final : public testing::FakeCharacter {
 public:
  FakeCharacter(IUnknown* outer, HWND main_window)
      : testing::FakeCharacter(outer), main_window_(main_window) {}

  std::vector<std::string> calls;
  LONG visible = 0;
  bool goes_idle = true;

  HRESULT GetVisible(LONG* out) override {
    calls.emplace_back("GetVisible");
    *out = visible;
    return S_OK;
  }
  HRESULT Show(LONG fast, LONG* req) override {
    calls.emplace_back("Show " + std::to_string(fast));
    visible = 1;
    return NextRequest(req);
  }
  HRESULT Hide(LONG fast, LONG* req) override {
    calls.emplace_back("Hide " + std::to_string(fast));
    return NextRequest(req);
  }
  HRESULT Play(const BSTR& animation, LONG* req) override {
    calls.emplace_back("Play " + animation.toStdString());
    return NextRequest(req);
  }
  HRESULT Speak(const BSTR& text, const BSTR&, LONG* req) override {
    calls.emplace_back("Speak " + text.toStdString());
    // As the server does: busy while it speaks, idle afterwards.
    PostMessage(main_window_, UM_CHARACTER_BUSY, 0, 0);
    if (goes_idle) PostMessage(main_window_, UM_CHARACTER_IDLE, 0, 0);
    return NextRequest(req);
  }
  HRESULT Stop(LONG req) override {
    calls.emplace_back("Stop " + std::to_string(req));
    return S_OK;
  }

 private:
  HWND main_window_;
};

class CharacterSpeechTest : public ::testing::Test {
 protected:
  CharacterSpeechTest()
      : hive_(dir_.File("user.reg")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        temp_env_("TEMP", dir_.path().c_str()),
        form_(std::vector<std::string>{"-d", "x"}) {
    Peer(form_).Start().SetEnabled(false);
    fake_ = new FakeCharacter(nullptr, form_.Handle());
    Peer(form_).character() = ComPtr<IAgentCharacterEx>(static_cast<IAgentCharacterEx*>(fake_));
    Peer(form_).character_loaded() = true;
  }

  void Settings(const std::string& values) {
    testing::WriteFile(hive_,
                       "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n" +
                           values);
  }

  ScratchDir dir_;
  std::string hive_;
  ScopedEnv hive_env_;
  ScopedEnv temp_env_;
  TVocatoForm form_;
  FakeCharacter* fake_;
};

TEST_F(CharacterSpeechTest, TagsComeFromTheSettingsInPitchSpeedVolumeOrder) {
  Settings(
      "\"Speed\"=dword:00000096\n\"VolumeL\"=dword:00009c40\n\"VolumeR\"=dword:00004e20\n"
      "\"Pitch\"=dword:00000064\n");
  form_.BuildSpeechTags();
  fake_->visible = 1;
  form_.SpeakWithCharacter("Guten Tag.");
  EXPECT_EQ(fake_->calls, (std::vector<std::string>{
                              "GetVisible", "Play ReadContinued",
                              "Speak  \\Pit=100\\  \\Spd=150\\  \\Vol=30000\\  Guten Tag."}));
  EXPECT_TRUE(Peer(form_).speech_finished());
  EXPECT_EQ(Peer(form_).current_request_id(), fake_->requests());
}

TEST_F(CharacterSpeechTest, OneMissingValueEmptiesAllTagsAndNoKeyKeepsThem) {
  Settings(
      "\"Speed\"=dword:00000096\n\"VolumeL\"=dword:ffffffff\n\"VolumeR\"=dword:80000000\n"
      "\"Pitch\"=dword:00000064\n");
  form_.BuildSpeechTags();
  EXPECT_EQ(Peer(form_).volume_tag(), " \\Vol=-1073741824\\ ");  // the mean, rounded toward zero
  EXPECT_EQ(Peer(form_).pitch_tag(), " \\Pit=100\\ ");

  testing::WriteFile(hive_, "Windows Registry Editor Version 5.00\n");
  form_.BuildSpeechTags();
  EXPECT_EQ(Peer(form_).pitch_tag(), " \\Pit=100\\ ");

  Settings("\"Speed\"=dword:00000096\n\"VolumeL\"=dword:00000001\n\"Pitch\"=dword:00000064\n");
  form_.BuildSpeechTags();
  EXPECT_EQ(Peer(form_).pitch_tag() + Peer(form_).speed_tag() + Peer(form_).volume_tag(), "");
  fake_->visible = 1;
  form_.SpeakWithCharacter("Hallo");
  EXPECT_EQ(fake_->calls.back(), "Speak  Hallo");  // one space even without tags
}

TEST_F(CharacterSpeechTest, AHiddenCharacterIsShownFirst) {
  form_.SpeakWithCharacter("Hallo");
  EXPECT_EQ(fake_->calls, (std::vector<std::string>{"GetVisible", "Show 0", "Play ReadContinued",
                                                    "Speak  Hallo"}));
}

TEST_F(CharacterSpeechTest, TheStopFlagEndsTheWaitAndQuitStopsAndHides) {
  fake_->visible = 1;
  fake_->goes_idle = false;
  Timer quit(100, true, [this] { PostMessage(form_.Handle(), UM_QUIT, 0, 0); });
  form_.SpeakWithCharacter("Ein langer Text");
  EXPECT_TRUE(Peer(form_).stop_flag());
  EXPECT_EQ(Peer(form_).run_mode(), rmNone);
  ASSERT_GE(fake_->calls.size(), 2u);
  EXPECT_EQ(fake_->calls[fake_->calls.size() - 2], "Stop 2");
  EXPECT_EQ(fake_->calls.back(), "Hide 0");
  EXPECT_EQ(Peer(form_).current_request_id(), 3);

  // Once stopped, nothing more is spoken.
  size_t before = fake_->calls.size();
  form_.SpeakWithCharacter("Noch etwas");
  EXPECT_EQ(fake_->calls.size(), before);
}

// Hidden from its menu, the character says no more of the text: a caller
// hears that it was not read whole; the next text is read again.
TEST_F(CharacterSpeechTest, ATextTheUserHidTheCharacterFromIsNotReadWhole) {
  // The reading checks the build's components first; a dialog would wait.
  ScopedEnv system("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system");
  ScopedEnv dialogs("PARLOTTO_DIALOGS", ("record:" + dir_.File("dialogs.txt")).c_str());
  fake_->visible = 1;
  PostMessage(form_.Handle(), UM_CHARACTER_HIDDEN, 0, 0);
  Peer(form_).text_to_read() = "Hallo";
  EXPECT_FALSE(form_.ReadText());
  Peer(form_).text_to_read() = "Noch einmal";
  EXPECT_TRUE(form_.ReadText());
}

}  // namespace
}  // namespace parlotto
