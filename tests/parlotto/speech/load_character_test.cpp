// Loading the character from a server of the test's own, served in this
// process: the checks for the components, the settings it takes, where it
// places the character, the menu, and what unloading leaves in the settings.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "parlotto/speech/character_place.h"
#include "parlotto/vocato_form.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/object_factory.h"
#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;
using Calls = std::vector<std::string>;
using testing::Peer;

// What the server was asked, in order, and how it answers.
struct ServerScript {
  Calls calls;
  LONG width = 150;
  LONG height = 100;
  LONG left = 0;
  LONG top = 0;
  HRESULT load = S_OK;
  HRESULT register_sink = S_OK;
  HRESULT tts_mode = S_OK;
  VARTYPE load_type = VT_EMPTY;
};
ServerScript* g_script = nullptr;

void Record(const std::string& call) { g_script->calls.push_back(call); }

class Character final : public ComObject,
                        public NoTypeInfo<IAgentCharacterEx>,
                        public IAgentCommands {
 public:
  explicit Character(IUnknown* outer) : ComObject(outer) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT GetTypeInfoCount(UINT* count) override { return NoTypeInfo::GetTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return NoTypeInfo::GetTypeInfo(i, l, t);
  }
  HRESULT GetIDsOfNames(REFIID r, const LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return NoTypeInfo::GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT Invoke(DISPID m, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                 UINT* a) override {
    return NoTypeInfo::Invoke(m, r, l, f, p, v, e, a);
  }

  HRESULT SetPosition(LONG left, LONG top) override {
    Record("SetPosition " + std::to_string(left) + " " + std::to_string(top));
    g_script->left = left;
    g_script->top = top;
    return S_OK;
  }
  HRESULT GetPosition(LONG* left, LONG* top) override {
    *left = g_script->left;
    *top = g_script->top;
    return S_OK;
  }
  HRESULT GetOriginalSize(LONG* width, LONG* height) override {
    *width = g_script->width;
    *height = g_script->height;
    return S_OK;
  }
  HRESULT GetVisible(LONG* visible) override {
    *visible = 1;
    return S_OK;
  }
  HRESULT Show(LONG fast, LONG* req) override {
    Record("Show " + std::to_string(fast));
    *req = 2;
    return S_OK;
  }
  HRESULT Hide(LONG, LONG* req) override {
    *req = 3;
    return S_OK;
  }
  HRESULT Play(const BSTR&, LONG* req) override {
    *req = 4;
    return S_OK;
  }
  HRESULT Speak(const BSTR&, const BSTR&, LONG* req) override {
    *req = 5;
    return S_OK;
  }
  HRESULT Stop(LONG) override { return S_OK; }
  HRESULT StopAll(LONG types) override {
    Record("StopAll " + std::to_string(types));
    return S_OK;
  }
  HRESULT SetLanguageID(LONG language) override {
    Record("SetLanguageID " + std::to_string(language));
    return S_OK;
  }
  HRESULT SetTTSModeID(const BSTR& mode) override {
    Record("SetTTSModeID " + mode.toStdString());
    return g_script->tts_mode;
  }
  HRESULT Add(const BSTR& caption, const BSTR&, LONG enabled, LONG visible, LONG* id) override {
    Record("Add " + caption.toStdString() + " " + std::to_string(enabled) +
           std::to_string(visible));
    *id = 40 + static_cast<LONG>(g_script->calls.size());
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IAgentCharacterEx) return static_cast<IAgentCharacterEx*>(this);
    if (iid == IID_IAgentCommands) return static_cast<IAgentCommands*>(this);
    return nullptr;
  }
};

class Server final : public ComObject, public NoTypeInfo<IAgentEx> {
 public:
  explicit Server(IUnknown* outer) : ComObject(outer) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Load(const VARIANT& key, LONG* char_id, LONG* req) override {
    g_script->load_type = key.vt;
    Record(key.vt == VT_BSTR ? "Load " + key.bstrVal.toStdString() : "Load");
    if (FAILED(g_script->load)) return g_script->load;
    *char_id = 7;
    *req = 1;
    return S_OK;
  }
  HRESULT Unload(LONG char_id) override {
    Record("Unload " + std::to_string(char_id));
    return S_OK;
  }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    ComPtr<IAgentNotifySink> notify;
    EXPECT_EQ(ComPtr<IUnknown>(sink).As(IID_IAgentNotifySink, &notify), S_OK);
    Record("Register");
    if (FAILED(g_script->register_sink)) return g_script->register_sink;
    sink_ = notify;
    *sink_id = 12;
    return S_OK;
  }
  HRESULT Unregister(LONG sink_id) override {
    Record("Unregister " + std::to_string(sink_id));
    sink_.Reset();
    return S_OK;
  }
  HRESULT GetCharacterEx(LONG char_id, IAgentCharacterEx** character) override {
    if (char_id != 7) return E_INVALIDARG;
    return ComObject::Create<Character>(nullptr, IID_IAgentCharacterEx,
                                        reinterpret_cast<void**>(character));
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IAgentEx ? static_cast<IAgentEx*>(this) : nullptr;
  }
  ComPtr<IAgentNotifySink> sink_;
};

