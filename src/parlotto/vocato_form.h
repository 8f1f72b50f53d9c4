// The program's main window. It is never shown: it holds the state that the
// sources, the speech output and the menus share, owns the timers that start
// and end a reading, and is the target of the program's window messages.
#pragma once

#include <QWidget>

class QAction;
class QMenu;
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contracts/agent/agent_interfaces.h"
#include "parlotto/run_mode.h"
#include "platform/loop/application_events.h"
#include "platform/loop/timer.h"
#include "platform/loop/window_messages.h"

namespace parlotto {

class AgentNotifySink;
class TDirectSS;
enum class MissingComponent;
enum class OperandField;
struct Switch;
namespace testing {
class VocatoFormPeer;
}

class TVocatoForm : public QWidget, public MessageWindow {
 public:
  // `args` are the command-line arguments after the program name.
  explicit TVocatoForm(const std::vector<std::string>& args);
  ~TVocatoForm() override;

  // Set when start-up already decided that the program ends (a missing start
  // file): the message loop must not run.
  bool Terminated() const { return terminated_; }

  // Creation handler; runs once the constructor has finished.
  void FormCreate();
  // Closes the main window: close query, close handler, end of the loop.
  // The loop ends even when the close query or the close handler throws;
  // the exception goes on to the caller afterwards.
  void Close();
  bool Closed() const { return closed_; }
  // A termination signal: the reading ends and the speech is silent at
  // once, and the message loop ends as soon as every reading has returned
  // to it. The caller of the loop then closes the window, which is never
  // closed from inside a reading's wait.
  void EndAtOnce();

  void StartTimer();
  void EndTimerTimer();
  // A caller's text waits in the text to read: read it now.
  void CheckForFullBufferToReadTimer();
  void FormClose();
  // The close query; the close is always permitted.
  bool FormCloseQuery();
  void ApplicationEvents1Exception(const std::string& message);
  void ApplicationEvents1Message(Msg& msg, bool& handled);
  void ApplicationEvents1Idle(bool& done);

  // The notification-area icon: action NIM_ADD, NIM_MODIFY or NIM_DELETE.
  bool NotifyTrayIcon(UINT action);
  void OpenTrayMenu();

  // For automation callers. A caller's text waits in the text to read until
  // a reading takes it; offered, it is read at the next round of the loop,
  // after the caller's call has returned.
  const std::string& TextToRead() const { return text_to_read; }
  void OfferText(const std::string& text);
  // False when the text was not read whole (see ReadText).
  bool ReadTextNow(const std::string& text);
  // Drops the waiting text and ends the program soon, automation mode or not.
  void StopReading();
  // Whether a reading is under way.
  bool Reading() const { return reading_depth_ > 0; }
  // A caller's text that waits until the readings before it have ended, and
  // is then read; `done` hears whether it was read whole.
  void QueueText(const std::string& text, std::function<void(bool read)> done);

  // For the reading service. Whether the program serves its callers (and
  // is not ending); the service's run mode only.
  bool Serving() const { return run_mode == rmService; }
  // Reads what the switch `entry` with `operand` would read from the
  // command line, while the program goes on serving; true when it was read
  // whole. False at once when the program no longer serves.
  bool ReadRequest(const Switch& entry, const std::string& operand);
  // The reading under way (and every one it is nested in) returns soon and
  // its speech stops; unlike a quit, the program goes on.
  void InterruptReading();

  // Menu commands, from the tray menu or the character's menu.
  void Info1Click();
  void Hilfe1Click();
  void Einstellungen1Click();
  void BeendenClick();
  void QuitWithCharacter();
  // The common end of both quits: the end soon, the stop flag set and the
  // speech control silent.
  void EndSoon();

  // The sources, one per run mode. The clipboard source is false when it
  // returned at once because it was still reading.
  bool ReadClipboard();
  void ReadTextFile(const std::string& file_name);
  void ReadBrowserWindow();
  void ReadWebPage(const std::string& address);
  void ReadWordDocument();
  void ReadPdfDocument();
  // The page a browser has loaded, or each of its frames, read aloud; the
  // caller holds `browser` until this returns and lets go of it then.
  void ReadDocumentText(IDispatch* browser);

