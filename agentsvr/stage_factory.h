// The stage a loaded character stands on.
#pragma once

#include <memory>

#include "agentsvr/character.h"
#include "agentsvr/stage.h"

namespace parlotto::agent {

std::unique_ptr<Stage> MakeStage(const Character& character);

}  // namespace parlotto::agent
