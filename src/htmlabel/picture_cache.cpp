#include "htmlabel/picture_cache.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace parlotto {
namespace {

// Markup may name any address; these keep a hostile one from filling memory.
constexpr int kMaxPictures = 64;
constexpr qint64 kMaxBytes = qint64{16} << 20;
constexpr int kTimeoutMs = 30'000;

}  // namespace

THTMLPictureCache::THTMLPictureCache(QObject* parent) : QObject(parent) {}

THTMLPictureCache::~THTMLPictureCache() { Clear(); }

const HTMLPicture* THTMLPictureCache::Find(const QString& address) {
  auto it = entries_.find(address);
  if (it != entries_.end()) return it->picture.IsEmpty() ? nullptr : &it->picture;
  if (entries_.size() >= kMaxPictures) return nullptr;
  Start(address, entries_[address]);
  return nullptr;
}

void THTMLPictureCache::Clear() {
  for (Entry& entry : entries_) {
    if (QNetworkReply* reply = entry.reply.data()) {
      reply->disconnect(this);
      reply->abort();
      reply->deleteLater();
    }
  }
  entries_.clear();
}

void THTMLPictureCache::Start(const QString& address, Entry& entry) {
  QUrl url(address, QUrl::TolerantMode);
  if (!url.isValid()) return;
  if (network_ == nullptr) network_ = new QNetworkAccessManager(this);
  QNetworkRequest request(url);
  request.setTransferTimeout(kTimeoutMs);
  QNetworkReply* reply = network_->get(request);
  entry.reply = reply;
  connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
    if (received > kMaxBytes) reply->abort();
  });
  connect(reply, &QNetworkReply::finished, this,
          [this, address, reply] { Finished(address, reply); });
}

void THTMLPictureCache::Finished(const QString& address, QNetworkReply* reply) {
  reply->deleteLater();
  auto it = entries_.find(address);
  if (it == entries_.end() || it->reply != reply) return;
  it->reply = nullptr;
  if (reply->error() != QNetworkReply::NoError) return;
  it->picture = HTMLPicture::FromData(reply->read(kMaxBytes));
  if (!it->picture.IsEmpty()) emit Changed();
}

}  // namespace parlotto
