// The voices the settings program offers come from the speech runtime, and
// "Probe hören" speaks through it with the values shown.
#include "vsettings/speech_runtime.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <string>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"
#include "support/speech_trace.h"
#include "vsettings/settings_dialog.h"
#include "vsettings/settings_fixture.h"
#include "vsettings/voice_names.h"

namespace parlotto::vsettings {
namespace {

class SpeechRuntimeTest : public testing::SettingsFixture {
 protected:
  SpeechRuntimeTest()
      : trace_(dir_.File("trace.txt")),
        trace_env_("PARLOTTO_SPEECH_TRACE", trace_.c_str()),
        audio_env_("PARLOTTO_AUDIO", "null") {}

  // Waits, bounded, until the trace holds `count` ends of speech.
  void WaitForAudioStops(std::size_t count) {
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
      const std::vector<std::string> events = testing::TraceEvents(trace_);
      if (static_cast<std::size_t>(std::count(events.begin(), events.end(), "audio-stop")) >=
          count) {
        return;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    FAIL() << "no end of speech in the trace";
  }

  std::string trace_;
  testing::ScopedEnv trace_env_;
  testing::ScopedEnv audio_env_;
};

TEST_F(SpeechRuntimeTest, ListsTheRuntimesVoicesByNameLanguageAndId) {
  SpeechRuntime runtime;
  ASSERT_TRUE(runtime.Available()) << runtime.Problem().toStdString();
  const std::vector<Voice>& voices = runtime.Voices();
  ASSERT_EQ(static_cast<std::int32_t>(voices.size()),
            runtime.Property(DISPID_DirectSS_CountEngines));
  for (std::size_t i = 0; i < voices.size(); ++i) {
    EXPECT_EQ(voices[i].mode, static_cast<std::int32_t>(i) + 1);
    EXPECT_FALSE(voices[i].name.isEmpty());
    EXPECT_FALSE(voices[i].language.isEmpty());
    EXPECT_EQ(voices[i].mode_id.size(), 36) << "a GUID without braces";
  }
  const std::int32_t german = runtime.ModeOfLanguage(QStringLiteral("de"));
  ASSERT_GT(german, 0);
  EXPECT_EQ(voices[german - 1].name, QStringLiteral("German"));
  EXPECT_EQ(voices[german - 1].mode_id.toStdString(), testing::kGermanModeId);
  EXPECT_EQ(runtime.ModeOfId(QStringLiteral("{d6b70618-29f4-5c3b-811e-7e1b72e131e3}")), german);
  EXPECT_EQ(runtime.ModeOfId(QStringLiteral("00000000-0000-0000-0000-000000000000")), 0);
  // "en" finds an English voice even when espeak-ng names them "en-gb".
  const std::int32_t english = runtime.ModeOfLanguage(QStringLiteral("en"));
  ASSERT_GT(english, 0);
  EXPECT_TRUE(voices[english - 1].language.startsWith(QStringLiteral("en")));
}

TEST_F(SpeechRuntimeTest, TheDialogOffersExactlyTheRuntimesVoices) {
  Hive(testing::EveryValueHive());
  SpeechRuntime runtime;
  SettingsDialog dialog(ReadStoredSettings(), &runtime);
  const auto* plain = dialog.findChild<QComboBox*>(QStringLiteral("plainVoice"));
  const auto* character = dialog.findChild<QComboBox*>(QStringLiteral("characterVoice"));
  // One entry besides the voices: the default voice, or no voice of its own.
  ASSERT_EQ(plain->count(), static_cast<int>(runtime.Voices().size()) + 1);
  ASSERT_EQ(character->count(), static_cast<int>(runtime.Voices().size()) + 1);
  for (const Voice& voice : runtime.Voices()) {
    const int at = plain->findData(voice.mode);
    ASSERT_GE(at, 1);
    EXPECT_EQ(character->itemText(character->findData(voice.mode_id)), plain->itemText(at));
  }
  // German first, named in German.
  EXPECT_EQ(plain->itemText(1), QStringLiteral("Deutsch"));
  EXPECT_EQ(character->itemData(1).toString().toStdString(), testing::kGermanModeId);
}

TEST(VoiceNamesTest, NamesLanguagesInGermanAndNeverInAScriptNoFontDraws) {
  const auto drawable = [](const QString&) { return true; };
  const auto undrawable = [](const QString&) { return false; };
  struct Case {
    const char* code;
    bool can_draw;
    QString expected;
  } cases[] = {
      {"de", true, QStringLiteral("Deutsch")},
      {"en-GB", true, QStringLiteral("Englisch (Großbritannien)")},
      {"fr-xx", true, QStringLiteral("Französisch (xx)")},
      // Not in the table: its own name where a font draws it, else the
      // runtime's name.
      {"ckb", true, QLocale(QStringLiteral("ckb")).nativeLanguageName()},
      {"ckb", false, QStringLiteral("Kurdish Sorani")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GermanLanguageName(QString::fromLatin1(c.code), QStringLiteral("Kurdish Sorani"),
                                 c.can_draw ? std::function<bool(const QString&)>(drawable)
                                            : std::function<bool(const QString&)>(undrawable)),
              c.expected)
        << c.code;
  }
}

TEST_F(SpeechRuntimeTest, ProbeHoerenSpeaksWithTheValuesShownAsTheProgramApplies) {
  Hive(std::string(testing::kReadAloudWithoutCharacterHive) +
       "\"CurrentMode\"=dword:00000002\n"
       "\"Speed\"=dword:00000096\n");
  SpeechRuntime runtime;
  SettingsDialog dialog(ReadStoredSettings(), &runtime);
  // Values changed but not yet written count too, with the speech values
  // that writing them adds.
  dialog.findChild<QSpinBox*>(QStringLiteral("pitch"))->setValue(80);
  dialog.findChild<QSpinBox*>(QStringLiteral("volumeLeft"))->setValue(50);
  auto* sample = dialog.findChild<QPushButton*>(QStringLiteral("sample"));
  sample->click();
  EXPECT_EQ(testing::SpokenTexts(trace_),
            std::vector<std::string>{"Hallo! So klinge ich mit diesen Einstellungen."});
  EXPECT_EQ(runtime.Property(DISPID_DirectSS_CurrentMode), 2);
  EXPECT_EQ(runtime.Property(DISPID_DirectSS_Speed), 150);
  EXPECT_EQ(runtime.Property(DISPID_DirectSS_VolumeLeft), VolumeLevel(50));
  EXPECT_EQ(runtime.Property(DISPID_DirectSS_VolumeRight), runtime.StartValues().volume_right);
  EXPECT_EQ(runtime.Property(DISPID_DirectSS_Pitch), 80);

  // A second sample replaces the first.
  dialog.findChild<QSpinBox*>(QStringLiteral("volumeRight"))->setValue(25);
  sample->click();
  EXPECT_EQ(runtime.Property(DISPID_DirectSS_VolumeRight), VolumeLevel(25));
  EXPECT_EQ(testing::SpokenTexts(trace_).size(), 2u);
  WaitForAudioStops(2);
  EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("sampleStatus"))->text().isEmpty());
}

TEST(SampleValuesTest, WithoutTheCharacterValuesApplyUpToTheFirstUnsetOne) {
  const SampleValues all{3, 200, 90, 1000, 2000};
  const SampleValues applied = DirectModeValues(all);
  EXPECT_EQ(applied.mode, 3);
  EXPECT_EQ(applied.speed, 200);
  EXPECT_EQ(applied.pitch, 90);
  EXPECT_EQ(applied.volume_left, 1000);
  EXPECT_EQ(applied.volume_right, 2000);

  SampleValues no_left = all;
  no_left.volume_left.reset();
  const SampleValues cut = DirectModeValues(no_left);
  EXPECT_EQ(cut.mode, 3);
  EXPECT_EQ(cut.speed, 200);
  EXPECT_FALSE(cut.volume_right);
  EXPECT_FALSE(cut.pitch);

  SampleValues no_mode = all;
  no_mode.mode.reset();
  const SampleValues none = DirectModeValues(no_mode);
  EXPECT_FALSE(none.mode || none.speed || none.pitch || none.volume_left || none.volume_right);
}

TEST(SampleValuesTest, WithTheCharacterTheTagsApplyAllOrNoneWithTheMeanVolume) {
  const SampleValues all{3, 200, 90, 40000, 20001};
  const SampleValues applied = CharacterModeValues(all);
  EXPECT_EQ(applied.mode, 3);
  EXPECT_EQ(applied.speed, 200);
  EXPECT_EQ(applied.pitch, 90);
  EXPECT_EQ(applied.volume_left, 30000);
  EXPECT_EQ(applied.volume_right, 30000);

  SampleValues no_pitch = all;
  no_pitch.pitch.reset();
  const SampleValues none = CharacterModeValues(no_pitch);
  EXPECT_EQ(none.mode, 3);
  EXPECT_FALSE(none.speed || none.pitch || none.volume_left || none.volume_right);
}

TEST_F(SpeechRuntimeTest, TheCharactersSampleUsesItsChosenOrItsOwnVoice) {
  SpeechRuntime runtime;
  const std::int32_t english = runtime.ModeOfLanguage(QStringLiteral("en"));
  ASSERT_GT(english, 0);
  const std::string english_id = runtime.Voices()[english - 1].mode_id.toStdString();

  // The chosen voice, as long as the character does not keep its own.
  Hive(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
      "\"noAgent\"=dword:00000000\n"
      "\"ModeID\"=\"" +
      english_id +
      "\"\n"
      "\"useStandardMode\"=dword:00000000\n");
  {
    SettingsDialog dialog(ReadStoredSettings(), &runtime);
    dialog.findChild<QPushButton*>(QStringLiteral("sample"))->click();
    EXPECT_EQ(runtime.Property(DISPID_DirectSS_CurrentMode), english);
  }

  // Its own voice follows the language: English text with an English voice.
  Hive(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
      "\"noAgent\"=dword:00000000\n"
      "\"isEnglish\"=dword:00000001\n"
      "\"AgentFromFileSystem\"=\"" +
      dir_.File("fehlt.acz") +
      "\"\n"
      "\"ModeID\"=\"" +
      std::string(testing::kGermanModeId) +
      "\"\n"
      "\"useStandardMode\"=dword:00000001\n");
  {
    SettingsDialog dialog(ReadStoredSettings(), &runtime);
    dialog.findChild<QPushButton*>(QStringLiteral("sample"))->click();
    EXPECT_EQ(runtime.Property(DISPID_DirectSS_CurrentMode), english);
  }
  const std::vector<std::string> spoken = testing::SpokenTexts(trace_);
  ASSERT_EQ(spoken.size(), 2u);
  EXPECT_EQ(spoken[1], "Hello! This is how I sound with these settings.");
  WaitForAudioStops(2);
}

TEST_F(SpeechRuntimeTest, WithoutTheRuntimeTheDialogSaysSoAndStillEdits) {
  testing::ScopedEnv no_system("PARLOTTO_SYSTEM_DIR", dir_.path().c_str());
  Hive(testing::EveryValueHive());
  SpeechRuntime runtime;
  EXPECT_FALSE(runtime.Available());
  EXPECT_TRUE(runtime.Voices().empty());
  SettingsDialog dialog(ReadStoredSettings(), &runtime);
  EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("runtimeHint"))->isHidden());
  // The stored voice number stays visible and untouched.
  const auto* plain = dialog.findChild<QComboBox*>(QStringLiteral("plainVoice"));
  EXPECT_EQ(plain->currentData().toInt(), 1);
  dialog.findChild<QPushButton*>(QStringLiteral("sample"))->click();
  EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("sampleStatus"))->text().isEmpty());
  EXPECT_TRUE(dialog.Changes().empty());
}

}  // namespace
}  // namespace parlotto::vsettings
