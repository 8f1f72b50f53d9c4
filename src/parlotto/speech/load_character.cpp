// Loading the character on demand and releasing it at the end: the checks
// for the components it needs, the server, the character with its voice
// and language, the notification sink, its place on the screen and its
// menu commands.
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <filesystem>
#include <system_error>

#include "parlotto/debug_log.h"
#include "parlotto/speech/agent_notify_sink.h"
#include "parlotto/speech/character_place.h"
#include "parlotto/ui/error_dialogs.h"
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/places/places.h"
#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"

namespace parlotto {
namespace {

constexpr LONG kLanguageEnglish = 9;
constexpr LONG kLanguageGerman = 7;

bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// The primary screen, and the part of it that is not taken by panels.
struct Desktop {
  QRect screen;
  QRect work_area;
};

// In the screen's own pixels, which the character server places in: on a
// high-density desktop Qt gives this program's geometry scaled down.
Desktop PrimaryDesktop() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const qreal ratio = screen->devicePixelRatio();
  const auto device = [ratio](const QRect& r) {
    return QRect(qRound(r.x() * ratio), qRound(r.y() * ratio), qRound(r.width() * ratio),
                 qRound(r.height() * ratio));
  };
  return {device(screen->geometry()), device(screen->availableGeometry())};
}

std::string ReadStringOrEmpty(const Registry& registry, const char* name) {
  try {
    return registry.ReadString(name);
  } catch (const ERegistryException&) {
    return {};
  }
}

}  // namespace

bool TVocatoForm::HasAgentServer() { return PathExists(SystemDir() + "agent/AgentSvr"); }

bool TVocatoForm::HasCharacters() {
  const QDir chars(QString::fromStdString(SystemDir() + "agent/chars/"));
  return !chars
              .entryList({QStringLiteral("*.ac*")},
                         QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
              .isEmpty();
}

bool TVocatoForm::LoadCharacter() {
  // Each missing component says so and ends the program; the rest of the
  // checks, and the loading, still run.
  RequireComponent(HasAgentServer(), MissingComponent::kAgentServer);
  RequireComponent(HasSpeechRuntime(), MissingComponent::kSpeechRuntime);
  RequireComponent(HasSpeechEngine(), MissingComponent::kSpeechEngine);
  RequireComponent(HasCharacters(), MissingComponent::kCharacters);
  const Desktop desktop = PrimaryDesktop();
  // Loaded, unless its server has gone since: then a new one is started.
  if (character_loaded && character) {
    if (CoIsHandlerConnected(character.Get())) return true;
    ForgetLostCharacter();
  }
  sink_id = -1;

  std::string character_file;
  LONG left = 0;
  LONG top = 0;
  {
    Registry registry(RootKey::kCurrentUser);
    if (registry.OpenKey(kSettingsKey, false)) {
      character_file = ReadStringOrEmpty(registry, kAgentFromFileSystemValue);
      try {
        left = registry.ReadInteger(kAgentLastPositionXValue);
        top = registry.ReadInteger(kAgentLastPositionYValue);
      } catch (const ERegistryException&) {
        left = 0;
        top = 0;
      }
      registry.CloseKey();
    }
  }
  const QPoint saved = SavedPositionOnScreen(desktop.screen, QPoint(left, top));

  ComPtr<IAgentEx> server;
  HRESULT hr = CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                                server.ReceiveVoid());
  if (FAILED(hr) || !server) {
    WriteDebugLog("Error:CreateInstance of Agent");
    return false;
  }
  agent_server = server;

  VARIANT load_key;
  if (!character_file.empty() && PathExists(character_file)) {
    load_key = VARIANT::Bstr(QString::fromStdString(character_file));
  }
  // A failure result shows as a missing character below; only a call that
  // never got its answer is an error of its own.
  if (IsCallFailure(agent_server->Load(load_key, &character_id, &current_request_id))) {
    WriteDebugLog("Error:Load of Agent");
    return false;
  }
  ComPtr<IAgentCharacterEx> loaded;
  if (IsCallFailure(agent_server->GetCharacterEx(character_id, loaded.Receive())) || !loaded) {
    return false;
  }
  character = loaded;
  if (IsCallFailure(character->SetLanguageID(is_english ? kLanguageEnglish : kLanguageGerman))) {
    return false;
  }
  ConfigureCharacterVoice();

  // Replaces the sink a load that failed here before left behind.
  sink = ComPtr<AgentNotifySink>(new AgentNotifySink);
  if (FAILED(agent_server->Register(static_cast<IAgentNotifySink*>(sink.Get()), &sink_id))) {
    agent_server.Reset();
    return false;
  }
  sink->main_window = Handle();
  if (!PlaceCharacter(desktop.screen, desktop.work_area, saved.x(), saved.y())) return false;
  if (IsCallFailure(character->Show(0, &current_request_id))) return false;
  AddCharacterCommands();
  return true;
}

