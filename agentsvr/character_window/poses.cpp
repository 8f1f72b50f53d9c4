#include "agentsvr/character_window/poses.h"

namespace parlotto::agent {

namespace {

const QString kContinued = QStringLiteral("continued");
const QString kReturn = QStringLiteral("return");

bool Has(const Character& character, const QString& name) {
  return character.animations.count(name) != 0;
}

// "read" for "read", "readcontinued" and "readreturn".
QString FamilyOf(const QString& name) {
  for (const QString& suffix : {kContinued, kReturn}) {
    if (name.size() > suffix.size() && name.endsWith(suffix)) return name.chopped(suffix.size());
  }
  return name;
}

}  // namespace

QString ReturnAfter(const Character& character, const QString& name) {
  const QString lower = name.toLower();
  if (lower.endsWith(kReturn)) return QString();
  const QString back = FamilyOf(lower) + kReturn;
  return Has(character, back) ? back : QString();
}

QString LeadInto(const Character& character, const QString& name) {
  const QString lower = name.toLower();
  if (!lower.endsWith(kContinued)) return QString();
  const QString lead = FamilyOf(lower);
  return lead != lower && Has(character, lead) ? lead : QString();
}

Animation Joined(const Animation& first, const Animation& second) {
  Animation joined = first;
  joined.steps.insert(joined.steps.end(), second.steps.begin(), second.steps.end());
  joined.end_frame = second.end_frame;
  return joined;
}

}  // namespace parlotto::agent
