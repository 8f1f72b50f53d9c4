#include "htmlabel/picture_container.h"

namespace parlotto {

TPictureContainer::TPictureContainer(QObject* parent) : QObject(parent) {}

void TPictureContainer::Add(const QString& name, const HTMLPicture& picture) {
  pictures_[name.toUpper()] = picture;
  emit Changed();
}

void TPictureContainer::Remove(const QString& name) {
  if (pictures_.erase(name.toUpper()) > 0) emit Changed();
}

void TPictureContainer::Clear() {
  pictures_.clear();
  emit Changed();
}

const HTMLPicture* TPictureContainer::Find(const QString& name) const {
  auto it = pictures_.find(name.toUpper());
  return it == pictures_.end() ? nullptr : &it->second;
}

void TPictureContainer::SetFrame(const QString& name, int frame) {
  auto it = pictures_.find(name.toUpper());
  if (it == pictures_.end()) return;
  it->second.SetCurrentFrame(frame);
  emit Changed();
}

}  // namespace parlotto