void TVocatoForm::ConfigureCharacterVoice() {
  Registry registry(RootKey::kCurrentUser);
  if (!registry.OpenKey(kSettingsKey, false)) return;
  BuildSpeechTags();
  std::string mode_id;
  bool use_standard_mode = true;
  try {
    mode_id = registry.ReadString(kModeIdValue);
    use_standard_mode = registry.ReadBool(kUseStandardModeValue);
  } catch (const ERegistryException&) {
    use_standard_mode = true;
  }
  registry.CloseKey();
  if (mode_id.empty() || use_standard_mode) return;
  const QString braced = QStringLiteral("{%1}").arg(QString::fromStdString(mode_id));
  if (FAILED(character->SetTTSModeID(braced))) WriteDebugLog("SetTTSModeID=>Fehler");
}

bool TVocatoForm::PlaceCharacter(QRect screen, QRect work_area, LONG left, LONG top) {
  LONG width = 0;
  LONG height = 0;
  if (IsCallFailure(character->GetOriginalSize(&width, &height))) return false;
  if (left == 0 && top == 0) {
    // No saved place: the bottom right corner, above the panels.
    if (IsCallFailure(character->SetPosition(work_area.x() + work_area.width() - width,
                                             work_area.y() + work_area.height() - height))) {
      return false;
    }
  } else if (IsCallFailure(character->SetPosition(left, top))) {
    return false;
  }
  const std::optional<QPoint> moved =
      MovedIntoScreen(screen, QPoint(left, top), QSize(width, height));
  return !moved || !IsCallFailure(character->SetPosition(moved->x(), moved->y()));
}

void TVocatoForm::AddCharacterCommands() {
  ComPtr<IAgentCommands> menu;
  if (FAILED(character->QueryInterface(IID_IAgentCommands, menu.ReceiveVoid())) || !menu) return;
  commands = menu;
  const QString info = QStringLiteral("Info");
  const QString settings =
      is_english ? QStringLiteral("Settings") : QStringLiteral("Einstellungen");
  const QString end = is_english ? QStringLiteral("End") : QStringLiteral("Beenden");
  commands->Add(info, QString(), 1, 1, &sink->info_command_id);
  commands->Add(settings, QString(), 1, 1, &sink->settings_command_id);
  commands->Add(end, QString(), 1, 1, &sink->end_command_id);
}

void TVocatoForm::UnloadCharacter() {
  if (!character_loaded) return;
  if (sink) {
    commands.Reset();
    if (sink_id != -1 && agent_server) agent_server->Unregister(sink_id);
    sink.Reset();
  }
  if (character) {
    character->StopAll(kAllRequestTypes);
    Registry registry(RootKey::kCurrentUser);
    if (registry.OpenKey(kSettingsKey, false)) {
      LONG left = 0;
      LONG top = 0;
      if (SUCCEEDED(character->GetPosition(&left, &top))) {
        try {
          registry.WriteInteger(kAgentLastPositionXValue, left);
          registry.WriteInteger(kAgentLastPositionYValue, top);
        } catch (const ERegistryException& e) {
          WriteDebugLog(std::string("AgentLastPosition: ") + e.what());
        }
      }
      registry.CloseKey();
    }
    character.Reset();
    if (agent_server) agent_server->Unload(character_id);
  }
  agent_server.Reset();
  character_loaded = false;
}

}  // namespace parlotto
