#include "xvoice/speech_control.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/error_info.h"
#include "platform/loop/window_messages.h"
#include "platform/places/diagnostics.h"
#include "xvoice/speech_engine.h"
#include "xvoice/speech_trace.h"
#include "xvoice/xvoice_audio/audio_target.h"
#include "xvoice/xvoice_synthesis/voice_catalog.h"
#include "xvoice/xvoice_text/speech_text.h"
#include "xvoice/xvoice_text/speech_values.h"

namespace parlotto::xvoice {
namespace {

// Utterance ids are unique in the process, across controls.
std::atomic<std::uint64_t> g_next_utterance{1};

// A few malformed tags say enough; a text full of them must not flood
// the log.
constexpr std::size_t kMaxTagReports = 3;

HRESULT ErrorWithInfo(HRESULT hr, const QString& description) {
  return FailWithErrorInfo(hr, QStringLiteral("XVoice.DirectSS"), DIID_DirectSS, description);
}

void ReportAudioTargetProblemOnce(const QString& problem) {
  static std::mutex mutex;
  static std::set<QString> reported;
  std::lock_guard<std::mutex> lock(mutex);
  if (reported.insert(problem).second) ReportDiagnostic(problem.toStdString());
}

// The audio thread asks for the default device; the multimedia backend's
// singletons are better made here, on the main thread, so that they
// outlive any audio thread.
void PrepareDevicesOnce() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  QMediaDevices::defaultAudioOutput();
}

}  // namespace

class DirectSS::EndWindow final : public MessageWindow {
 public:
  explicit EndWindow(DirectSS* control) : control_(control) {}

 private:
  void WndProc(Msg& msg) override {
    // Last statements: the event's handler may release the control.
    if (msg.message == kAudioDoneMessage) {
      control_->OnAudioDone(msg.wParam, msg.lParam);
    } else if (msg.message == kWordMessage || msg.message == kMouthMessage) {
      control_->OnLipSync(msg.message, msg.wParam, msg.lParam);
    }
  }

  DirectSS* control_;
};

DirectSS::DirectSS(IUnknown* outer, ITypeInfo* info)
    : ComObject(outer),
      DispatchImpl(info, this),
      speed_(kDefaultSpeed),
      pitch_(kDefaultPitch),
      volume_left_(kMaxVolume),
      volume_right_(kMaxVolume),
      mode_(VoiceCatalog::Get().DefaultMode()),
      events_(this, DIID_DirectSSEvents),
      window_(std::make_unique<EndWindow>(this)) {}

DirectSS::~DirectSS() {
  if (engine_) engine_->Cancel(window_->Handle());
  events_.UnadviseAll();
}

void* DirectSS::FindInterface(REFIID iid) {
  if (iid == IID_IDispatch || iid == DIID_DirectSS) return static_cast<IDispatch*>(this);
  if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  return nullptr;
}

HRESULT DirectSS::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points != nullptr) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT DirectSS::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  return FindConnectionPointIn({&events_}, iid, point);
}

