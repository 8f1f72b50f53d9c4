// Speaking through the character, and stopping it at the end of a reading.
#include "app/vocato_form.h"
#include "platform/message_wait.h"
#include "speech/speech_control_host.h"

namespace parlotto {
void TVocatoForm::SpeakWithCharacter(const std::string& piece) {
  if (stop_flag) return;
  const std::string text = pitch_tag + speed_tag + volume_tag + " " + piece;
  if (!character_loaded) {
    character_loaded = LoadCharacter();
  } else {
    LONG visible = 0;
    character->GetVisible(&visible);
    if (!visible) character->Show(0, &current_request_id);
  }
  if (!character_loaded || !character) return;
  character->Play(QStringLiteral("ReadContinued"), &current_request_id);
  // No fixed conversion buffer: a long line is spoken whole.
  const QString utterance = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  speech_finished = false;
  character->Speak(utterance, QString(), &current_request_id);
  while (!speech_finished) {
    if (stop_flag) return;
    WaitForMessages(50);
  }
}

void TVocatoForm::SilenceSpeech() {
  if (character) character->StopAll(kAllRequestTypes);
  if (DirectSS1) DirectSS1->AudioReset();
}

void TVocatoForm::StopAndHideCharacter() {
  if (!character) return;
  character->Stop(current_request_id);
  character->Hide(0, &current_request_id);
}

}  // namespace parlotto
