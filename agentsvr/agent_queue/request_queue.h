// The requests of one character, run one after the other: Show, Hide, Play
// and Speak act on its Stage and Speaker in the order they came, each
// under its own request id.
//
// Idle rule: the queue reports busy (on_idle(false)) when a request arrives
// at an idle queue, and idle (on_idle(true)) only once it has stayed empty
// for kIdleSettleMs after its last request ended. A client that plays an
// animation and then speaks sends two calls; the settle time covers the gap
// between them, so idle always means "everything queued is over" and never
// falls between a Play and the Speak behind it.
#pragma once

#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "agentsvr/agent_queue/speaker.h"
#include "agentsvr/agent_queue/stage.h"

namespace parlotto::agent {

enum class RequestKind { kShow, kHide, kPlay, kSpeak };

// How a request ended, in the numbers the notification sink receives.
enum class RequestStatus : LONG { kSuccess = 0, kFailed = 1, kInterrupted = 3 };

// The kinds that StopAll takes, as bits; -1 is all of them.
enum : LONG {
  kStopPlay = 0x1,     // Play
  kStopSpeak = 0x4,    // Speak
  kStopVisible = 0x20  // Show and Hide
};

struct QueueTiming {
  // How long the queue stays empty before it reports idle. Real time, not
  // scaled: it covers the round trip of a client's next call.
  int idle_settle_ms = 250;
  // A speech that never reports its end is ended after the base time plus
  // this much per character: far longer than the slowest voice needs.
  int speech_base_timeout_ms = 10000;
  int speech_ms_per_char = 150;
};

class RequestQueue {
 public:
  // `next_id` hands out request ids; it is shared by the characters of a
  // server, so that ids are unique and growing. Stage and speaker must
  // outlive the queue.
  RequestQueue(Stage* stage, Speaker* speaker, std::function<LONG()> next_id,
               QueueTiming timing = {});
  ~RequestQueue();
  RequestQueue(const RequestQueue&) = delete;
  RequestQueue& operator=(const RequestQueue&) = delete;

  // Each queues a request and returns its id.
  LONG Show(bool fast);
  LONG Hide(bool fast);
  LONG Play(const QString& animation);
  LONG Speak(const QString& text);

  // The user hid the figure: what runs and what waits ends now, the figure
  // goes, and it stays hidden and silent while the client reads on. Show,
  // Play and Speak end at once, unheard and unseen (kInterrupted), until
  // the client's own Hide, which ends every reading, starts.
  LONG HideForUser();
  bool HeldBack() const { return held_back_; }

  // Takes the request `id` out; the running one is cut short. False for an
  // id that is neither queued nor running.
  bool Stop(LONG id);
  // Takes out every request of the kinds in `types` (kStop* bits); a
  // running speech falls silent at once.
  void StopAll(LONG types);

  bool Idle() const { return idle_; }
  bool Empty() const { return !current_ && pending_.empty(); }

  std::function<void(bool idle)> on_idle;
  std::function<void(LONG id)> on_request_start;
  std::function<void(LONG id, RequestStatus status)> on_request_complete;
  // A Show or Hide has ended; the stage tells whether the figure is up.
  std::function<void(bool visible)> on_visible_changed;

 private:
  struct Request {
    LONG id = 0;
    RequestKind kind = RequestKind::kShow;
    bool fast = false;
    QString text;  // the animation or the text to speak
    bool by_user = false;
  };

  LONG Add(Request request);
  void StartNext();
  // Starts `current_`; false when it ended at once.
  bool StartCurrent();
  bool StartSpeech();
  void Finish(LONG id, RequestStatus status);
  void CutShort();
  void EndSpeech(LONG id, RequestStatus status);
  std::function<void()> DoneOf(LONG id);
  void OnSpeechEnded();
  void OnWord(int start, int length);
  void OnSpeechTimeout();
  void OnSettled();
  static bool Matches(RequestKind kind, LONG types);

  Stage* stage_;
  Speaker* speaker_;
  std::function<LONG()> next_id_;
  QueueTiming timing_;
  std::deque<Request> pending_;
  std::optional<Request> current_;
  bool starting_ = false;
  bool idle_ = true;
  bool held_back_ = false;
  // A held-back speech, the last call of a client's piece, ended: idle
  // needs no settling then, so a reading runs through its unheard rest fast.
  bool settle_now_ = false;
  // Positions in the spoken text of each unit of what the balloon shows.
  std::vector<qsizetype> shown_origin_;
  QTimer settle_;
  QTimer speech_timeout_;
  // Stage callbacks that come after the queue has gone do nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace parlotto::agent
