// A notification sink for tests that records what arrives.
#pragma once

#include <string>
#include <vector>

#include "platform/com_runtime/notify_sink_base.h"

namespace parlotto::testing {

class RecordingSink final : public NotifySinkBase {
 public:
  using NotifySinkBase::NotifySinkBase;

  std::vector<std::string> events;

  HRESULT Command(LONG id, IUnknown*) override { return Add("Command " + std::to_string(id)); }
  HRESULT Idle(LONG char_id, LONG start) override {
    return Add("Idle " + std::to_string(char_id) + " " + std::to_string(start));
  }

 private:
  HRESULT Add(std::string event) {
    events.push_back(std::move(event));
    return S_OK;
  }
};

}  // namespace parlotto::testing
