// Speaking through the character, and stopping it at the end of a reading.
#include <QDBusConnection>

#include "parlotto/debug_log.h"
#include "parlotto/speech/agent_notify_sink.h"
#include "parlotto/speech/speech_control_host.h"
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/loop/clock.h"
#include "platform/loop/message_wait.h"

namespace parlotto {
namespace {

// A server that hangs keeps its place on the bus and sends no idle: the
// wait asks it this often whether it still answers, and gives it this long.
constexpr int kServerCheckIntervalMs = 3000;
constexpr int kServerAnswerTimeoutMs = 5000;

}  // namespace

void TVocatoForm::SpeakWithCharacter(const std::string& piece) {
  if (stop_flag) return;
  const std::string text = pitch_tag + speed_tag + volume_tag + " " + piece;
  // Without a character (its server went away, now or since the last
  // piece) it is loaded anew, in a new server.
  if (character_loaded && character && !CoIsHandlerConnected(character.Get())) {
    ForgetLostCharacter();
  }
  if (!character_loaded || !character) {
    character_loaded = LoadCharacter();
  } else {
    LONG visible = 0;
    character->GetVisible(&visible);
    if (!visible) character->Show(0, &current_request_id);
  }
  if (!character_loaded || !character) {
    ++pieces_lost_;
    return;
  }
  character->Play(QStringLiteral("ReadContinued"), &current_request_id);
  // No fixed conversion buffer: a long line is spoken whole.
  const QString utterance = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  speech_finished = false;
  const HRESULT spoken = character->Speak(utterance, QString(), &current_request_id);
  if (FAILED(spoken)) {
    // Never silently: a refused piece is logged and the reading knows.
    if (!CoIsHandlerConnected(character.Get())) {
      ForgetLostCharacter();
    } else {
      WriteDebugLog("Agent server refused a piece: " + DescribeHResult(spoken));
    }
    ++pieces_lost_;
    speech_finished = true;
    return;
  }
  std::int64_t next_check = FirstServerCheck();
  while (!speech_finished) {
    if (stop_flag) return;
    WaitForMessages(50);
    // Quitting ends the waits early; that is no sign of a hang.
    if (stop_flag || speech_finished) return;
    // A nested reading (from a message handled meanwhile) lost it already.
    if (!character) {
      ++pieces_lost_;
      speech_finished = true;
      return;
    }
    // A server that is gone or hangs sends no idle notification any more:
    // the piece is lost, and the next one starts a new server.
    if (CharacterServerLost(next_check)) {
      ForgetLostCharacter();
      ++pieces_lost_;
      speech_finished = true;
      return;
    }
  }
}

bool TVocatoForm::CharacterServerLost(std::int64_t& next_check) {
  if (!CoIsHandlerConnected(character.Get())) return true;
  if (MonotonicMs() < next_check) return false;
  next_check = MonotonicMs() + ScaledMs(kServerCheckIntervalMs);
  // One that does not answer in time counts as gone from then on.
  return PingObject(character.Get(), kServerAnswerTimeoutMs) == RPC_E_DISCONNECTED;
}

std::int64_t TVocatoForm::FirstServerCheck() {
  return MonotonicMs() + ScaledMs(kServerCheckIntervalMs);
}

void TVocatoForm::ForgetLostCharacter() {
  // Without the bus every server is lost at once: the log says which.
  WriteDebugLog(ComConnection().isConnected() ? "Agent server lost"
                                              : "Agent server lost: the session bus is gone");
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
