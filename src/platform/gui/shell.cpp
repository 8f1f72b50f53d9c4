#include "platform/gui/shell.h"

#include <unistd.h>

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QUrl>
#include <fstream>

#include "platform/gui/dialogs.h"
#include "platform/places/diagnostics.h"

namespace parlotto {
namespace {

constexpr int kSuccess = 42;
constexpr int kFileNotFound = 2;
constexpr int kNoAssociation = 31;

QUrl TargetUrl(const QString& file) {
  if (file.contains(QStringLiteral("://")) || file.startsWith(QStringLiteral("mailto:"))) {
    return QUrl(file);
  }
  return QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
}

// One line of the shell record instead of the call.
int RecordShellCall(const std::string& record, const std::string& verb, const std::string& file,
                    const std::string& parameters) {
  std::ofstream out(record, std::ios::app | std::ios::binary);
  out << EscapeRecordField(verb) << '\t' << EscapeRecordField(file) << '\t'
      << EscapeRecordField(parameters) << '\n';
  return out ? kSuccess : kFileNotFound;
}

}  // namespace

int ShellExecute(HWND, const std::string& verb, const std::string& file,
                 const std::string& parameters, const std::string& directory, int) {
  std::string record = RecordFileFrom("PARLOTTO_SHELL");
  if (!record.empty()) return RecordShellCall(record, verb, file, parameters);

  QString target = QString::fromStdString(file);
  QFileInfo info(target);
  if (info.isFile() && info.isExecutable()) {
    QStringList arguments = QProcess::splitCommand(QString::fromStdString(parameters));
    QString working = directory.empty() ? QString() : QString::fromStdString(directory);
    if (QProcess::startDetached(info.absoluteFilePath(), arguments, working)) return kSuccess;
    ReportDiagnostic("cannot start " + file);
    return kFileNotFound;
  }
  QUrl url = TargetUrl(target);
  if (url.isLocalFile() && !info.exists()) return kFileNotFound;
  if (QDesktopServices::openUrl(url)) return kSuccess;
  return kNoAssociation;
}

bool ShellIsRecorded() { return !RecordFileFrom("PARLOTTO_SHELL").empty(); }

int ShellStartProgram(HWND, const std::string& file, const std::vector<std::string>& arguments) {
  std::string record = RecordFileFrom("PARLOTTO_SHELL");
  if (!record.empty()) {
    std::string joined;
    for (const std::string& argument : arguments) {
      if (!joined.empty()) joined += ' ';
      joined += argument;
    }
    return RecordShellCall(record, "open", file, joined);
  }
  QStringList list;
  for (const std::string& argument : arguments) list << QString::fromStdString(argument);
  if (QProcess::startDetached(QString::fromStdString(file), list)) return kSuccess;
  ReportDiagnostic("cannot start " + file);
  return kFileNotFound;
}

}  // namespace parlotto
