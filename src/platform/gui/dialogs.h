// The program's two kinds of message windows, and the test hook that records
// modal windows instead of showing them.
//
// PARLOTTO_DIALOGS=record:PATH appends one line per modal window to PATH,
// "<caption>\t<text>" (a line break or tab in either written as \n or \t, a
// backslash as \\), and answers it with its default button: at once, or
// with PARLOTTO_DIALOG_ANSWER_MS=N after N ms of the window's own event loop.
#pragma once

#include <string>

namespace parlotto {

// The application's title: the caption of plain message boxes.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// Caption "Fehler", the error icon, one button "OK"; returns when confirmed.
void ShowErrorDialog(const std::string& text);

// Caption = the application title, no icon, one button "OK".
void ShowMessage(const std::string& text);

// Caption = the application title, the error icon, one button "OK": what the
// user sees of an error that nothing else handled.
void ShowExceptionDialog(const std::string& text);

// A warning box without owner, buttons Yes and No, No preselected; true for
// Yes. Recorded, it is answered with No.
bool AskYesNoWarning(const std::string& caption, const std::string& text);
// True when modal windows are recorded rather than shown. Forms that show
// themselves modally record through RecordDialog and skip their own loop.
bool DialogsRecorded();
void RecordDialog(const std::string& caption, const std::string& text);

// The escaping of one field of a record line; shared with the shell record.
std::string EscapeRecordField(const std::string& field);

// PATH when the environment variable says "record:PATH", else "".
std::string RecordFileFrom(const char* variable);

}  // namespace parlotto
