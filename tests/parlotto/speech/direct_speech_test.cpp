// The direct mode with the real speech runtime: settings applied to the
// control in their order, the engine check, nested readings and the stop
// flag. Speech goes to WAV files; what was spoken is read from the trace.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <string>
#include <vector>

#include "parlotto/speech/direct_speech_fixture.h"
#include "parlotto/speech/speech_control_host.h"
#include "parlotto/vocato_form.h"
#include "platform/loop/timer.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::Peer;
using testing::ScopedEnv;
using testing::ScratchDir;

// One piece that takes half a minute to speak.
const std::string kHalfAMinute = [] {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "Wir lesen einen langen Text ohne Ende ";
  return text;
}();

class DirectSpeechTest : public testing::DirectSpeechFixture {
 protected:
  std::vector<std::string> Spoken() { return testing::SpokenTexts(trace_); }
};

TEST_F(DirectSpeechTest, SettingsApplyInOrderUntilTheFirstMissingOne) {
  Settings(
      "\"CurrentMode\"=dword:00000003\n\"Speed\"=dword:000000c8\n"
      "\"VolumeL\"=dword:00007530\n\"Pitch\"=dword:00000078\n");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  ASSERT_TRUE(form.LoadDirectSpeech());
  TDirectSS* control = Peer(form).DirectSS1().get();
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->CurrentMode(), 3);
  EXPECT_EQ(control->Speed(), 200);
  EXPECT_EQ(control->VolumeLeft(), 30000);
  // "VolumeR" is missing: it and everything after it keep the control's own.
  TDirectSS fresh;
  EXPECT_EQ(control->VolumeRight(), fresh.VolumeRight());
  EXPECT_EQ(control->Pitch(), fresh.Pitch());

  // A second text uses the same control.
  Peer(form).direct_speech_loaded() = true;
  ASSERT_TRUE(form.LoadDirectSpeech());
  EXPECT_EQ(Peer(form).DirectSS1().get(), control);
}

TEST_F(DirectSpeechTest, WithoutCurrentModeNothingIsSetAndTheEnginesAreThere) {
  Settings("\"Speed\"=dword:000000c8\n\"Pitch\"=dword:00000078\n");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  EXPECT_TRUE(form.HasSpeechRuntime());
  EXPECT_TRUE(form.HasSpeechEngine());
  ASSERT_TRUE(form.LoadDirectSpeech());
  TDirectSS fresh;
  EXPECT_EQ(Peer(form).DirectSS1()->Speed(), fresh.Speed());
  EXPECT_EQ(Peer(form).DirectSS1()->Pitch(), fresh.Pitch());
  EXPECT_EQ(Peer(form).DirectSS1()->CurrentMode(), fresh.CurrentMode());
}

TEST_F(DirectSpeechTest, AReadingNestedInAnotherSpeaksBetweenItsPieces) {
  Settings("");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  const std::string first = "Erster Satz.\nZweiter Satz.\n" + std::string(600, 'a');
  Peer(form).text_to_read() = first;
  bool nested = false;
  Timer interrupt(1, true);
  interrupt.SetOnTimer([&] {
    interrupt.SetEnabled(false);
    nested = true;
    Peer(form).text_to_read() = "Dazwischen.";
    form.ReadText();
  });
  form.ReadText();
  EXPECT_TRUE(nested);
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_EQ(Spoken(), (std::vector<std::string>{"Erster Satz. ", "Dazwischen.", "Zweiter Satz. ",
                                                std::string(600, 'a') + " "}));
}

TEST_F(DirectSpeechTest, TheStopFlagEndsAPieceAtTheNextCheck) {
  ScopedEnv paced("PARLOTTO_AUDIO", "null");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  Peer(form).text_to_read() = kHalfAMinute;
  QElapsedTimer since_stop;
  Timer stop(300, true);
  stop.SetOnTimer([&] {
    stop.SetEnabled(false);
    Peer(form).stop_flag() = true;
    since_stop.start();
  });
  form.ReadText();
  ASSERT_TRUE(since_stop.isValid());
  // The piece alone would take half a minute; the wait sees the flag at its
  // next round.
  EXPECT_LT(since_stop.elapsed(), 1000);
  EXPECT_EQ(Spoken().size(), 1u);
}

TEST_F(DirectSpeechTest, QuittingFromTheMenuSilencesThePieceAtOnce) {
  ScopedEnv paced("PARLOTTO_AUDIO", "null");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  Peer(form).text_to_read() = kHalfAMinute;
  Timer quit(300, true);
  quit.SetOnTimer([&] {
    quit.SetEnabled(false);
    Peer(form).Beenden()->trigger();
    // Not the program's end, seconds later, but the quit itself must do it.
    Peer(form).EndTimer().SetEnabled(false);
  });
  form.ReadText();
  // The piece alone would take half a minute; its audio ends with the quit,
  // not when the program closes seconds later.
  QElapsedTimer waited;
  waited.start();
  while (testing::TraceEvents(trace_) != std::vector<std::string>{"speak", "audio-stop"} &&
         waited.elapsed() < 2000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_EQ(testing::TraceEvents(trace_), (std::vector<std::string>{"speak", "audio-stop"}));
}

}  // namespace
}  // namespace parlotto
