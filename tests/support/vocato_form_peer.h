// The main window's tests set up and watch its state through this friend;
// the program itself reaches the state only through the window's methods.
#pragma once

#include "parlotto/speech/speech_control_host.h"
#include "parlotto/vocato_form.h"

namespace parlotto::testing {

class VocatoFormPeer {
 public:
  explicit VocatoFormPeer(TVocatoForm& form) : form_(form) {}

  TRunMode& run_mode() { return form_.run_mode; }
  std::string& text_file_name() { return form_.text_file_name; }
  std::string& word_document_name() { return form_.word_document_name; }
  std::string& pdf_document_name() { return form_.pdf_document_name; }
  std::string& web_address() { return form_.web_address; }
  std::string& text_to_read() { return form_.text_to_read; }
  bool& stop_flag() { return form_.stop_flag; }
  bool& speech_finished() { return form_.speech_finished; }
  bool& no_agent() { return form_.no_agent; }
  bool& is_english() { return form_.is_english; }
  bool& character_loaded() { return form_.character_loaded; }
  bool& direct_speech_loaded() { return form_.direct_speech_loaded; }
  ComPtr<IAgentEx>& agent_server() { return form_.agent_server; }
  ComPtr<IAgentCharacterEx>& character() { return form_.character; }
  LONG& sink_id() { return form_.sink_id; }
  LONG& character_id() { return form_.character_id; }
  LONG& current_request_id() { return form_.current_request_id; }
  std::string& pitch_tag() { return form_.pitch_tag; }
  std::string& speed_tag() { return form_.speed_tag; }
  std::string& volume_tag() { return form_.volume_tag; }
  std::unique_ptr<TDirectSS>& DirectSS1() { return form_.DirectSS1; }
  Timer& Start() { return form_.Start; }
  Timer& EndTimer() { return form_.EndTimer; }
  Timer& CheckForFullBufferToRead() { return form_.CheckForFullBufferToRead; }
  QMenu* PopupMenu1() { return form_.PopupMenu1; }
  QAction* Info1() { return form_.Info1; }
  QAction* Hilfe1() { return form_.Hilfe1; }
  QAction* Einstellungen1() { return form_.Einstellungen1; }
  QAction* Beenden() { return form_.Beenden; }

 private:
  TVocatoForm& form_;
};

inline VocatoFormPeer Peer(TVocatoForm& form) { return VocatoFormPeer(form); }

}  // namespace parlotto::testing
