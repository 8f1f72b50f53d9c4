#include "xvoice_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstring>
#include <fstream>
#include <sstream>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/loop/clock.h"
#include "platform/places/diagnostics.h"
#include "support/spin_loop.h"

namespace parlotto::testing {

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT EventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                          EXCEPINFO*, UINT*) {
  if (!lip_sync && (member == DISPID_DirectSSEvents_WordPosition ||
                    member == DISPID_DirectSSEvents_MouthShape)) {
    return S_OK;
  }
  Event event{member, {}, MonotonicMs()};
  for (UINT i = params->cArgs; i > 0; --i) event.args.push_back(params->rgvarg[i - 1]);
  events.push_back(std::move(event));
  if (on_event) on_event();
  return S_OK;
}

void* EventSink::FindInterface(REFIID iid) {
  if (iid == IID_IDispatch || iid == DIID_DirectSSEvents) return static_cast<IDispatch*>(this);
  return nullptr;
}

WavInfo ReadWav(const std::string& path) {
  WavInfo info;
  std::string bytes = ReadFile(path);
  info.file_bytes = static_cast<std::int64_t>(bytes.size());
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 ||
      bytes.compare(8, 8, "WAVEfmt ") != 0 || bytes.compare(36, 4, "data") != 0) {
    return info;
  }
  auto u32 = [&](int at) {
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  auto u16 = [&](int at) {
    std::uint16_t v;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
  };
  info.valid = u16(20) == 1 && u16(34) == 16;
  info.channels = u16(22);
  info.sample_rate = static_cast<int>(u32(24));
  info.data_bytes = u32(40);
  info.valid = info.valid && info.channels > 0 && info.sample_rate > 0 &&
               u32(4) == 36 + info.data_bytes &&
               u32(28) == static_cast<std::uint32_t>(info.sample_rate * info.channels * 2);
  return info;
}

std::vector<std::int16_t> ChannelSamples(const std::string& path, int channel,
                                         std::int64_t first_frame) {
  std::string bytes = ReadFile(path);
  std::vector<std::int16_t> samples;
  for (std::size_t at = 44 + static_cast<std::size_t>(first_frame) * 4 + std::size_t{2} * channel;
       at + 2 <= bytes.size(); at += 4) {
    std::int16_t sample;
    std::memcpy(&sample, bytes.data() + at, 2);
    samples.push_back(sample);
  }
  return samples;
}

XVoiceTest::XVoiceTest()
    : wav_(dir_.File("speech.wav")),
      trace_(dir_.File("trace.txt")),
      hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()),
      system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"),
      cache_env_("XDG_CACHE_HOME", dir_.File("cache").c_str()),
      audio_env_("PARLOTTO_AUDIO", ("wav:" + wav_).c_str()),
      trace_env_("PARLOTTO_SPEECH_TRACE", trace_.c_str()) {
  CoInitialize(nullptr);
  SetDiagnosticSink([this](const std::string& line) { log_.push_back(line); });
  control_ = CreateControl();
  if (control_) sink_ = Advise(control_.Get());
}

XVoiceTest::~XVoiceTest() {
  sink_.Reset();
  control_.Reset();
  // Lines the speech threads handed to the loop belong to this test.
  QCoreApplication::processEvents();
  SetDiagnosticSink({});
  CoUninitialize();
}

ComPtr<IDispatch> XVoiceTest::CreateControl() {
  ComPtr<IDispatch> control;
  HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                control.ReceiveVoid());
  EXPECT_EQ(hr, S_OK) << DescribeHResult(hr);
  return control;
}

ComPtr<EventSink> XVoiceTest::Advise(IDispatch* control, DWORD* cookie) {
  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(control->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(DIID_DirectSSEvents, point.Receive()), S_OK);
  // Create hands out the IDispatch part; the sink is reached from it.
  ComPtr<IDispatch> dispatch;
  EXPECT_EQ(ComObject::Create<EventSink>(nullptr, IID_IDispatch, dispatch.ReceiveVoid()), S_OK);
  ComPtr<EventSink> sink(static_cast<EventSink*>(dispatch.Get()));
  DWORD advised = 0;
  EXPECT_EQ(point->Advise(dispatch.Get(), &advised), S_OK);
  if (cookie != nullptr) *cookie = advised;
  return sink;
}

DISPID XVoiceTest::IdOf(IDispatch* control, const QString& name) {
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK)
      << name.toStdString();
  return id;
}

HRESULT XVoiceTest::Get(IDispatch* control, const QString& name, VARIANT* value) {
  DISPPARAMS none;
  return control->Invoke(IdOf(control, name), IID_NULL, LOCALE_USER_DEFAULT,
                         DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, value, nullptr, nullptr);
}

HRESULT XVoiceTest::Put(IDispatch* control, const QString& name, const VARIANT& value) {
  VARIANT arg = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = &arg;
  params.rgdispidNamedArgs = &named;
  params.cArgs = 1;
  params.cNamedArgs = 1;
  return control->Invoke(IdOf(control, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                         &params, nullptr, nullptr, nullptr);
}

HRESULT XVoiceTest::Call(IDispatch* control, const QString& name, std::vector<VARIANT> args,
                         VARIANT* result, EXCEPINFO* excep_info) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params;
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  return control->Invoke(IdOf(control, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                         &params, result, excep_info, nullptr);
}

LONG XVoiceTest::GetLong(const QString& name) {
  VARIANT value;
  EXPECT_EQ(Get(control_.Get(), name, &value), S_OK) << name.toStdString();
  return value.vt == VT_I2 ? value.iVal : value.lVal;
}

void XVoiceTest::PutLong(const QString& name, LONG value) {
  EXPECT_EQ(Put(control_.Get(), name, VARIANT::I4(value)), S_OK) << name.toStdString();
}

void XVoiceTest::Speak(const QString& text) {
  EXPECT_EQ(Call(control_.Get(), QStringLiteral("Speak"), {VARIANT::Bstr(text)}), S_OK);
}

bool XVoiceTest::SpinUntil(const std::function<bool()>& done, int limit_ms) {
  return testing::SpinUntil(done, limit_ms);
}

std::int64_t XVoiceTest::SpeakAndMeasure(const QString& text) {
  std::int64_t before = ReadWav(wav_).data_bytes;
  std::size_t events = sink_->events.size();
  Speak(text);
  EXPECT_TRUE(SpinUntil([&] { return sink_->events.size() > events; }));
  WavInfo after = ReadWav(wav_);
  EXPECT_TRUE(after.complete());
  return after.data_bytes - before;
}

void XVoiceTest::ExpectSameLength(std::int64_t a, std::int64_t b) {
  constexpr std::int64_t kTolerance = 22050 * 4 * 25 / 1000;  // 25 ms of stereo audio
  EXPECT_NEAR(a, b, kTolerance);
}

std::vector<std::string> XVoiceTest::TraceLines() const {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(trace_));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool XVoiceTest::Logged(const std::string& part) const {
  for (const std::string& line : log_) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

}  // namespace parlotto::testing
