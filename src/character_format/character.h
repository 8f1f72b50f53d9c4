// A character as the server shows it: frames, the animations made of them,
// which frame shows which mouth shape, and its voice. Loaded from a
// character file (character_file.h) or built in code by tests.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <map>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"

namespace parlotto::agent {

struct AnimationStep {
  int frame = 0;  // index into Character::frames
  int duration_ms = 100;
};

struct Animation {
  std::vector<AnimationStep> steps;
  // The frame the character rests on afterwards; -1: the first idle frame.
  int end_frame = -1;
};

struct Character {
  QString name;
  QString voice;      // an espeak-ng voice name, such as "de" or "en"
  LONG language = 7;  // 7 German, 9 English
  QSize frame_size;   // every frame has this size
  // Image pixels per frame pixel each way: art drawn for dense screens.
  // Frames hold frame_size * pixel_ratio pixels.
  int pixel_ratio = 1;
  std::vector<QImage> frames;  // ARGB32 premultiplied
  // "Show", "Hide", "Read", "ReadContinued", "ReadReturn", "Idle", ...;
  // names compare case-insensitively, so keys are lower case.
  std::map<QString, Animation> animations;
  // The frame drawn for each MouthShape while speaking; -1: no own frame,
  // the speaking frame of kMouthOpen or the rest frame stands in.
  std::array<int, kMouthShapeCount> mouth_frames{};
  // Where the balloon's tail points, in frame coordinates.
  QPoint balloon_anchor;
};

}  // namespace parlotto::agent
