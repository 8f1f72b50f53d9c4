// The direct mode: speaking through the speech control, without a character.
#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <thread>

#include "parlotto/speech/speech_control_host.h"
#include "parlotto/ui/error_dialogs.h"
#include "parlotto/vocato_form.h"
#include "platform/loop/clock.h"
#include "platform/loop/message_wait.h"
#include "platform/places/places.h"
#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"

namespace parlotto {
namespace {

// How long the close waits for the end events of reset texts; they come
// within milliseconds from the runtime's own threads, so real time.
constexpr std::int64_t kAudioStopWaitMs = 500;

}  // namespace

bool TVocatoForm::HasSpeechRuntime() {
  std::error_code ec;
  return std::filesystem::exists(SystemDir() + "speech/xvoice.so", ec);
}

bool TVocatoForm::HasSpeechEngine() {
  TDirectSS control;
  return control.CountEngines() > 0;
}

void TVocatoForm::RequireComponent(bool present, MissingComponent component) {
  if (present) return;
  ShowMissingComponentDialog(component);
  Close();
}

bool TVocatoForm::LoadDirectSpeech() {
  RequireComponent(HasSpeechRuntime(), MissingComponent::kSpeechRuntime);
  RequireComponent(HasSpeechEngine(), MissingComponent::kSpeechEngine);
  if (direct_speech_loaded) return true;

  DirectSS1 = std::make_unique<TDirectSS>();
  DirectSS1->SetInitialized(1);
  DirectSS1->OnAudioStop = [this] { speech_finished = true; };

  Registry registry(RootKey::kCurrentUser);
  if (registry.OpenKey(kSettingsKey, false)) {
    // In this order; the first value that cannot be read ends the step and
    // leaves the rest at the control's own values.
    try {
      DirectSS1->SetCurrentMode(registry.ReadInteger(kCurrentModeValue));
      DirectSS1->SetSpeed(registry.ReadInteger(kSpeedValue));
      DirectSS1->SetVolumeLeft(registry.ReadInteger(kVolumeLValue));
      DirectSS1->SetVolumeRight(registry.ReadInteger(kVolumeRValue));
      DirectSS1->SetPitch(registry.ReadInteger(kPitchValue));
    } catch (const ERegistryException&) {
    }
    registry.CloseKey();
  }
  return true;
}

void TVocatoForm::SpeakDirect(const std::string& piece) {
  if (stop_flag) return;
  speech_finished = false;
  if (!direct_speech_loaded) LoadDirectSpeech();
  if (!DirectSS1) return;
  DirectSS1->Speak(QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())));
  // The wait wakes at the end event itself; 50 ms is only the longest time
  // between two looks at the stop flag.
  while (!speech_finished) {
    if (stop_flag) return;
    WaitForMessages(50);
  }
}

void TVocatoForm::DestroyDirectSpeech() {
  if (DirectSS1 && DirectSS1->Speaking()) {
    // Released as it is, the control would drop its texts without their end
    // events; reset, every text it began is closed and the silence is at once.
    DirectSS1->AudioReset();
    const std::int64_t deadline = MonotonicMs() + kAudioStopWaitMs;
    while (DirectSS1->Speaking() && MonotonicMs() < deadline) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  DirectSS1.reset();
}

}  // namespace parlotto
