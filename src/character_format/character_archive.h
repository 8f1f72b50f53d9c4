// The character file's contents, read from memory, and the bounds that make
// a damaged or hostile file fail early instead of exhausting memory. The
// file loader (character_file.h) reads the file and hands it here; the
// fuzzer calls this directly.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "character_format/character.h"

namespace parlotto::agent {

namespace character_limits {
inline constexpr std::int64_t kMaxFileBytes = 32 << 20;
inline constexpr std::int64_t kMaxEntries = 1024;
inline constexpr std::int64_t kMaxManifestBytes = 256 << 10;
inline constexpr std::int64_t kMaxImageBytes = 8 << 20;  // one PNG, compressed
inline constexpr int kMaxFrameSide = 1024;               // in image pixels
inline constexpr int kMaxPixelRatio = 4;
inline constexpr int kMaxImageSide = 8192;  // a sprite sheet
inline constexpr std::int64_t kMaxDecodedPixels = 32 << 20;
inline constexpr int kMaxFrames = 1024;
inline constexpr int kMaxImages = 256;  // entries of "frames"
inline constexpr int kMaxAnimations = 256;
inline constexpr int kMaxStepsPerAnimation = 1024;
inline constexpr int kMinDurationMs = 10;
inline constexpr int kMaxDurationMs = 10000;
}  // namespace character_limits

// The character in the zip archive `bytes`, or nullopt with `*error` saying
// why not.
std::optional<Character> ReadCharacterArchive(const QByteArray& bytes, QString* error);

}  // namespace parlotto::agent
