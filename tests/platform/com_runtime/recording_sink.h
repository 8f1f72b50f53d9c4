// An event sink for tests that records what arrives.
#pragma once

#include <string>
#include <vector>

#include "platform/com_runtime/events_sink_base.h"

namespace parlotto::testing {

class RecordingSink final : public EventsSinkBase {
 public:
  using EventsSinkBase::EventsSinkBase;

  std::vector<std::string> events;

  HRESULT Idle(LONG object_id, LONG start) override {
    events.push_back("Idle " + std::to_string(object_id) + " " + std::to_string(start));
    return S_OK;
  }
};

}  // namespace parlotto::testing
