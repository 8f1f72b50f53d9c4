// The questions the server asks a page about one of its documents, as
// scripts that run in the page, and their answers read back. The engine has
// no frame API: a frame's document is reached from the page's window through
// window.frames, which also tells a frame of another origin (its document
// throws) from one that is not there.
#pragma once

#include <QString>
#include <QVariant>
#include <vector>

namespace parlotto::browser {

// Where a document is: the page's own (empty), or the indices into
// window.frames from the page's window down to the frame's.
using FramePath = std::vector<int>;

enum class FrameQuestion { kFrameCount, kHasBody, kBodyText };

// The script answering `question` for the document at `path`. The body's
// text is cut to `text_limit` UTF-16 units inside the page (never in the
// middle of a surrogate pair), so that no more than that crosses to the
// server.
QString FrameScript(const FramePath& path, FrameQuestion question, int text_limit);

struct FrameAnswer {
  enum class Status {
    kAnswered,
    kNoSuchFrame,  // the path leads nowhere (the page changed meanwhile)
    kDenied,       // a document of another origin
    kNoAnswer,     // the script failed, timed out, or the page went away
  };
  Status status = Status::kNoAnswer;
  int frame_count = 0;
  bool has_body = false;
  QString text;
};

// The answer in the result of FrameScript; kNoAnswer for anything else.
FrameAnswer ReadFrameAnswer(const QVariant& result);

}  // namespace parlotto::browser
