// Speaking through the character, and stopping it at the end of a reading.
#include "app/debug_log.h"
#include "app/vocato_form.h"
#include "platform/com/remote_object.h"
#include "platform/message_wait.h"
#include "speech/agent_notify_sink.h"
#include "speech/speech_control_host.h"

namespace parlotto {
void TVocatoForm::SpeakWithCharacter(const std::string& piece) {
  if (stop_flag) return;
  const std::string text = pitch_tag + speed_tag + volume_tag + " " + piece;
  // Without a character (its server went away) it is loaded anew.
  if (!character_loaded || !character) {
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
    // A server that is gone sends no idle notification any more: the piece
    // is lost, and the next one starts a new server.
    if (!speech_finished && !CoIsHandlerConnected(character.Get())) {
      ForgetLostCharacter();
      speech_finished = true;
      return;
    }
  }
}

void TVocatoForm::ForgetLostCharacter() {
  WriteDebugLog("Agent server lost");
  commands.Reset();
  sink.Reset();
  sink_id = -1;
  character.Reset();
  agent_server.Reset();
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
