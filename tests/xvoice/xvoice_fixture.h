// The speech control as the program gets it: the module from the build
// tree's system directory, created through classes.reg and driven through
// IDispatch, with an event sink advised on its connection point.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/idispatch.h"
#include "platform/com_runtime/connection_point.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::testing {

// Records the events it gets; `on_event` runs inside each.
class EventSink final : public ComObject, public IDispatch {
 public:
  explicit EventSink(IUnknown* outer) : ComObject(outer) {}
  PARLOTTO_DELEGATING_UNKNOWN

  struct Event {
    DISPID id;
    std::vector<VARIANT> args;  // declared order
    std::int64_t at_ms;
  };
  std::vector<Event> events;
  std::function<void()> on_event;
  // Whether WordPosition and MouthShape are recorded; most tests count
  // only AudioStop.
  bool lip_sync = false;

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override;

 private:
  void* FindInterface(REFIID iid) override;
};

// The header of a WAV file and whether the file is complete.
struct WavInfo {
  bool valid = false;
  int channels = 0;
  int sample_rate = 0;
  std::int64_t data_bytes = 0;  // as the header says
  std::int64_t file_bytes = 0;
  bool complete() const { return valid && file_bytes == 44 + data_bytes; }
  std::int64_t frames() const { return valid ? data_bytes / (std::int64_t{2} * channels) : 0; }
  std::int64_t duration_ms() const { return valid ? frames() * 1000 / sample_rate : 0; }
};
WavInfo ReadWav(const std::string& path);
// The samples of one channel of a 16-bit stereo WAV file, from `first_frame` on.
std::vector<std::int16_t> ChannelSamples(const std::string& path, int channel,
                                         std::int64_t first_frame = 0);

class XVoiceTest : public ::testing::Test {
 protected:
  XVoiceTest();
  ~XVoiceTest() override;

  ComPtr<IDispatch> CreateControl();
  // Advises a new sink on `control`.
  ComPtr<EventSink> Advise(IDispatch* control, DWORD* cookie = nullptr);

  DISPID IdOf(IDispatch* control, const QString& name);
  // Property access as a late-bound caller does it; the HRESULT of Invoke.
  HRESULT Get(IDispatch* control, const QString& name, VARIANT* value);
  HRESULT Put(IDispatch* control, const QString& name, const VARIANT& value);
  HRESULT Call(IDispatch* control, const QString& name, std::vector<VARIANT> args,
               VARIANT* result = nullptr, EXCEPINFO* excep_info = nullptr);
  // Get of a long or short property, failing the test on an error.
  LONG GetLong(const QString& name);
  void PutLong(const QString& name, LONG value);
  void Speak(const QString& text);

  // Runs the loop until `done` or `limit_ms`.
  static bool SpinUntil(const std::function<bool()>& done, int limit_ms = 30000);
  // Speaks and waits for the end event; the WAV file's size grows by the
  // text's audio.
  std::int64_t SpeakAndMeasure(const QString& text);
  // espeak-ng carries its pitch flutter from one text to the next, so the
  // same text varies by some milliseconds; a spoken tag or doubled audio
  // is far more.
  static void ExpectSameLength(std::int64_t a, std::int64_t b);

  std::vector<std::string> TraceLines() const;
  bool Logged(const std::string& part) const;

  ScratchDir dir_;
  std::string wav_;
  std::string trace_;
  ScopedEnv hive_env_;
  ScopedEnv system_env_;
  ScopedEnv cache_env_;
  ScopedEnv audio_env_;
  ScopedEnv trace_env_;
  std::vector<std::string> log_;
  ComPtr<IDispatch> control_;
  ComPtr<EventSink> sink_;
};

}  // namespace parlotto::testing
