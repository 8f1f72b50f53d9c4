// What the reading service says on the bus, as the tests hear it.
#pragma once

#include <QDBusArgument>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>
#include <string>
#include <vector>

namespace parlotto::testing {

// "Started <what>", "Finished <completed>", "Reading <value>", in order.
class SignalLog : public QObject {
  Q_OBJECT

 public:
  std::vector<std::string> heard;

 public Q_SLOTS:
  void Heard(const QDBusMessage& message) {
    const QVariant first = message.arguments().value(0);
    if (message.member() == "PropertiesChanged") {
      const bool reading =
          qdbus_cast<QVariantMap>(message.arguments().value(1))["Reading"].toBool();
      heard.emplace_back(reading ? "Reading true" : "Reading false");
    } else if (message.member() == "Started") {
      heard.push_back("Started " + first.toString().toStdString());
    } else {
      heard.emplace_back(first.toBool() ? "Finished true" : "Finished false");
    }
  }
};

}  // namespace parlotto::testing
