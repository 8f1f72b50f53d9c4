// Where the audio goes, from PARLOTTO_AUDIO: "default" (the desktop's
// audio; without a device a paced WAV file in the cache directory), "null"
// (paced, silent) or "wav:PATH" (written without pacing).
#pragma once

#include <QString>

namespace parlotto::xvoice {

struct AudioTarget {
  enum class Kind { kDefault, kNull, kWav };
  Kind kind = Kind::kDefault;
  // kWav: the file; kDefault: the file that stands in for a missing
  // device. Resolved on the main thread: the environment is not read
  // from the audio thread.
  QString path;
};

// An unknown value is taken as "default"; `problem` then says so.
AudioTarget ParseAudioTarget(const QString& value, QString* problem);
AudioTarget AudioTargetFromEnvironment(QString* problem);

}  // namespace parlotto::xvoice
