// The character on the desktop: a frameless, translucent, always-on-top
// window showing the figure, with its speech balloon and right-click menu.
// The request queue drives it through the Stage interface.
#pragma once

#include <memory>

#include "agentsvr/agent_queue/stage.h"
#include "character_format/character.h"

namespace parlotto::agent {

// Needs the Qt application object. Positions are those of the windowing
// system, so on X11 (and XWayland) they are screen pixels. The figure's
// window is named "parlotto-character", the balloon's
// "parlotto-character-balloon", the open menu "parlotto-character-menu".
// The figure and balloon are drawn for the desktop's scale (DisplayScale),
// or for `scale`; positions stay screen pixels either way.
std::unique_ptr<Stage> CreateCharacterWindow(const Character& character);
std::unique_ptr<Stage> CreateCharacterWindow(const Character& character, qreal scale);

}  // namespace parlotto::agent
