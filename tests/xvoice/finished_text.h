// A whole text's speech as the speech runtime hands it to an audio output:
// `bytes` of sound, already finished.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "xvoice/xvoice_audio/pcm_stream.h"

namespace parlotto::xvoice::testing {

inline constexpr int kRate = 22050;
inline constexpr std::int64_t kBytesPerSecond = std::int64_t{kRate} * kBytesPerFrame;

inline std::shared_ptr<PcmStream> FinishedText(std::int64_t bytes) {
  auto stream = std::make_shared<PcmStream>(kRate, std::size_t{64} << 20);
  QByteArray pcm(static_cast<qsizetype>(bytes), '\x01');
  stream->Append(pcm.constData(), pcm.size());
  stream->Finish();
  return stream;
}

}  // namespace parlotto::xvoice::testing
