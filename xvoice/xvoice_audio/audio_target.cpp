#include "xvoice/xvoice_audio/audio_target.h"

#include <cstdlib>

#include "platform/places/places.h"

namespace parlotto::xvoice {
namespace {

QString FallbackWavPath() {
  return QString::fromStdString(CacheHome()) + QStringLiteral("parlotto/speech.wav");
}

}  // namespace

AudioTarget ParseAudioTarget(const QString& value, QString* problem) {
  AudioTarget target;
  target.path = FallbackWavPath();
  if (value.isEmpty() || value == QLatin1String("default")) return target;
  if (value == QLatin1String("null")) {
    target.kind = AudioTarget::Kind::kNull;
    target.path.clear();
    return target;
  }
  if (value.startsWith(QLatin1String("wav:"))) {
    // An empty path fails when it is opened, with the error in the log.
    target.kind = AudioTarget::Kind::kWav;
    target.path = value.mid(4);
    return target;
  }
  if (problem != nullptr) {
    *problem = QStringLiteral(
                   "speech runtime: PARLOTTO_AUDIO=\"%1\" is not default, null or "
                   "wav:PATH; using default")
                   .arg(value);
  }
  return target;
}

AudioTarget AudioTargetFromEnvironment(QString* problem) {
  const char* value = std::getenv("PARLOTTO_AUDIO");
  return ParseAudioTarget(value != nullptr ? QString::fromLocal8Bit(value) : QString(), problem);
}

}  // namespace parlotto::xvoice
