// manifest.json of a character file: what the character is called, how it
// speaks, where its frames are and which animations play them. Parsing
// checks every count and index against the limits of character_archive.h,
// so that the images are only decoded for a manifest that holds together.
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "character_format/character.h"

namespace parlotto::agent {

// One image of the archive: a single frame, or a sprite sheet cut into
// `count` cells of the frame size, row by row, `margin` pixels from its
// border and `spacing` pixels apart.
struct FrameImage {
  QString entry;
  bool sheet = false;
  int columns = 1;
  int rows = 1;
  int count = 1;
  int margin = 0;
  int spacing = 0;

  // The smallest image that holds every cell.
  QSize NeededSize(QSize frame) const;
};

struct Manifest {
  QString name;
  QString voice;
  LONG language = 7;
  QSize frame_size;
  int pixel_ratio = 1;
  std::vector<FrameImage> images;  // their frames in this order
  int frame_count = 0;
  std::map<QString, Animation> animations;  // lower-case names
  std::array<int, kMouthShapeCount> mouth_frames{};
  QPoint balloon_anchor;

  // A frame's size in image pixels.
  QSize CellSize() const { return frame_size * pixel_ratio; }
};

// The manifest's names of the mouth shapes, indexed by MouthShape.
inline constexpr std::array<const char*, kMouthShapeCount> kMouthShapeNames = {
    "rest", "open", "mid", "narrow", "round", "closed", "lipteeth", "tongue"};

std::optional<Manifest> ParseManifest(const QByteArray& json, QString* error);

}  // namespace parlotto::agent
