// The two settings the program reads as it starts.
#pragma once

namespace parlotto {

struct StartupSettings {
  bool no_agent = false;
  bool is_english = false;
};

// Without the settings key both are false, so that a user who never ran the
// settings program gets the character in German. With the key, an unreadable
// "noAgent" means true: the settings program exists, the character may not.
StartupSettings ReadStartupSettings();

}  // namespace parlotto
