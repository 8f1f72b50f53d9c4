#include "agentsvr/stage_factory.h"

#include "agentsvr/headless_stage.h"

namespace parlotto::agent {

std::unique_ptr<Stage> MakeStage(const Character& character) {
  return std::make_unique<HeadlessStage>(character);
}

}  // namespace parlotto::agent
