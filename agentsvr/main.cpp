// AgentSvr: the character server. Started by the object runtime when a
// client creates the server's class; serves it on the session bus and ends
// a few seconds after its last object is gone.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "agentsvr/character_window/display.h"
#include "agentsvr/server_object.h"
#include "contracts/agent/agent_interfaces.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/server_lifetime.h"
#include "platform/loop/qt_platform.h"
#include "platform/loop/termination_signals.h"
#include "platform/places/diagnostics.h"
#include "platform/places/places.h"

namespace {

QtMessageHandler g_qt_messages = nullptr;

// Without a display the platform warns that windows cannot be raised or
// shaped, once for every figure shown: nothing a user could act on.
void DropHeadlessWindowWarnings(QtMsgType type, const QMessageLogContext& context,
                                const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  if (g_qt_messages != nullptr) {
    g_qt_messages(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace parlotto;
  IgnoreBrokenPipes();
  // The server lives in the system directory's agent/ folder; the speech
  // runtime's registration and the characters are found from there.
  setenv("PARLOTTO_SYSTEM_DIR",
         std::filesystem::weakly_canonical(std::filesystem::path(ProgramDir()) / "..").c_str(), 0);
  // The figure needs X11 to be placed; without any display the server
  // still serves and speaks.
  ChooseQtPlatform();
  // Clients place the figure in screen pixels, which Qt's positions are only
  // while it does not scale for a high-dpi desktop. The figure and balloon
  // are drawn for the desktop's scale instead.
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  agent::TakeQtScaleFactors();
  // The runtime appends -Embedding; Qt need not see it.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  (void)argc;
  QApplication app(qt_argc, qt_argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    g_qt_messages = qInstallMessageHandler(DropHeadlessWindowWarnings);
  }

  if (FAILED(CoInitialize(nullptr))) return 2;
  HRESULT hr = RegisterAgentInterfaces();
  if (FAILED(hr)) {
    ReportDiagnostic("character server: the Agent interfaces: " + DescribeHResult(hr));
    return 2;
  }
  ComPtr<IClassFactory> factory(new agent::AgentClassFactory);
  const int result = ServeClassObject(CLSID_AgentServer, factory.Get(), "PARLOTTO_AGENT_LINGER_MS",
                                      "character server");
  factory.Reset();
  CoUninitialize();
  return result;
}
