#include "officesvr/document_text/text_output.h"

#include <utility>

namespace parlotto::office {

TextOutput::TextOutput(std::size_t max_bytes) : max_bytes_(max_bytes), targets_(1) {}

void TextOutput::Append(std::string_view text) {
  if (overflowed_) return;
  // Text built aside is counted as it is built and again when placed, so
  // that the bound holds however often it is moved.
  if (text.size() > max_bytes_ - total_) {
    overflowed_ = true;
    return;
  }
  total_ += text.size();
  top().text.append(text);
  top().ends_paragraph = false;
}

void TextOutput::EndCell() {
  const bool after_paragraph = top().ends_paragraph;
  Append(after_paragraph ? "\a" : "\r\a");
}

void TextOutput::Push() { targets_.emplace_back(); }

std::string TextOutput::Pop() {
  if (targets_.size() == 1) return {};
  std::string text = std::move(top().text);
  targets_.pop_back();
  return text;
}

void TextOutput::AppendBuilt(const std::string& text) {
  if (text.empty()) return;
  Append(text);
  top().ends_paragraph = text.back() == '\r';
}

std::string TextOutput::Take() {
  targets_.resize(1);
  return std::move(targets_.front().text);
}

}  // namespace parlotto::office