HRESULT DirectSS::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  const bool get = func.invkind == INVOKE_PROPERTYGET;
  const bool put = func.invkind == INVOKE_PROPERTYPUT;
  // A property get's value goes into the last entry, a put's comes in the
  // first; the description guarantees both exist.
  auto result = [&]() -> VARIANT& { return args.back(); };
  auto value = [&]() { return args.front().lVal; };
  switch (func.memid) {
    case DISPID_DirectSS_Initialized:
      // Ready from creation; the program's "set to 1" has nothing to do.
      if (get) result() = VARIANT::I2(VoiceCatalog::Get().ready() ? 1 : 0);
      return S_OK;
    case DISPID_DirectSS_Pitch:
      if (get) result() = VARIANT::I4(pitch_);
      if (put) pitch_ = Clamped("Pitch", value(), ClampPitch(value()));
      return S_OK;
    case DISPID_DirectSS_Speed:
      if (get) result() = VARIANT::I4(speed_);
      if (put) speed_ = Clamped("Speed", value(), ClampSpeed(value()));
      return S_OK;
    case DISPID_DirectSS_VolumeLeft:
      if (get) result() = VARIANT::I4(volume_left_);
      if (put) volume_left_ = Clamped("VolumeLeft", value(), ClampVolume(value()));
      return S_OK;
    case DISPID_DirectSS_VolumeRight:
      if (get) result() = VARIANT::I4(volume_right_);
      if (put) volume_right_ = Clamped("VolumeRight", value(), ClampVolume(value()));
      return S_OK;
    case DISPID_DirectSS_LipSync:
      if (get) result() = VARIANT::I2(lip_sync_ ? 1 : 0);
      if (put) lip_sync_ = args.front().iVal != 0;
      return S_OK;
    case DISPID_DirectSS_CountEngines:
      if (get) result() = VARIANT::I4(VoiceCatalog::Get().count());
      return S_OK;
    case DISPID_DirectSS_CurrentMode:
      if (get) result() = VARIANT::I4(mode_);
      if (put) SelectMode(value());
      return S_OK;
    case DISPID_DirectSS_Speak:
      return Speak(args.front().bstrVal);
    case DISPID_DirectSS_AudioReset:
      AudioReset();
      return S_OK;
    case DISPID_DirectSS_ModeName:
      return ModeText(args.front().lVal, ModeField::kName, &result());
    case DISPID_DirectSS_ModeID:
      return ModeText(args.front().lVal, ModeField::kId, &result());
    case DISPID_DirectSS_ModeLanguage:
      return ModeText(args.front().lVal, ModeField::kLanguage, &result());
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

LONG DirectSS::Clamped(const char* name, LONG value, LONG clamped) {
  if (value != clamped) {
    ReportDiagnostic("speech runtime: " + std::string(name) + " " + std::to_string(value) +
                     " is out of range; " + std::to_string(clamped) + " is used");
  }
  return clamped;
}

void DirectSS::SelectMode(LONG mode) {
  const VoiceCatalog& catalog = VoiceCatalog::Get();
  if (mode == 0 || catalog.Mode(mode) != nullptr) {
    mode_ = mode == 0 ? catalog.DefaultMode() : mode;
    return;
  }
  // A mode number from another machine's settings: speak rather than fail.
  ReportDiagnostic("speech runtime: CurrentMode " + std::to_string(mode) +
                   " is not an engine mode (1.." + std::to_string(catalog.count()) +
                   "); the default voice is used");
  mode_ = catalog.DefaultMode();
}

HRESULT DirectSS::ModeText(LONG mode, ModeField field, VARIANT* result) {
  const EngineMode* engine_mode = VoiceCatalog::Get().Mode(mode);
  if (engine_mode == nullptr) {
    return ErrorWithInfo(E_INVALIDARG, QStringLiteral("Engine mode %1 does not exist (1..%2).")
                                           .arg(mode)
                                           .arg(VoiceCatalog::Get().count()));
  }
  switch (field) {
    case ModeField::kName:
      *result = VARIANT::Bstr(QString::fromStdString(engine_mode->name));
      break;
    case ModeField::kId:
      *result = VARIANT::Bstr(QString::fromStdString(StringFromGUID(engine_mode->mode_id)));
      break;
    case ModeField::kLanguage:
      *result = VARIANT::Bstr(QString::fromStdString(engine_mode->language));
      break;
  }
  return S_OK;
}

HRESULT DirectSS::Speak(const QString& text) {
  TraceSpeak(text);
  if (QCoreApplication::instance() == nullptr) {
    ReportDiagnostic("speech runtime: Speak without an application object; nothing is spoken");
    return ErrorWithInfo(E_UNEXPECTED,
                         QStringLiteral("The speech control needs the application's loop."));
  }
  QString problem;
  AudioTarget target = AudioTargetFromEnvironment(&problem);
  if (!problem.isEmpty()) ReportAudioTargetProblemOnce(problem);
  if (target.kind == AudioTarget::Kind::kDefault) PrepareDevicesOnce();

  VoiceSettings start{speed_, pitch_, std::max(volume_left_, volume_right_)};
  EspeakText input = ToEspeakText(text, start);
  for (std::size_t i = 0; i < input.malformed_tags.size() && i < kMaxTagReports; ++i) {
    ReportDiagnostic("speech runtime: speech tag " +
                     input.malformed_tags[i].left(80).toStdString() +
                     " has no number; it is skipped");
  }

  const EngineMode* mode = VoiceCatalog::Get().Mode(mode_);
  SpeechRequest request;
  request.owner = window_->Handle();
  request.id = g_next_utterance++;
  request.voice = mode != nullptr ? mode->identifier : std::string();
  request.input = std::move(input.utf8);
  request.pitch = input.pitch;
  request.volume = input.volume;
  request.balance = BalanceOf(volume_left_, volume_right_);
  request.target = std::move(target);
  // Lip-sync costs an event per sound: only when asked for and heard.
  if (lip_sync_ && events_.ConnectionCount() > 0)
    request.words.emplace(text, std::move(input.origins));
  if (!engine_) engine_ = SpeechEngine::Acquire();
  pending_.insert(request.id);
  engine_->Speak(std::move(request));
  return S_OK;
}

void DirectSS::AudioReset() {
  lip_sync_from_ = g_next_utterance;
  if (engine_) engine_->Cancel(window_->Handle());
}

void DirectSS::OnLipSync(UINT message, std::uint64_t id, LPARAM value) {
  // Each comes before its utterance's AudioStop, unless reset since.
  if (id < lip_sync_from_ || pending_.count(id) == 0) return;
  if (message == kMouthMessage) {
    FireEvent(DISPID_DirectSSEvents_MouthShape, {VARIANT::I4(static_cast<LONG>(value))});
    return;
  }
  auto packed = static_cast<std::uint64_t>(value);
  FireEvent(DISPID_DirectSSEvents_WordPosition,
            {VARIANT::I4(static_cast<LONG>(packed & 0xFFFFFFFFu)),
             VARIANT::I4(static_cast<LONG>(packed >> 32))});
}

void DirectSS::OnAudioDone(std::uint64_t id, std::int64_t end_ms) {
  if (pending_.erase(id) == 0) return;
  TraceAudioStop();
  auto end = static_cast<std::uint64_t>(end_ms);
  std::vector<VARIANT> args{VARIANT::I4(static_cast<std::int32_t>(end >> 32)),
                            VARIANT::I4(static_cast<std::int32_t>(end & 0xFFFFFFFFu))};
  FireEvent(DISPID_DirectSSEvents_AudioStop, args);
}

void DirectSS::FireEvent(DISPID event, const std::vector<VARIANT>& args) {
  // A handler may release the last reference; hold one until the end.
  OuterAddRef();
  events_.Fire(event, args);
  OuterRelease();
}

}  // namespace parlotto::xvoice
