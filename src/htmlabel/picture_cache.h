// Pictures named by address ("...://..."), fetched in the background. The
// first request for an address starts its download; until the picture has
// arrived (or when it never does) the label draws nothing for it.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include "htmlabel/picture.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace parlotto {

class THTMLPictureCache : public QObject {
  Q_OBJECT

 public:
  explicit THTMLPictureCache(QObject* parent = nullptr);
  ~THTMLPictureCache() override;

  // The picture once it has arrived; null while loading or after a failure.
  const HTMLPicture* Find(const QString& address);
  // Forgets every picture and cancels what is still loading.
  void Clear();
  int Count() const { return static_cast<int>(entries_.size()); }

 signals:
  // A picture has arrived.
  void Changed();

 private:
  struct Entry {
    QPointer<QNetworkReply> reply;
    HTMLPicture picture;
  };

  void Start(const QString& address, Entry& entry);
  void Finished(const QString& address, QNetworkReply* reply);

  QNetworkAccessManager* network_ = nullptr;  // made on first use
  QHash<QString, Entry> entries_;
};

}  // namespace parlotto
