// Parlotto: reads a text aloud and ends by itself.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "automation/server_module.h"
#include "parlotto/command_line.h"
#include "parlotto/debug_log.h"
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/fonts.h"
#include "platform/loop/exception_guard.h"
#include "platform/loop/qt_platform.h"
#include "platform/loop/termination_signals.h"
#include "platform/places/diagnostics.h"
#include "reader_service/reader_service.h"

namespace {

// Qt would take switches such as "-style" out of argv; the program's own
// command line must reach it unchanged, so Qt gets the program name only.
int RunProgram(const std::vector<std::string>& args) {
  using namespace parlotto;
  // Trouble that the platform layer handles itself (a damaged or unwritable
  // settings hive) belongs in the program's own log, from the server's
  // registration on, which is the first to touch the hive.
  SetDiagnosticSink([](const std::string& line) { WriteDebugLog(line); });
  // The automation server first: a registration run ends here, before any
  // window exists, and objects may be asked for from now on.
  TServerModule server(args);
  if (!server.Initialize()) return 0;
  SetApplicationTitle("Parlotto");
  InstallFontSubstitutions();
  QApplication::setQuitOnLastWindowClosed(false);

  auto form = std::make_unique<TVocatoForm>(args);
  VocatoForm = form.get();
  if (form->Terminated()) return 0;
  form->FormCreate();
  form->CreateInfoWindow();
  std::unique_ptr<ReaderService> service;
  if (form->Serving()) {
    service = std::make_unique<ReaderService>(*form);
    // Another process serves already, or there is no bus to serve on.
    if (!service->Offer()) return 0;
  }
  OnTerminationSignal([] {
    if (VocatoForm != nullptr) VocatoForm->EndAtOnce();
  });
  // Without its bus no client is left: a process kept only for clients (or
  // serving them) ends now; a reading the user started is read to its end.
  AddBusLostListener([&server] {
    if (VocatoForm == nullptr) return;
    if (!server.KeptOnlyForClients() && !VocatoForm->Serving()) return;
    WriteDebugLog("The session bus is gone");
    VocatoForm->EndAtOnce();
  });
  QApplication::exec();
  // A termination signal ends the loop without closing: the close runs here,
  // once, where no reading is waiting any more.
  if (!form->Closed()) RunGuarded([&form] { form->Close(); });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  parlotto::IgnoreBrokenPipes();
  std::vector<std::string> args(argv + 1, argv + argc);
  // Answered before Qt starts, so that they work without a display or bus.
  if (const auto info = parlotto::FindInfoRequest(args); info != parlotto::InfoRequest::kNone) {
    const std::string text =
        info == parlotto::InfoRequest::kHelp ? parlotto::UsageText() : parlotto::VersionText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // Without a display the program still runs (and speaks); it only cannot
  // show windows. Trying xcb without any display would only print noise.
  parlotto::ChooseQtPlatform();
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication app(qt_argc, qt_argv);
  try {
    return RunProgram(args);
  } catch (const std::exception& e) {
    parlotto::ShowExceptionDialog(e.what());
  } catch (...) {
    parlotto::ShowExceptionDialog("Unknown exception");
  }
  return 0;
}
