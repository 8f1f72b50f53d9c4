// The effect of a tag on the render state: fonts, colours, paragraph
// settings, anchors and the on/off switches. What a tag draws or how it moves
// the position is the line renderer's business.
#pragma once

#include <QStringView>

#include "htmlabel/render_state.h"
#include "htmlabel/tags.h"

namespace parlotto {

struct HTMLPaintOptions;

// The state drawing starts from.
RenderState InitialState(const HTMLPaintOptions& options);

void ApplyTag(TagKind kind, QStringView tag, const HTMLPaintOptions& options, RenderState& state);

}  // namespace parlotto
