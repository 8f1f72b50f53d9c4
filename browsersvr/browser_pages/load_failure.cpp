#include "browsersvr/browser_pages/load_failure.h"

#include <array>

namespace parlotto::browser {
namespace {

struct Reason {
  int code;
  const char* text;
};

// The engine's network errors that a reader meets, by their numbers.
constexpr std::array kNetworkReasons{
    Reason{-2, "Beim Laden ist ein Fehler aufgetreten."},
    Reason{-3, "Das Laden wurde abgebrochen."},
    Reason{-6, "Die Datei wurde nicht gefunden."},
    Reason{-7, "Der Server hat nicht rechtzeitig geantwortet."},
    Reason{-10, "Der Zugriff wurde verweigert."},
    Reason{-20, "Das Laden der Seite wurde blockiert."},
    Reason{-22, "Das Laden der Seite wurde blockiert."},
    Reason{-27, "Das Laden der Seite wurde blockiert."},
    Reason{-100, "Der Server hat die Verbindung unterbrochen."},
    Reason{-101, "Der Server hat die Verbindung unterbrochen."},
    Reason{-102, "Der Server hat die Verbindung abgelehnt."},
    Reason{-103, "Die Verbindung wurde abgebrochen."},
    Reason{-104, "Die Verbindung zum Server ist fehlgeschlagen."},
    Reason{-105, "Der Name des Servers wurde nicht gefunden."},
    Reason{-106, "Es besteht keine Verbindung zum Internet."},
    Reason{-107, "Es konnte keine sichere Verbindung hergestellt werden."},
    Reason{-108, "Die Adresse des Servers ist ungültig."},
    Reason{-109, "Der Server ist nicht erreichbar."},
    Reason{-111, "Der Proxyserver ist nicht erreichbar."},
    Reason{-113, "Es konnte keine sichere Verbindung hergestellt werden."},
    Reason{-118, "Der Server hat nicht rechtzeitig geantwortet."},
    Reason{-130, "Der Proxyserver ist nicht erreichbar."},
    Reason{-137, "Der Name des Servers wurde nicht gefunden."},
    Reason{-138, "Der Zugriff auf das Netzwerk wurde verweigert."},
    Reason{-200, "Das Zertifikat des Servers gilt für einen anderen Namen."},
    Reason{-201, "Das Zertifikat des Servers ist abgelaufen oder noch nicht gültig."},
    Reason{-202, "Das Zertifikat des Servers stammt von keiner vertrauenswürdigen Stelle."},
    Reason{-206, "Das Zertifikat des Servers wurde widerrufen."},
    Reason{-300, "Die Adresse ist ungültig."},
    Reason{-301, "Diese Art von Adresse wird nicht unterstützt."},
    Reason{-302, "Diese Art von Adresse wird nicht unterstützt."},
    Reason{-303, "Die Seite leitet an eine ungültige Adresse weiter."},
    Reason{-310, "Die Seite leitet in einer Endlosschleife weiter."},
    Reason{-311, "Die Seite leitet an eine ungültige Adresse weiter."},
    Reason{-312, "Der Port der Adresse ist gesperrt."},
    Reason{-320, "Der Server hat eine ungültige Antwort gesendet."},
    Reason{-324, "Der Server hat keine Daten gesendet."},
    Reason{-803, "Der Server hat nicht rechtzeitig geantwortet."},
};

// HTTP statuses, for the engine's own page in place of an empty answer.
constexpr std::array kStatusNames{
    Reason{400, "Ungültige Anfrage"},
    Reason{401, "Anmeldung erforderlich"},
    Reason{403, "Zugriff verweigert"},
    Reason{404, "Seite nicht gefunden"},
    Reason{408, "Zeitüberschreitung der Anfrage"},
    Reason{410, "Seite entfernt"},
    Reason{429, "Zu viele Anfragen"},
    Reason{500, "Interner Serverfehler"},
    Reason{502, "Fehlerhaftes Gateway"},
    Reason{503, "Dienst nicht verfügbar"},
    Reason{504, "Zeitüberschreitung am Gateway"},
};

template <std::size_t N>
const char* Find(const std::array<Reason, N>& table, int code) {
  for (const Reason& reason : table) {
    if (reason.code == code) return reason.text;
  }
  return nullptr;
}

// An error the table does not know is described by its kind.
const char* DomainReason(FailureDomain domain) {
  switch (domain) {
    case FailureDomain::kConnection:
      return "Die Verbindung zum Server ist fehlgeschlagen.";
    case FailureDomain::kCertificate:
      return "Das Zertifikat des Servers ist ungültig.";
    case FailureDomain::kHttp:
    case FailureDomain::kFtp:
      return "Der Server hat eine ungültige Antwort gesendet.";
    case FailureDomain::kDns:
      return "Der Name des Servers wurde nicht gefunden.";
    case FailureDomain::kInternal:
    case FailureDomain::kHttpStatus:
      break;
  }
  return nullptr;
}

QString ReasonText(const LoadFailure& failure) {
  if (failure.domain == FailureDomain::kHttpStatus) {
    const char* name = Find(kStatusNames, failure.code);
    const QString status = QString::number(failure.code);
    return name == nullptr ? QStringLiteral("Der Server meldet den Fehler %1.").arg(status)
                           : QStringLiteral("Der Server meldet den Fehler %1 (%2).")
                                 .arg(status, QString::fromUtf8(name));
  }
  if (const char* text = Find(kNetworkReasons, failure.code)) return QString::fromUtf8(text);
  if (const char* text = DomainReason(failure.domain)) return QString::fromUtf8(text);
  return QStringLiteral("Unbekannter Fehler %1.").arg(failure.code);
}

}  // namespace

QString LoadFailureText(const QUrl& address, const LoadFailure& failure) {
  const QString where =
      address.isLocalFile() ? address.toLocalFile() : address.toDisplayString(QUrl::RemoveUserInfo);
  return QStringLiteral("Die Seite %1 konnte nicht geladen werden: %2")
      .arg(where, ReasonText(failure));
}

}  // namespace parlotto::browser