class LoadCharacterTest : public ::testing::Test {
 protected:
  LoadCharacterTest()
      : system_(dir_.File("system")),
        hive_(dir_.File("user.reg")),
        dialogs_(dir_.File("dialogs.txt")),
        dialogs_hook_("record:" + dialogs_),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", system_.c_str()),
        dialogs_env_("PARLOTTO_DIALOGS", dialogs_hook_.c_str()),
        temp_env_("TEMP", dir_.path().c_str()) {
    g_script = &script_;
    // Every component there; the speech runtime is the build tree's.
    namespace fs = std::filesystem;
    fs::create_directories(system_ + "/agent/chars");
    fs::create_directories(system_ + "/speech");
    WriteFile(system_ + "/agent/AgentSvr", "");
    WriteFile(system_ + "/agent/chars/figur.acz", "");
    fs::create_symlink(PARLOTTO_BUILD_DIR "/system/speech/xvoice.so",
                       system_ + "/speech/xvoice.so");
    fs::copy_file(PARLOTTO_BUILD_DIR "/system/classes.reg", system_ + "/classes.reg");
    Settings("");
    CoInitialize(nullptr);
    EXPECT_EQ(CoRegisterClassObject(CLSID_AgentServer, new testing::ObjectFactory<Server>,
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
  }
  ~LoadCharacterTest() override {
    CoRevokeClassObject(cookie_);
    CoUninitialize();
    g_script = nullptr;
  }

  void Settings(const std::string& values) {
    WriteFile(hive_,
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n" +
                  values);
  }
  void SavedPosition(LONG left, LONG top) {
    Settings("\"AgentLastPositionX\"=dword:" + Hex(left) +
             "\n\"AgentLastPositionY\"=dword:" + Hex(top) + "\n");
  }
  static std::string Hex(LONG value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<std::uint32_t>(value));
    return text;
  }
  // The SetPosition calls of one load.
  Calls Placed() {
    Calls placed;
    for (const std::string& call : script_.calls) {
      if (call.rfind("SetPosition", 0) == 0) placed.push_back(call);
    }
    return placed;
  }
  // The captions of the dialogs shown, in order.
  Calls DialogCaptions() {
    Calls captions;
    std::istringstream records(ReadFile(dialogs_));
    for (std::string line; std::getline(records, line);) {
      captions.push_back(line.substr(0, line.find('\t')));
    }
    return captions;
  }
  static QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }
  static QRect WorkArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
  static std::string At(int left, int top) {
    return "SetPosition " + std::to_string(left) + " " + std::to_string(top);
  }

  ScratchDir dir_;
  std::string system_;
  std::string hive_;
  std::string dialogs_;
  std::string dialogs_hook_;
  ScopedEnv hive_env_;
  ScopedEnv system_env_;
  ScopedEnv dialogs_env_;
  ScopedEnv temp_env_;
  ServerScript script_;
  DWORD cookie_ = 0;
};

TEST_F(LoadCharacterTest, LoadsConfiguresPlacesShowsAndAddsTheGermanCommands) {
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  ASSERT_TRUE(form.LoadCharacter());
  const QRect work = WorkArea();
  EXPECT_EQ(script_.calls,
            (Calls{"Load", "SetLanguageID 7", "Register",
                   At(work.x() + work.width() - 150, work.y() + work.height() - 100), "Show 0",
                   "Add Info 11", "Add Einstellungen 11", "Add Beenden 11"}));
  EXPECT_EQ(script_.load_type, VT_EMPTY);
  EXPECT_EQ(Peer(form).sink_id(), 12);
  EXPECT_EQ(Peer(form).character_id(), 7);
  EXPECT_EQ(Peer(form).current_request_id(), 2);  // Show's
  EXPECT_EQ(ReadFile(dialogs_), "");

  // The position goes back into the settings when the character goes.
  Peer(form).character_loaded() = true;
  script_.calls.clear();
  script_.left = 321;
  script_.top = 123;
  form.UnloadCharacter();
  EXPECT_EQ(script_.calls, (Calls{"Unregister 12", "StopAll -1", "Unload 7"}));
  EXPECT_FALSE(Peer(form).character_loaded());
  Registry registry;
  ASSERT_TRUE(registry.OpenKey(kSettingsKey, false));
  EXPECT_EQ(registry.ReadInteger("AgentLastPositionX"), 321);
  EXPECT_EQ(registry.ReadInteger("AgentLastPositionY"), 123);
}