  // The speech output. ReadText is false when the text did not reach it
  // whole: no output could be loaded, a piece was lost with its server, or
  // the reading was stopped.
  bool ReadText();
  void SpeakPiece(const std::string& piece);
  void SpeakWithCharacter(const std::string& piece);
  void SpeakDirect(const std::string& piece);
  bool LoadCharacter();
  // Steps of loading the character.
  void ConfigureCharacterVoice();
  bool PlaceCharacter(QRect screen, QRect work_area, LONG left, LONG top);
  void AddCharacterCommands();
  // The server went away: let go of everything of it without calling it;
  // the next piece loads the character again.
  void ForgetLostCharacter();
  // Whether the character's server went away or stopped answering; asks it
  // at `next_check` (then moved on) whether it still answers.
  bool CharacterServerLost(std::int64_t& next_check);
  static std::int64_t FirstServerCheck();
  // Builds the pitch, speed and volume tags from the settings.
  void BuildSpeechTags();
  void StopAndHideCharacter();
  // Stops the character's requests and the speech control's texts now.
  void SilenceSpeech();
  void UnloadCharacter();
  bool LoadDirectSpeech();
  void DestroyDirectSpeech();
  // Prerequisites of the speech output. A missing one says so and ends the
  // program; the caller still goes on with its steps.
  void RequireComponent(bool present, MissingComponent component);
  bool HasAgentServer();
  bool HasCharacters();
  bool HasSpeechRuntime();
  bool HasSpeechEngine();

  // Windows of the user interface.
  void CreateInfoWindow();
  void ShowInfoWindow();
  void ShowWaitDialog();
  void CloseWaitDialog();

 protected:
  void WndProc(Msg& msg) override;

 private:
  // Tests set up and watch the state through their peer.
  friend class testing::VocatoFormPeer;

  // The one way to the program's end: the end timer hides the character,
  // waits for it and closes the window unless the automation mode keeps the
  // program for its callers. `soon` leaves that mode and fires after 100 ms.
  void ScheduleEnd(bool soon);
  void CreatePopupMenu();
  void ApplyCommandLine(const std::vector<std::string>& args);
  // Starts the source of the run mode; false when the mode has none.
  bool RunSource(TRunMode mode);
  void SetOperand(OperandField field, const std::string& operand);
  // None of the timers fires any more.
  void StopTimers();
  // A reading's last pass of the loop, after which its text is done with;
  // a text that a caller offered during the pass stays for its own reading.
  void ProcessMessagesThenDropText();
  bool ReadTextInPieces();

  // Shared state.
  TRunMode run_mode = rmBrowserWindow;
  std::string text_file_name;
  std::string word_document_name;
  std::string pdf_document_name;
  std::string web_address;
  std::string text_to_read;
  bool stop_flag = false;
  bool speech_finished = false;
  bool no_agent = false;
  bool is_english = false;

  // Speech state that the character and the speech control keep here.
  bool character_loaded = false;
  bool direct_speech_loaded = false;
  ComPtr<IAgentEx> agent_server;
  ComPtr<IAgentCharacterEx> character;
  ComPtr<IAgentCommands> commands;
  // Absent until loading creates it; a load that fails after creating it
  // leaves it here until the next load or the window's end.
  ComPtr<AgentNotifySink> sink;
  LONG sink_id = -1;
  LONG character_id = 0;
  LONG current_request_id = 0;
  // Speech parameters put in front of every piece the character speaks.
  std::string pitch_tag;
  std::string speed_tag;
  std::string volume_tag;
  // The speech control of the direct mode; absent until loaded.
  std::unique_ptr<TDirectSS> DirectSS1;

  // Components.
  ApplicationEvents ApplicationEvents1;
  Timer Start{1000, true};
  Timer EndTimer{2000, false};
  Timer CheckForFullBufferToRead{50, false};
  QMenu* PopupMenu1 = nullptr;
  QAction* Info1 = nullptr;
  QAction* Hilfe1 = nullptr;
  QAction* Einstellungen1 = nullptr;
  QAction* Beenden = nullptr;

  // Reads the first queued text once no reading is under way any more.
  void ReadNextQueuedText();
  // Tells every queued text's caller that it will not be read.
  void DropQueuedTexts();

  int reading_depth_ = 0;
  std::deque<std::pair<std::string, std::function<void(bool)>>> queued_texts_;
  // Counts the callers' texts, so that a reading tells a new one from its own.
  std::uint64_t texts_offered_ = 0;
  // Pieces that never reached a speech output, so that a reading knows.
  int pieces_lost_ = 0;
  // Readings that reached the speech output whole, and those that did not:
  // a source's result, whatever it read.
  int texts_read_whole_ = 0;
  int texts_not_read_whole_ = 0;
  bool terminated_ = false;
  bool closed_ = false;
  bool ending_at_once_ = false;
};

// The one main window, while it exists.
extern TVocatoForm* VocatoForm;

// Process-wide: true until the close handler has run once.
extern bool g_first_close;

}  // namespace parlotto
