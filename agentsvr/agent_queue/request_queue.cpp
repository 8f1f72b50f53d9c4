#include "agentsvr/agent_queue/request_queue.h"

#include <algorithm>
#include <string>
#include <utility>

#include "agentsvr/agent_queue/shown_text.h"
#include "platform/places/diagnostics.h"

namespace parlotto::agent {

RequestQueue::RequestQueue(Stage* stage, Speaker* speaker, std::function<LONG()> next_id,
                           QueueTiming timing)
    : stage_(stage), speaker_(speaker), next_id_(std::move(next_id)), timing_(timing) {
  settle_.setSingleShot(true);
  QObject::connect(&settle_, &QTimer::timeout, [this] { OnSettled(); });
  speech_timeout_.setSingleShot(true);
  QObject::connect(&speech_timeout_, &QTimer::timeout, [this] { OnSpeechTimeout(); });
  speaker_->on_end = [this] { OnSpeechEnded(); };
  speaker_->on_word = [this](int start, int length) { OnWord(start, length); };
  speaker_->on_mouth = [this](MouthShape shape) {
    if (current_ && current_->kind == RequestKind::kSpeak) stage_->SpeakingMouth(shape);
  };
}

RequestQueue::~RequestQueue() {
  speaker_->on_end = nullptr;
  speaker_->on_word = nullptr;
  speaker_->on_mouth = nullptr;
}

LONG RequestQueue::Show(bool fast) { return Add({0, RequestKind::kShow, fast, QString()}); }
LONG RequestQueue::Hide(bool fast) { return Add({0, RequestKind::kHide, fast, QString()}); }
LONG RequestQueue::Play(const QString& animation) {
  return Add({0, RequestKind::kPlay, false, animation});
}
LONG RequestQueue::Speak(const QString& text) { return Add({0, RequestKind::kSpeak, false, text}); }

LONG RequestQueue::HideForUser() {
  StopAll(kStopPlay | kStopSpeak | kStopVisible);
  held_back_ = true;
  return Add({0, RequestKind::kHide, false, QString(), true});
}

LONG RequestQueue::Add(Request request) {
  request.id = next_id_();
  const LONG id = request.id;
  settle_.stop();
  if (idle_) {
    idle_ = false;
    if (on_idle) on_idle(false);
  }
  pending_.push_back(std::move(request));
  StartNext();
  return id;
}

void RequestQueue::StartNext() {
  // A request that ends at once finishes inside this loop; its Finish must
  // not start the next one a level deeper.
  if (starting_) return;
  starting_ = true;
  while (!current_ && !pending_.empty()) {
    current_ = std::move(pending_.front());
    pending_.pop_front();
    if (on_request_start) on_request_start(current_->id);
    StartCurrent();
  }
  starting_ = false;
  const bool now = std::exchange(settle_now_, false);
  if (Empty() && !idle_) settle_.start(now ? 0 : timing_.idle_settle_ms);
}

std::function<void()> RequestQueue::DoneOf(LONG id) {
  std::weak_ptr<int> alive = alive_;
  return [this, alive, id] {
    if (alive.expired()) return;
    // Cut short, the request was finished already; Finish ignores it then.
    if (!current_ || current_->id != id) return;
    const bool was_show_or_hide =
        current_->kind == RequestKind::kShow || current_->kind == RequestKind::kHide;
    Finish(id, RequestStatus::kSuccess);
    if (was_show_or_hide && on_visible_changed) on_visible_changed(stage_->Visible());
  };
}

bool RequestQueue::StartCurrent() {
  const Request& request = *current_;
  if (request.kind == RequestKind::kHide && !request.by_user) held_back_ = false;
  if (held_back_ && request.kind != RequestKind::kHide) {
    settle_now_ = request.kind == RequestKind::kSpeak;
    Finish(request.id, RequestStatus::kInterrupted);
    return false;
  }
  switch (request.kind) {
    case RequestKind::kShow:
      stage_->Show(request.fast, DoneOf(request.id));
      return true;
    case RequestKind::kHide:
      stage_->Hide(request.fast, DoneOf(request.id));
      return true;
    case RequestKind::kPlay:
      if (stage_->Play(request.text, DoneOf(request.id))) return true;
      // An animation the character does not have ends at once, in its turn.
      Finish(request.id, RequestStatus::kFailed);
      return false;
    case RequestKind::kSpeak:
      return StartSpeech();
  }
  return false;
}

bool RequestQueue::StartSpeech() {
  const LONG id = current_->id;
  const QString& text = current_->text;
  ShownText shown = ShownTextOf(text);
  shown_origin_ = std::move(shown.origin);
  stage_->SpeechStarted(shown.text);
  if (!speaker_->Speak(text)) {
    ReportDiagnostic("character server: speech of request " + std::to_string(id) +
                     " could not start");
    EndSpeech(id, RequestStatus::kFailed);
    return false;
  }
  const qint64 limit = timing_.speech_base_timeout_ms +
                       static_cast<qint64>(timing_.speech_ms_per_char) * text.size();
  speech_timeout_.start(static_cast<int>(std::min<qint64>(limit, INT32_MAX)));
  return true;
}

void RequestQueue::EndSpeech(LONG id, RequestStatus status) {
  speech_timeout_.stop();
  shown_origin_.clear();
  stage_->SpeechEnded();
  Finish(id, status);
}

void RequestQueue::Finish(LONG id, RequestStatus status) {
  if (!current_ || current_->id != id) return;
  current_.reset();
  if (on_request_complete) on_request_complete(id, status);
  StartNext();
}

void RequestQueue::OnSpeechEnded() {
  if (!current_ || current_->kind != RequestKind::kSpeak) return;  // a silenced one
  EndSpeech(current_->id, RequestStatus::kSuccess);
}

void RequestQueue::OnSpeechTimeout() {
  if (!current_ || current_->kind != RequestKind::kSpeak) return;
  ReportDiagnostic("character server: speech of request " + std::to_string(current_->id) +
                   " reported no end in time; it is ended");
  speaker_->Silence();
  EndSpeech(current_->id, RequestStatus::kFailed);
}

void RequestQueue::OnWord(int start, int length) {
  if (!current_ || current_->kind != RequestKind::kSpeak || start < 0 || length < 0) return;
  // Tags and spacing are not shown: the word's units are those of the shown
  // text that came from [start, start + length).
  auto first = std::lower_bound(shown_origin_.begin(), shown_origin_.end(), start);
  auto last = std::lower_bound(first, shown_origin_.end(), static_cast<qsizetype>(start) + length);
  if (first == last) return;
  stage_->SpeakingWord(static_cast<int>(first - shown_origin_.begin()),
                       static_cast<int>(last - first));
}

void RequestQueue::OnSettled() {
  if (!Empty() || idle_) return;
  idle_ = true;
  if (on_idle) on_idle(true);
}

void RequestQueue::CutShort() {
  const LONG id = current_->id;
  if (current_->kind == RequestKind::kSpeak) {
    speaker_->Silence();
    EndSpeech(id, RequestStatus::kInterrupted);
    return;
  }
  // The stage's done comes later and finds the request over.
  stage_->StopAnimation();
  Finish(id, RequestStatus::kInterrupted);
}

bool RequestQueue::Stop(LONG id) {
  if (current_ && current_->id == id) {
    CutShort();
    return true;
  }
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [id](const Request& request) { return request.id == id; });
  if (it == pending_.end()) return false;
  pending_.erase(it);
  if (on_request_complete) on_request_complete(id, RequestStatus::kInterrupted);
  return true;
}

bool RequestQueue::Matches(RequestKind kind, LONG types) {
  switch (kind) {
    case RequestKind::kShow:
    case RequestKind::kHide:
      return (types & kStopVisible) != 0;
    case RequestKind::kPlay:
      return (types & kStopPlay) != 0;
    case RequestKind::kSpeak:
      return (types & kStopSpeak) != 0;
  }
  return false;
}

void RequestQueue::StopAll(LONG types) {
  std::vector<LONG> removed;
  std::deque<Request> kept;
  for (Request& request : pending_) {
    if (Matches(request.kind, types)) {
      removed.push_back(request.id);
    } else {
      kept.push_back(std::move(request));
    }
  }
  // The current one last: cutting it short starts the next that was kept.
  pending_.swap(kept);
  for (LONG id : removed) {
    if (on_request_complete) on_request_complete(id, RequestStatus::kInterrupted);
  }
  if (current_ && Matches(current_->kind, types)) CutShort();
}

}  // namespace parlotto::agent
