// What a page may load. A page that the user opened from a file runs its
// scripts with the user's rights to read files, and a page from the web may
// be anyone's: neither may carry the user's files away.
//  - A local page reaches no network at all (no fetch, no WebSocket, no
//    beacon, no navigation to the web), and of the local files only itself
//    and the parts of a page saved beside it: frames, stylesheets, scripts,
//    images, fonts and media from its own folder or below, none of them
//    hidden (a name starting with "."), never through a link out of that
//    folder, and never read by a script (fetch, XHR).
//  - A page from the web never reaches a local file.
// Judged by the address the client navigated to and by where the request
// comes from, so that a local page's last requests stay bound after the
// browser has moved on to the web.
#pragma once

#include <QUrl>

namespace parlotto::browser {

enum class RequestKind {
  kDocument,  // the page or a frame
  kPart,      // what renders a document: stylesheet, script, image, font, media
  kOther,     // whatever a script asks for: fetch, XHR, WebSocket, beacon, workers, ...
};

struct PageRequest {
  QUrl target;
  RequestKind kind = RequestKind::kOther;
  QUrl first_party;  // the top document's address, as the engine names it
  QUrl initiator;    // the origin that made the request, when known
};

// Whether the page that the client navigated to `page` may make `request`.
bool MayLoad(const QUrl& page, const PageRequest& request);

}  // namespace parlotto::browser
