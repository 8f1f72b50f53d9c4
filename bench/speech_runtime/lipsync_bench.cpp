// Speaks short sentences through the speech runtime on the default audio
// device and notes, for each WordPosition event, how far a recording of
// that device had grown when the event came. bench/run.sh records the
// device's monitor and sets these points against the onsets of the words
// in the recording.
//
// Usage: xvoice_lipsync_bench RECORDING RATE
// Prints one line per word: "<recorded ms at the event> <word>".
#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/connection_point.h"

namespace parlotto::bench {
namespace {

// Words that start with a vowel, each its own sentence: the sentence
// pause before each makes its onset plain in the recording.
const QString kText =
    QStringLiteral("Eins. Acht. Elf. Alle. Oben. Immer. Ende. Unten. Abend. Ofen.");

class WordSink final : public ComObject, public NoTypeInfo<IDispatch> {
 public:
  explicit WordSink(IUnknown* outer) : ComObject(outer) {}
  PARLOTTO_DELEGATING_UNKNOWN

  QString recording;
  std::int64_t bytes_per_ms = 0;
  bool stopped = false;
  struct Word {
    std::int64_t recorded_ms;
    QString word;
  };
  std::vector<Word> words;

  HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    if (member == DISPID_DirectSSEvents_AudioStop) stopped = true;
    if (member != DISPID_DirectSSEvents_WordPosition || params->cArgs != 2) return S_OK;
    // First of all: the recording's length now.
    std::int64_t recorded_ms = QFileInfo(recording).size() / bytes_per_ms;
    // Arguments come last first.
    words.push_back({recorded_ms, kText.mid(params->rgvarg[1].lVal, params->rgvarg[0].lVal)});
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch || iid == DIID_DirectSSEvents ? static_cast<IDispatch*>(this)
                                                              : nullptr;
  }
};

int Run(const QString& recording, int rate) {
  QTemporaryDir dir;
  if (!dir.isValid() || rate <= 0) return 2;
  // Nothing of the user's own: a private hive, the build tree's classes.
  setenv("PARLOTTO_USER_HIVE", dir.filePath(QStringLiteral("user.reg")).toLocal8Bit().constData(),
         1);
  setenv("PARLOTTO_SYSTEM_DIR", PARLOTTO_BENCH_SYSTEM_DIR, 0);
  setenv("PARLOTTO_AUDIO", "default", 1);

  CoInitialize(nullptr);
  int result = 1;
  {
    ComPtr<IDispatch> control;
    HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  control.ReceiveVoid());
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(hr))
      control->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
    if (container) container->FindConnectionPoint(DIID_DirectSSEvents, point.Receive());
    ComPtr<IDispatch> sink_dispatch;
    ComObject::Create<WordSink>(nullptr, IID_IDispatch, sink_dispatch.ReceiveVoid());
    auto* sink = static_cast<WordSink*>(sink_dispatch.Get());
    sink->recording = recording;
    sink->bytes_per_ms = std::int64_t{rate} * 2 / 1000;  // 16-bit mono
    DWORD cookie = 0;
    if (point && sink_dispatch && sink->bytes_per_ms > 0 &&
        SUCCEEDED(point->Advise(sink_dispatch.Get(), &cookie))) {
      VARIANT on = VARIANT::I2(1);
      DISPID named = DISPID_PROPERTYPUT;
      DISPPARAMS put;
      put.rgvarg = &on;
      put.cArgs = 1;
      put.rgdispidNamedArgs = &named;
      put.cNamedArgs = 1;
      hr = control->Invoke(DISPID_DirectSS_LipSync, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put,
                           nullptr, nullptr, nullptr);
      VARIANT arg = VARIANT::Bstr(kText);
      DISPPARAMS params;
      params.rgvarg = &arg;
      params.cArgs = 1;
      if (SUCCEEDED(hr))
        hr = control->Invoke(DISPID_DirectSS_Speak, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                             nullptr, nullptr);
      while (SUCCEEDED(hr) && !sink->stopped) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      }
      point->Unadvise(cookie);
      for (const WordSink::Word& word : sink->words) {
        std::printf("%lld %s\n", static_cast<long long>(word.recorded_ms),
                    word.word.toUtf8().constData());
      }
      result = SUCCEEDED(hr) && !sink->words.empty() ? 0 : 1;
    } else {
      std::fprintf(stderr, "cannot create the speech control or advise it: %s\n",
                   DescribeHResult(hr).c_str());
    }
  }
  CoUninitialize();
  return result;
}

}  // namespace
}  // namespace parlotto::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s RECORDING RATE\n", argv[0]);
    return 2;
  }
  return parlotto::bench::Run(QString::fromLocal8Bit(argv[1]), std::atoi(argv[2]));
}
