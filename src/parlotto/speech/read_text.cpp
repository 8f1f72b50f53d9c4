// The read routine: every text reaches the speech output through ReadText,
// which cuts a long text into pieces at line and sentence ends and waits for
// each piece to be spoken.
#include <QTimer>

#include "parlotto/debug_log.h"
#include "parlotto/speech/character_display.h"
#include "parlotto/speech/replace_text.h"
#include "parlotto/speech/text_pieces.h"
#include "parlotto/vocato_form.h"
#include "platform/loop/message_wait.h"

namespace parlotto {
namespace {

constexpr std::size_t kOnePieceLimit = 600;
constexpr std::size_t kPieceLimit = 500;
// A line without an end in sight (a file of one line) is cut into parts of
// this size: the character server refuses huge texts, and its balloon would
// lay one out for a long time.
constexpr std::size_t kLinePartLimit = 2000;

}  // namespace

bool TVocatoForm::ReadText() {
  const bool whole = ReadTextInPieces();
  ++(whole ? texts_read_whole_ : texts_not_read_whole_);
  return whole;
}

bool TVocatoForm::ReadTextInPieces() {
  // Texts queued meanwhile are read from the loop once this reading, and
  // any it is nested in, has ended.
  struct ReadingScope {
    TVocatoForm& form;
    explicit ReadingScope(TVocatoForm& f) : form(f) { ++form.reading_depth_; }
    ~ReadingScope() {
      if (--form.reading_depth_ > 0 || form.queued_texts_.empty()) return;
      QTimer::singleShot(0, &form, [form = &form] { form->ReadNextQueuedText(); });
    }
    ReadingScope(const ReadingScope&) = delete;
    ReadingScope& operator=(const ReadingScope&) = delete;
  } scope(*this);
  if (stop_flag) return false;
  if (!no_agent && CharacterCannotBeShown()) {
    // A user must hear the text: read without the character from now on,
    // which also makes this said once.
    WriteDebugLog("NoXWayland: the character cannot be shown, reading without it");
    no_agent = true;
  }
  if (no_agent) {
    direct_speech_loaded = LoadDirectSpeech();
  } else {
    character_loaded = LoadCharacter();
  }
  if (no_agent && !direct_speech_loaded) {
    WriteDebugLog("DSSWasNotLoaded");
    text_to_read.clear();
    return false;
  }
  if (!no_agent && !character_loaded) {
    WriteDebugLog("AgantWasNotLoaded");
    text_to_read.clear();
    return false;
  }
  ReplaceText(text_to_read, "|", " ", true);
  if (text_to_read.empty()) return true;
  const int lost_before = pieces_lost_;

  if (CharacterCount(text_to_read) <= kOnePieceLimit) {
    SpeakPiece(text_to_read);
  } else {
    // The lines are held here: a reading nested in this one (from a message
    // processed while a piece is spoken) uses and empties the text to read.
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(text_to_read)) {
      if (CharacterCount(line) <= kLinePartLimit) {
        lines.push_back(line);
      } else {
        for (std::string& part : SplitLongLine(line, kLinePartLimit))
          lines.push_back(std::move(part));
      }
    }
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

  if (stop_flag) return false;
  ProcessMessagesThenDropText();
  std::int64_t next_check = FirstServerCheck();
  while (!speech_finished) {
    if (stop_flag) return false;
    WaitForMessages(500);
    // The character's idle never comes from a server that is gone.
    if (!speech_finished && character_loaded && character && CharacterServerLost(next_check)) {
      ForgetLostCharacter();
      ++pieces_lost_;
      break;
    }
  }
  const bool read = pieces_lost_ == lost_before;
  if (run_mode == rmAutomation) EndTimerTimer();
  return read;
}

void TVocatoForm::ProcessMessagesThenDropText() {
  const std::uint64_t offered = texts_offered_;
  ProcessMessages();
  if (texts_offered_ == offered) text_to_read.clear();
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
