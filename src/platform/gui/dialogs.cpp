#include "platform/gui/dialogs.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <cstdlib>
#include <fstream>

#include "platform/places/diagnostics.h"

namespace parlotto {
namespace {

std::string& Title() {
  static std::string title;
  return title;
}

std::string RecordPath() { return RecordFileFrom("PARLOTTO_DIALOGS"); }

void Show(QMessageBox::Icon icon, const std::string& caption, const std::string& text) {
  if (DialogsRecorded()) {
    RecordDialog(caption, text);
    return;
  }
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.exec();
}

}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }

const std::string& ApplicationTitle() { return Title(); }

void ShowErrorDialog(const std::string& text) { Show(QMessageBox::Critical, "Fehler", text); }

void ShowMessage(const std::string& text) { Show(QMessageBox::NoIcon, ApplicationTitle(), text); }

void ShowExceptionDialog(const std::string& text) {
  Show(QMessageBox::Critical, ApplicationTitle(), text);
}

bool AskYesNoWarning(const std::string& caption, const std::string& text) {
  if (DialogsRecorded()) {
    RecordDialog(caption, text);
    return false;
  }
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Ja"));
  box.button(QMessageBox::No)->setText(QStringLiteral("Nein"));
  box.setDefaultButton(QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

std::string RecordFileFrom(const char* variable) {
  const char* mode = std::getenv(variable);
  if (mode == nullptr) return {};
  const std::string text(mode);
  const std::string prefix = "record:";
  if (text.compare(0, prefix.size(), prefix) != 0) return {};
  return text.substr(prefix.size());
}

bool DialogsRecorded() { return !RecordPath().empty(); }

std::string EscapeRecordField(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void RecordDialog(const std::string& caption, const std::string& text) {
  std::string path = RecordPath();
  {
    std::ofstream file(path, std::ios::app | std::ios::binary);
    file << EscapeRecordField(caption) << '\t' << EscapeRecordField(text) << '\n';
    if (!file.flush()) ReportDiagnostic("cannot record a dialog in " + path);
  }
  // Answered as a user answers: after a while, during which timers, posted
  // calls and bus calls run as in a shown modal window.
  const char* wait = std::getenv("PARLOTTO_DIALOG_ANSWER_MS");
  const int ms = wait != nullptr ? std::atoi(wait) : 0;
  if (ms <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace parlotto
