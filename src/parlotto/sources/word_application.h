// The connection to the word processor's automation server, held while a
// Word document is read: attach to a running server or start one, and on
// disconnecting ask it to quit only when AutoQuit says so.
#pragma once

#include "platform/com/idispatch.h"

namespace parlotto {

enum class TConnectKind { ckRunningOrNew };

class TWordApplication {
 public:
  TWordApplication() = default;
  TWordApplication(const TWordApplication&) = delete;
  TWordApplication& operator=(const TWordApplication&) = delete;
  ~TWordApplication() { Disconnect(); }

  TConnectKind ConnectKind = TConnectKind::ckRunningOrNew;
  bool AutoQuit = true;

  // Throws ComCallError when no server can be had.
  void Connect();
  // Releases the application; a server started for us ends by itself once
  // nobody holds it.
  void Disconnect();
  // The application object; null when not connected.
  IDispatch* Application() const { return application_.Get(); }

 private:
  ComPtr<IDispatch> application_;
};

}  // namespace parlotto
