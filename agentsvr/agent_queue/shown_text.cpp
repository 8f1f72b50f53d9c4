#include "agentsvr/agent_queue/shown_text.h"

#include "xvoice/xvoice_text/speech_text.h"

namespace parlotto::agent {

namespace {

bool IsLineBreak(QChar c) {
  return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
         c == u'\v' || c == u'\f';
}

}  // namespace

ShownText ShownTextOf(const QString& spoken) {
  const xvoice::TextWithoutTags plain = xvoice::RemoveSpeechTags(spoken);
  ShownText shown;
  shown.text.reserve(plain.text.size());
  shown.origin.reserve(plain.origin.size());
  bool blank = false;
  bool line_break = false;
  for (qsizetype i = 0; i < plain.text.size(); ++i) {
    const QChar c = plain.text[i];
    if (IsLineBreak(c)) {
      line_break = true;
    } else if (c.isSpace()) {
      blank = true;
    } else {
      // The spacing before a word counts from where it ends.
      if ((blank || line_break) && !shown.text.isEmpty()) {
        shown.text += line_break ? QChar(u'\n') : QChar(u' ');
        shown.origin.push_back(plain.origin[static_cast<std::size_t>(i - 1)]);
      }
      blank = line_break = false;
      shown.text += c;
      shown.origin.push_back(plain.origin[static_cast<std::size_t>(i)]);
    }
  }
  return shown;
}

}  // namespace parlotto::agent
