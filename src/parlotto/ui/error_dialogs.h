// The dialogs that tell the user which speech component is missing.
#pragma once

namespace parlotto {

enum class MissingComponent { kAgentServer, kSpeechRuntime, kSpeechEngine, kCharacters };

// Creates the component's dialog, shows it modally and destroys it again.
void ShowMissingComponentDialog(MissingComponent component);

}  // namespace parlotto
