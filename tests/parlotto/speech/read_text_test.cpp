// The read routine's waits, with every fixed wait scaled up a hundredfold:
// a per-piece wait is then 5 s and the final wait 50 s, so a reading that
// returns within seconds has waited for its end events, not its intervals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "parlotto/app_messages.h"
#include "parlotto/speech/direct_speech_fixture.h"
#include "parlotto/vocato_form.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/loop/window_messages.h"
#include "support/fake_character.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::Peer;
using testing::ScopedEnv;
using testing::ScratchDir;

// Read once by the clock, at its first use, which comes after this.
const bool kScaled = setenv("PARLOTTO_TIME_SCALE", "100", 1) == 0;

constexpr qint64 kPieceWaitMs = qint64{50} * 100;
constexpr qint64 kFinalWaitMs = qint64{500} * 100;

// Posts `message` to `window` after a short while, from another thread, as
// the speech runtime and the character server do.
std::thread PostSoon(HWND window, UINT message) {
  return std::thread([=] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessage(window, message, 0, 0);
  });
}

// A character that is busy from each Speak on; it goes idle when the test
// says so.
class QuietCharacter final : public testing::FakeCharacter {
 public:
  QuietCharacter(IUnknown* outer, HWND main_window)
      : FakeCharacter(outer), main_window_(main_window) {}

  int spoken = 0;

  HRESULT Speak(const BSTR&, const BSTR&, LONG* req) override {
    ++spoken;
    PostMessage(main_window_, UM_CHARACTER_BUSY, 0, 0);
    return NextRequest(req);
  }

 private:
  HWND main_window_;
};

using ReadTextWaitTest = testing::DirectSpeechFixture;

TEST_F(ReadTextWaitTest, EachDirectPieceEndsAtItsEndEventNotAfterItsInterval) {
  ASSERT_TRUE(kScaled);
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  std::string text;
  for (int i = 1; i <= 8; ++i) text += "Dies ist der Satz Nummer " + std::to_string(i) + ".\n";
  text += std::string(600 - text.size() + 20, 'a') + "\n";
  Peer(form).text_to_read() = text;
  QElapsedTimer elapsed;
  elapsed.start();
  form.ReadText();
  const qint64 took = elapsed.elapsed();
  const std::vector<std::string> spoken = testing::SpokenTexts(trace_);
  ASSERT_EQ(spoken.size(), 9u);
  // Waiting out even half of the intervals would take more than 20 s.
  EXPECT_LT(took, kPieceWaitMs * static_cast<qint64>(spoken.size()) / 2);
  EXPECT_TRUE(Peer(form).speech_finished());
}

TEST_F(ReadTextWaitTest, ReadsWithoutTheCharacterOnWaylandWithoutXWaylandAndSaysSoOnce) {
  ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-0"), no_x("DISPLAY", nullptr);
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  Peer(form).no_agent() = false;
  for (const char* text : {"Erster Text.", "Zweiter Text."}) {
    Peer(form).text_to_read() = text;
    EXPECT_TRUE(form.ReadText());
  }
  EXPECT_EQ(testing::SpokenTexts(trace_),
            (std::vector<std::string>{"Erster Text.", "Zweiter Text."}));
  EXPECT_FALSE(Peer(form).character_loaded());
  const std::string log = testing::ReadFile(dir_.File("vocatodebug.log"));
  const std::size_t said = log.find("NoXWayland");
  EXPECT_TRUE(said != std::string::npos && said == log.rfind("NoXWayland")) << log;
}

TEST_F(ReadTextWaitTest, APieceSpokenByTheCharacterEndsWhenItGoesIdle) {
  ASSERT_TRUE(kScaled);
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  auto* fake = new QuietCharacter(nullptr, form.Handle());
  Peer(form).character() = ComPtr<IAgentCharacterEx>(static_cast<IAgentCharacterEx*>(fake));
  Peer(form).character_loaded() = true;
  std::thread idle = PostSoon(form.Handle(), UM_CHARACTER_IDLE);
  QElapsedTimer elapsed;
  elapsed.start();
  form.SpeakWithCharacter("Hallo");
  const qint64 took = elapsed.elapsed();
  idle.join();
  EXPECT_EQ(fake->spoken, 1);
  EXPECT_TRUE(Peer(form).speech_finished());
  EXPECT_LT(took, kPieceWaitMs / 2);
}

TEST_F(ReadTextWaitTest, TheFinalWaitEndsWhenTheSpeechIsOverNotAfterItsInterval) {
  ASSERT_TRUE(kScaled);
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  // Loaded, but without a control: the piece is handed to nothing and its
  // end comes only with the message below, in the final wait.
  Peer(form).direct_speech_loaded() = true;
  Peer(form).text_to_read() = "Hallo";
  std::thread idle = PostSoon(form.Handle(), UM_CHARACTER_IDLE);
  QElapsedTimer elapsed;
  elapsed.start();
  form.ReadText();
  const qint64 took = elapsed.elapsed();
  idle.join();
  EXPECT_TRUE(Peer(form).speech_finished());
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_LT(took, kFinalWaitMs / 2);
}

// Its one pass of the loop before the final wait is the reading's first:
// the piece goes to no control.
TEST_F(ReadTextWaitTest, ACallersTextOfferedInTheLastPassIsKeptForItsOwnReading) {
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  Peer(form).direct_speech_loaded() = true;
  Peer(form).text_to_read() = "Hallo";
  QMetaObject::invokeMethod(
      qApp, [&form] { form.OfferText("Zweiter Text."); }, Qt::QueuedConnection);
  std::thread idle = PostSoon(form.Handle(), UM_CHARACTER_IDLE);
  form.ReadText();
  idle.join();
  EXPECT_EQ(Peer(form).text_to_read(), "Zweiter Text.");
  EXPECT_TRUE(Peer(form).CheckForFullBufferToRead().Enabled());
}

TEST_F(ReadTextWaitTest, TheStopFlagSetByAMessageEndsTheFinalWaitAtOnce) {
  ASSERT_TRUE(kScaled);
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  Peer(form).direct_speech_loaded() = true;
  Peer(form).text_to_read() = "Hallo";
  std::thread quit = PostSoon(form.Handle(), UM_QUIT);
  QElapsedTimer elapsed;
  elapsed.start();
  form.ReadText();
  const qint64 took = elapsed.elapsed();
  quit.join();
  EXPECT_TRUE(Peer(form).stop_flag());
  EXPECT_FALSE(Peer(form).speech_finished());
  EXPECT_LT(took, kFinalWaitMs / 2);
}

}  // namespace
}  // namespace parlotto
