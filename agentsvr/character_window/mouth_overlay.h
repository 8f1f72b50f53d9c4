// A character draws its mouth shapes once, on its face at rest. While it
// speaks in another pose (holding a book, brows raised) the mouth is laid
// over that pose: what the mouth frame changes on the resting face, drawn
// where the pose shows that face unchanged. What covers the face in the
// pose (the book) stays in front.
#pragma once

#include <QImage>

#include "character_format/character.h"

namespace parlotto::agent {

// `pose` speaking with the mouth of frame `mouth`, both frames of
// `character` whose mouth frames were drawn on frame `reference`. A null
// image when the pose does not show that face where the mouth changes it
// (the figure has moved or turned, or most of the mouth is covered).
QImage SpeakingInPose(const Character& character, int reference, int pose, int mouth);

}  // namespace parlotto::agent