TEST_F(LoadCharacterTest, SavedPositionsAreKeptOnTheScreen) {
  const QRect screen = Screen();
  const QRect work = WorkArea();
  const std::string corner = At(work.x() + work.width() - 150, work.y() + work.height() - 100);
  struct Case {
    LONG left, top;
    Calls placed;
  };
  const Case cases[] = {
      {40, 50, {At(40, 50)}},
      // Off the screen: 128 instead; (0, 0) means none saved.
      {5000, 50, {At(128, 50)}},
      {0, 0, {corner}},
      {-5, 0, {At(128, 0)}},
      {40, -1, {At(40, 128)}},
      // Partly off the screen: moved in, 10 pixels from the edge.
      {screen.width() - 24, 50, {At(screen.width() - 24, 50), At(screen.width() - 160, 50)}},
      {40, screen.height() - 10, {At(40, screen.height() - 10), At(40, screen.height() - 110)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
    SavedPosition(c.left, c.top);
    script_.calls.clear();
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    ASSERT_TRUE(form.LoadCharacter());
    EXPECT_EQ(Placed(), c.placed);
  }
  // Without a saved position at all, or without the key.
  Settings("\"AgentLastPositionX\"=dword:00000040\n");
  script_.calls.clear();
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  ASSERT_TRUE(form.LoadCharacter());
  EXPECT_EQ(Placed(), Calls{corner});
}

// A primary monitor to the right of another one starts at x = 1920.
TEST(CharacterPlaceTest, TheScreenIsTakenWithItsOrigin) {
  const QRect right_monitor(1920, 0, 1280, 1024);
  struct Case {
    QPoint saved;
    QPoint kept;
  };
  const Case kept_cases[] = {
      {{2500, 300}, {2500, 300}},  // on the screen
      {{0, 0}, {0, 0}},            // none saved
      {{40, 300}, {2048, 300}},    // on the monitor to the left
      {{3300, 2000}, {2048, 128}},
  };
  for (const Case& c : kept_cases) {
    EXPECT_EQ(SavedPositionOnScreen(right_monitor, c.saved), c.kept);
  }
  EXPECT_EQ(MovedIntoScreen(right_monitor, {2500, 300}, {150, 100}), std::nullopt);
  EXPECT_EQ(MovedIntoScreen(right_monitor, {3100, 950}, {150, 100}), QPoint(3040, 914));
}

TEST_F(LoadCharacterTest, TheVoiceModeIsSetOnlyWhenTheStandardModeIsTurnedOff) {
  struct Case {
    std::string values;
    bool sets_mode;
  };
  const std::string mode = "\"ModeID\"=\"A1B2C3D4-0000-1111-2222-333344445555\"\n";
  const Case cases[] = {
      {mode, false},  // useStandardMode missing counts as true
      {mode + "\"useStandardMode\"=dword:00000001\n", false},
      {mode + "\"useStandardMode\"=dword:00000000\n", true},
      {"\"useStandardMode\"=dword:00000000\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values);
    Settings(c.values);
    script_.calls.clear();
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    ASSERT_TRUE(form.LoadCharacter());
    const bool set = std::count(script_.calls.begin(), script_.calls.end(),
                                "SetTTSModeID {A1B2C3D4-0000-1111-2222-333344445555}") == 1;
    EXPECT_EQ(set, c.sets_mode);
  }
  // A mode the server does not know: logged, and the load goes on.
  script_.tts_mode = E_INVALIDARG;
  Settings(cases[2].values);
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  EXPECT_TRUE(form.LoadCharacter());
  EXPECT_NE(ReadFile(dir_.File("vocatodebug.log")).find("SetTTSModeID=>Fehler"), std::string::npos);
}

TEST_F(LoadCharacterTest, TheCharacterFileOfTheSettingsIsLoadedOnlyWhenItExists) {
  const std::string file = dir_.File("eigene.acz");
  Settings("\"AgentFromFileSystem\"=\"" + file + "\"\n");
  {
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    ASSERT_TRUE(form.LoadCharacter());
    EXPECT_EQ(script_.calls.front(), "Load");
  }
  WriteFile(file, "");
  script_.calls.clear();
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  ASSERT_TRUE(form.LoadCharacter());
  EXPECT_EQ(script_.calls.front(), "Load " + file);
}

TEST_F(LoadCharacterTest, EnglishSwitchesTheLanguageAndTheCommands) {
  Settings("\"isEnglish\"=dword:00000001\n");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  ASSERT_TRUE(form.LoadCharacter());
  EXPECT_EQ(script_.calls[1], "SetLanguageID 9");
  EXPECT_EQ(Calls(script_.calls.end() - 3, script_.calls.end()),
            (Calls{"Add Info 11", "Add Settings 11", "Add End 11"}));
}

TEST_F(LoadCharacterTest, FailuresOfTheServerFailTheLoadWithTheirLogLines) {
  {
    // Nothing serves the class: only the speech runtime is registered.
    CoRevokeClassObject(cookie_);
    const std::string classes = ReadFile(PARLOTTO_BUILD_DIR "/system/classes.reg");
    const size_t runtime = classes.find("[HKEY_CLASSES_ROOT\\CLSID\\{EEE78591");
    ASSERT_NE(runtime, std::string::npos);
    size_t end = classes.find("\n\n", classes.find("InprocServer32", runtime));
    WriteFile(system_ + "/classes.reg", "Windows Registry Editor Version 5.00\n\n" +
                                            classes.substr(runtime, end - runtime) + "\n");
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    EXPECT_FALSE(form.LoadCharacter());
    EXPECT_NE(ReadFile(dir_.File("vocatodebug.log")).find("Error:CreateInstance of Agent"),
              std::string::npos);
    EXPECT_EQ(CoRegisterClassObject(CLSID_AgentServer, new testing::ObjectFactory<Server>,
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
  }
  {
    // A server that is gone in the middle of the call.
    script_.load = RPC_E_DISCONNECTED;
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    EXPECT_FALSE(form.LoadCharacter());
    EXPECT_NE(ReadFile(dir_.File("vocatodebug.log")).find("Error:Load of Agent"),
              std::string::npos);
  }
  {
    // A file it cannot load: no character, nothing more logged.
    script_.load = E_FAIL;
    script_.calls.clear();
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    EXPECT_FALSE(form.LoadCharacter());
    EXPECT_EQ(script_.calls, Calls{"Load"});
  }
  {
    // A sink the server refuses; a later load starts afresh.
    script_.load = S_OK;
    script_.register_sink = E_FAIL;
    script_.calls.clear();
    TVocatoForm form(std::vector<std::string>{"-d", "x"});
    EXPECT_FALSE(form.LoadCharacter());
    EXPECT_EQ(script_.calls, (Calls{"Load", "SetLanguageID 7", "Register"}));
    EXPECT_FALSE(Peer(form).agent_server());
    script_.register_sink = S_OK;
    EXPECT_TRUE(form.LoadCharacter());
  }
}

TEST_F(LoadCharacterTest, EachMissingComponentShowsItsDialogInOrderAndEndsTheProgram) {
  namespace fs = std::filesystem;
  fs::remove(system_ + "/agent/AgentSvr");
  fs::remove(system_ + "/agent/chars/figur.acz");
  fs::create_directory(system_ + "/agent/chars/ordner.acs");  // not a file
  WriteFile(system_ + "/agent/chars/figur.txt", "");
  TVocatoForm form(std::vector<std::string>{"-d", "x"});
  // The checks do not end the load: the server of the test is still used.
  EXPECT_TRUE(form.LoadCharacter());
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(DialogCaptions(),
            (Calls{"MS Agent nicht installiert!", "mindestens eine Figur muß installiert sein."}));
  // Checked again before every text, also once loaded.
  WriteFile(system_ + "/agent/AgentSvr", "");
  WriteFile(system_ + "/agent/chars/.versteckt.acz", "");
  WriteFile(dialogs_, "");
  Peer(form).character_loaded() = true;
  EXPECT_TRUE(form.LoadCharacter());
  EXPECT_EQ(DialogCaptions(), Calls{});
  fs::remove(system_ + "/agent/chars/.versteckt.acz");
  EXPECT_TRUE(form.LoadCharacter());
  EXPECT_EQ(DialogCaptions(), Calls{"mindestens eine Figur muß installiert sein."});
}

}  // namespace
}  // namespace parlotto
