// Named pictures for image sources without a colon. Names are matched
// without regard to case, as markup authors write them either way.
#pragma once

#include <QObject>
#include <QString>
#include <map>

#include "htmlabel/picture.h"

namespace parlotto {

class TPictureContainer : public QObject {
  Q_OBJECT

 public:
  explicit TPictureContainer(QObject* parent = nullptr);

  // Replaces a picture of the same name.
  void Add(const QString& name, const HTMLPicture& picture);
  void Remove(const QString& name);
  void Clear();
  int Count() const { return static_cast<int>(pictures_.size()); }
  // Null when there is no picture of that name.
  const HTMLPicture* Find(const QString& name) const;
  // Moves an animation to another frame (and repaints its labels).
  void SetFrame(const QString& name, int frame);

 signals:
  void Changed();

 private:
  std::map<QString, HTMLPicture> pictures_;  // by upper-case name
};

}  // namespace parlotto
