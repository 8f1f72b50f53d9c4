// The program's own window messages, posted to the main window.
#pragma once

#include "platform/loop/window_messages.h"

namespace parlotto {

inline constexpr UINT UM_TRAY_NOTIFY = WM_USER + 111;  // 1135, from the tray icon
inline constexpr UINT UM_QUIT = 4146;                  // the character's "Beenden"
inline constexpr UINT UM_SHOW_INFO = 4147;             // the character's "Info"
inline constexpr UINT UM_CHARACTER_IDLE = 4148;        // the character went idle
inline constexpr UINT UM_CHARACTER_BUSY = 4149;        // the character left its idle state
inline constexpr UINT UM_OPEN_SETTINGS = 4150;         // the character's "Einstellungen"
inline constexpr UINT UM_CHARACTER_HIDDEN = 4151;      // the user hid it: the rest goes unheard

}  // namespace parlotto
