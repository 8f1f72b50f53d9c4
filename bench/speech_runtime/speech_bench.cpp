// Speaks one German text of about 50 KB through the speech runtime into a
// WAV file (PARLOTTO_AUDIO=wav:, unpaced) and through "espeak-ng -v de -w",
// one after the other, and prints both times, both audio lengths and the
// ratio of the times.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>

#include "contracts/speech_control/speech_control_ids.h"
#include "german_text.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/connection_point.h"

namespace parlotto::bench {
namespace {

constexpr int kTextBytes = 50 * 1024;

class StopSink final : public ComObject, public NoTypeInfo<IDispatch> {
 public:
  explicit StopSink(IUnknown* outer) : ComObject(outer) {}
  PARLOTTO_DELEGATING_UNKNOWN
  bool stopped = false;
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    if (member == DISPID_DirectSSEvents_AudioStop) stopped = true;
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch || iid == DIID_DirectSSEvents ? static_cast<IDispatch*>(this)
                                                              : nullptr;
  }
};

struct Audio {
  double seconds = 0;
  int rate = 0;
  int channels = 0;
};

// Both writers put the data chunk's size at byte 40 (espeak-ng may leave it
// unset when it cannot seek, so the file size counts).
Audio ReadWav(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray head = file.read(44);
  if (head.size() < 44 || !head.startsWith("RIFF")) return {};
  Audio audio;
  audio.channels = qFromLittleEndian<quint16>(head.constData() + 22);
  audio.rate = static_cast<int>(qFromLittleEndian<quint32>(head.constData() + 24));
  int block = qFromLittleEndian<quint16>(head.constData() + 32);
  if (audio.rate <= 0 || block <= 0) return {};
  audio.seconds = static_cast<double>(file.size() - 44) / block / audio.rate;
  return audio;
}

bool SpeakThroughRuntime(const QString& text, double* seconds) {
  ComPtr<IDispatch> control;
  HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                control.ReceiveVoid());
  if (FAILED(hr)) {
    std::fprintf(stderr, "cannot create the speech control: %s\n", DescribeHResult(hr).c_str());
    return false;
  }
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  control->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
  if (!container || FAILED(container->FindConnectionPoint(DIID_DirectSSEvents, point.Receive()))) {
    return false;
  }
  ComPtr<IDispatch> sink_dispatch;
  ComObject::Create<StopSink>(nullptr, IID_IDispatch, sink_dispatch.ReceiveVoid());
  auto* sink = static_cast<StopSink*>(sink_dispatch.Get());
  DWORD cookie = 0;
  point->Advise(sink_dispatch.Get(), &cookie);

  QElapsedTimer timer;
  timer.start();
  VARIANT arg = VARIANT::Bstr(text);
  DISPPARAMS params;
  params.rgvarg = &arg;
  params.cArgs = 1;
  hr = control->Invoke(DISPID_DirectSS_Speak, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                       nullptr, nullptr);
  if (FAILED(hr)) return false;
  while (!sink->stopped) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  *seconds = timer.nsecsElapsed() / 1e9;
  point->Unadvise(cookie);
  return true;
}

bool SpeakThroughProgram(const QString& text_file, const QString& wav, double* seconds) {
  QElapsedTimer timer;
  timer.start();
  QProcess espeak;
  espeak.start(QStringLiteral("espeak-ng"),
               {QStringLiteral("-v"), QStringLiteral("de"), QStringLiteral("-w"), wav,
                QStringLiteral("-f"), text_file});
  if (!espeak.waitForFinished(-1) || espeak.exitCode() != 0) {
    std::fprintf(stderr, "espeak-ng failed: %s\n", espeak.errorString().toLocal8Bit().constData());
    return false;
  }
  *seconds = timer.nsecsElapsed() / 1e9;
  return true;
}

int Run() {
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  const QString text = GermanText(kTextBytes);
  const QString text_file = dir.filePath(QStringLiteral("text.txt"));
  const QString runtime_wav = dir.filePath(QStringLiteral("xvoice.wav"));
  const QString program_wav = dir.filePath(QStringLiteral("espeak-ng.wav"));
  QFile out(text_file);
  if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0) return 1;
  out.close();

  // Nothing of the user's own: a private hive, the build tree's classes.
  setenv("PARLOTTO_USER_HIVE", dir.filePath(QStringLiteral("user.reg")).toLocal8Bit().constData(),
         1);
  setenv("PARLOTTO_SYSTEM_DIR", PARLOTTO_BENCH_SYSTEM_DIR, 0);
  setenv("PARLOTTO_AUDIO", ("wav:" + runtime_wav).toLocal8Bit().constData(), 1);
  unsetenv("PARLOTTO_SPEECH_TRACE");

  CoInitialize(nullptr);
  double runtime_s = 0;
  double program_s = 0;
  bool ok = SpeakThroughRuntime(text, &runtime_s) &&
            SpeakThroughProgram(text_file, program_wav, &program_s);
  CoUninitialize();
  if (!ok) return 1;

  Audio runtime_audio = ReadWav(runtime_wav);
  Audio program_audio = ReadWav(program_wav);
  std::printf("text: %lld characters, %lld bytes of UTF-8\n", static_cast<long long>(text.size()),
              static_cast<long long>(text.toUtf8().size()));
  std::printf("xvoice.so (wav:)       %7.2f s for %8.1f s of audio (%d Hz, %d ch)\n", runtime_s,
              runtime_audio.seconds, runtime_audio.rate, runtime_audio.channels);
  std::printf("espeak-ng -v de -w     %7.2f s for %8.1f s of audio (%d Hz, %d ch)\n", program_s,
              program_audio.seconds, program_audio.rate, program_audio.channels);
  std::printf("time ratio xvoice.so / espeak-ng: %.2f\n", runtime_s / program_s);
  std::printf("audio length ratio: %.4f\n", runtime_audio.seconds / program_audio.seconds);
  return 0;
}

}  // namespace
}  // namespace parlotto::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return parlotto::bench::Run();
}
