// The read routine: every text reaches the speech output through ReadText,
// which cuts a long text into pieces at line and sentence ends and waits for
// each piece to be spoken.
#include "parlotto/debug_log.h"
#include "parlotto/speech/replace_text.h"
#include "parlotto/speech/text_pieces.h"
#include "parlotto/vocato_form.h"
#include "platform/loop/message_wait.h"

namespace parlotto {
namespace {

constexpr std::size_t kOnePieceLimit = 600;
constexpr std::size_t kPieceLimit = 500;

}  // namespace

void TVocatoForm::ReadText() {
  if (stop_flag) return;
  if (no_agent) {
    direct_speech_loaded = LoadDirectSpeech();
  } else {
    character_loaded = LoadCharacter();
  }
  if (no_agent && !direct_speech_loaded) {
    WriteDebugLog("DSSWasNotLoaded");
    text_to_read.clear();
    return;
  }
  if (!no_agent && !character_loaded) {
    WriteDebugLog("AgantWasNotLoaded");
    text_to_read.clear();
    return;
  }
  ReplaceText(text_to_read, "|", " ", true);
  if (text_to_read.empty()) return;

  if (CharacterCount(text_to_read) <= kOnePieceLimit) {
    SpeakPiece(text_to_read);
  } else {
    // The lines are held here: a reading nested in this one (from a message
    // processed while a piece is spoken) uses and empties the text to read.
    const std::vector<std::string> lines = SplitLines(text_to_read);
    text_to_read.clear();
    for (const std::string& line : lines) {
      text_to_read += line;
      text_to_read += ' ';
      if (CharacterCount(text_to_read) > kPieceLimit) {
        SpeakPiece(text_to_read);
        text_to_read.clear();
      }
      // Only the first sentence end of each kind counts, and not one within
      // the first three characters ("Ja. Nein").
      for (const char* sentence_end : {". ", "! ", "? "}) {
        if (FirstCharacterPosition(text_to_read, sentence_end) > 3) {
          SpeakPiece(text_to_read);
          text_to_read.clear();
        }
      }
    }
    if (!text_to_read.empty()) SpeakPiece(text_to_read);
  }

  if (stop_flag) return;
  ProcessMessages();
  text_to_read.clear();
  while (!speech_finished) {
    if (stop_flag) return;
    WaitForMessages(500);
  }
  if (run_mode == rmAutomation) EndTimerTimer();
}

void TVocatoForm::SpeakPiece(const std::string& piece) {
  // A copy: the piece must survive a nested reading that empties the text.
  std::string text = piece;  // NOLINT(performance-unnecessary-copy-initialization)
  if (character_loaded) {
    SpeakWithCharacter(text);
  } else if (direct_speech_loaded) {
    SpeakDirect(text);
  }
}

}  // namespace parlotto
