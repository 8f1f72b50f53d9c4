#include "xvoice/xvoice_synthesis/synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <cstring>
#include <string_view>

#include "xvoice/xvoice_audio/main_thread_log.h"
#include "xvoice/xvoice_synthesis/voice_catalog.h"

namespace parlotto::xvoice {
namespace {

// What the callback works on during one espeak_Synth call. espeak-ng
// calls back on the synthesising thread, and only one thread synthesises.
struct SynthesisRun {
  SynthesisJob* job = nullptr;
  PcmStream* stream = nullptr;
  Balance balance;
  std::int64_t frames = 0;  // handed on so far
};
SynthesisRun* g_run = nullptr;

// The events come with the samples they fall in; they go to the track
// before the samples, so that the audio never plays ahead of them.
void CollectLipSync(LipSyncCollector& lips, const espeak_EVENT* events) {
  for (const espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED;
       ++e) {
    if (e->type == espeakEVENT_WORD) {
      lips.OnWord(e->sample, e->text_position);
    } else if (e->type == espeakEVENT_PHONEME) {
      // Zero-terminated unless the name fills all eight bytes.
      lips.OnPhoneme(e->sample, std::string_view(e->id.string, strnlen(e->id.string, 8)));
    }
  }
}

int OnSamples(short* samples, int count, espeak_EVENT* events) {
  if (g_run == nullptr) return 1;
  if (g_run->job->lips) CollectLipSync(*g_run->job->lips, events);
  if (samples == nullptr || count <= 0) return 0;
  g_run->frames += count;
  // Made in the buffer that the stream keeps: no copy on the way.
  QByteArray stereo(static_cast<qsizetype>(count) * kBytesPerFrame, Qt::Uninitialized);
  ToStereo(samples, static_cast<std::size_t>(count), g_run->balance,
           reinterpret_cast<std::int16_t*>(stereo.data()));
  bool more = g_run->stream->Append(std::move(stereo));
  SynthesisJob& job = *g_run->job;
  if (more && job.on_audio && g_run->stream->available() >= job.wake_bytes) job.on_audio();
  return more ? 0 : 1;  // 1 stops espeak-ng: the utterance was dropped
}

}  // namespace

Synthesizer::Synthesizer() : thread_([this] { Run(); }) {}

Synthesizer::~Synthesizer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (SynthesisJob& job : jobs_) job.stream->Cancel();
    if (running_) running_->Cancel();
  }
  wake_.notify_all();
  thread_.join();
}

void Synthesizer::Submit(SynthesisJob job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
}

void Synthesizer::Run() {
  for (;;) {
    SynthesisJob job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
      if (stopping_) break;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      running_ = job.stream;
    }
    if (!job.stream->cancelled()) Synthesize(job);
    job.stream->Finish();
    if (job.on_audio) job.on_audio();
    std::lock_guard<std::mutex> lock(mutex_);
    running_.reset();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (SynthesisJob& job : jobs_) {
    job.stream->Finish();
    if (job.on_audio) job.on_audio();
  }
}

void Synthesizer::Synthesize(SynthesisJob& job) {
  if (job.voice.empty() || !VoiceCatalog::Get().ready()) return;
  if (job.voice != voice_) {
    espeak_ERROR selected = espeak_SetVoiceByName(job.voice.c_str());
    if (selected != EE_OK) {
      voice_.clear();
      ReportFromAnyThread(QStringLiteral("speech runtime: espeak-ng cannot select voice %1 (%2)")
                              .arg(QString::fromStdString(job.voice))
                              .arg(static_cast<int>(selected)));
      return;
    }
    voice_ = job.voice;
  }
  // Set as parameters, these also undo commands of an earlier input.
  espeak_SetParameter(espeakPITCH, job.pitch, 0);
  espeak_SetParameter(espeakVOLUME, job.volume, 0);
  SynthesisRun run;
  run.job = &job;
  run.stream = job.stream.get();
  run.balance = job.balance;
  espeak_SetSynthCallback(OnSamples);
  g_run = &run;
  // espeakENDPAUSE keeps the pause espeak-ng makes at the end of a
  // sentence: without it the pieces of a text run into each other.
  espeak_ERROR result = espeak_Synth(job.input.c_str(), job.input.size() + 1, 0, POS_CHARACTER, 0,
                                     espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
  g_run = nullptr;
  if (job.lips) job.lips->Finish(run.frames);
  if (result != EE_OK && !job.stream->cancelled()) {
    ReportFromAnyThread(QStringLiteral("speech runtime: espeak-ng could not speak a text (%1)")
                            .arg(static_cast<int>(result)));
  }
}

}  // namespace parlotto::xvoice
