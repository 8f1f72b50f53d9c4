#include "automation/office_readings.h"

#include <QStringList>
#include <cstdio>

#include "automation/server_module.h"
#include "parlotto/debug_log.h"
#include "platform/gui/shell.h"
#include "platform/places/new_files.h"
#include "platform/places/places.h"
#include "platform/typelib/type_lib_file.h"

namespace parlotto {
namespace {

constexpr const char* kTempTxt = "temp.txt";

}  // namespace

OfficeReadings& OfficeReadings::Instance() {
  static OfficeReadings* readings = new OfficeReadings;  // lives as long as the process
  return *readings;
}

bool OfficeReadings::Add(const std::string& text, std::string* error) {
  const std::string dir = WorkFileDir();
  if (waiting_.size() >= kMaxWaiting) {
    *error = "Es warten schon " + std::to_string(kMaxWaiting) + " Texte auf das Vorlesen.";
    return false;
  }
  // Made new and renamed into place: a link planted as "temp.txt" is
  // replaced, not written through, and nobody reads half of it.
  std::string failure;
  const bool published = WriteNewFile(dir + kTempTxt, text, &failure);
  if (!published) WriteDebugLog("ReadOfficeText: " + failure);
  const std::string file =
      published ? MakePrivateFile(dir + "." + kTempTxt + ".office.", text) : std::string();
  if (file.empty()) {
    *error = "Datei " + dir + kTempTxt + " kann nicht erstellt werden";
    return false;
  }
  // Pending readings keep the server for them, whatever its callers do.
  if (Pending() == 0) {
    if (TServerModule* module = TServerModule::Instance()) module->LockModule();
  }
  waiting_.push_back(file);
  if (!running_) StartNext();
  return true;
}

void OfficeReadings::StartNext() {
  if (waiting_.empty()) {
    if (TServerModule* module = TServerModule::Instance()) module->UnlockModule();
    return;
  }
  running_file_ = waiting_.front();
  waiting_.pop_front();
  const std::string program = OwnExecutablePath().toStdString();
  // Recorded rather than run, the reading counts as ended at once.
  if (ShellIsRecorded()) {
    ShellStartProgram(0, program, {"-f", running_file_});
    Ended();
    return;
  }
  running_ = std::make_unique<QProcess>();
  running_->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(running_.get(), &QProcess::finished, [this] { Ended(); });
  QObject::connect(running_.get(), &QProcess::errorOccurred, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) Ended();
  });
  running_->start(QString::fromStdString(program),
                  {QStringLiteral("-f"), QString::fromStdString(running_file_)});
}

void OfficeReadings::Ended() {
  std::remove(running_file_.c_str());
  running_file_.clear();
  if (running_) {
    // Deleted from the loop: this runs inside the process object's signal.
    running_.release()->deleteLater();
  }
  StartNext();
}

}  // namespace parlotto
