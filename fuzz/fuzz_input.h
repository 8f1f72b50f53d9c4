// Reads a fuzzer's input as a sequence of choices. Past the end every
// choice is zero, so each input, however short, makes one complete plan.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  std::uint64_t Number() {
    std::uint64_t value = 0;
    for (int i = Byte() % 9; i > 0; --i) value = (value << 8) | Byte();
    return value;
  }

  // Up to 255 bytes as text the bus accepts: valid UTF-8 without zero
  // characters (anything else is replaced, as a client library would have
  // refused to send it).
  std::string Text() {
    std::string raw;
    for (int n = Byte(); n > 0 && !empty(); --n) raw += static_cast<char>(Byte());
    QString text = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    text.remove(QChar(u'\0'));
    return text.toStdString();
  }

  // A non-empty name of letters, digits and underscores, as a path element.
  std::string Identifier() {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
    std::string name(1, kChars[Byte() % (sizeof kChars - 1)]);
    for (int n = Byte() % 12; n > 0; --n) name += kChars[Byte() % (sizeof kChars - 1)];
    return name;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
