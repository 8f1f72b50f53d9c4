// Poses that a character holds between animations, by the names character
// files give them: "Read" takes a pose (the book up), "ReadContinued" goes
// on from it, "ReadReturn" leaves it. The figure never jumps into or out of
// such a pose: the animation that leads in or out plays on the way.
#pragma once

#include <QString>

#include "character_format/character.h"

namespace parlotto::agent {

// The animation that leaves the pose in which `name` ends ("readreturn"
// after "read" and "readcontinued"); empty when that pose is no held one.
QString ReturnAfter(const Character& character, const QString& name);

// The animation that takes the pose `name` goes on from ("read" for
// "readcontinued"); empty when `name` goes on from no other.
QString LeadInto(const Character& character, const QString& name);

// `first`'s steps, then `second`'s, ending like `second`.
Animation Joined(const Animation& first, const Animation& second);

}  // namespace parlotto::agent
