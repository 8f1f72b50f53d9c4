// What the browser loads for a name a client passes, and what its status bar
// says while it does: plain functions, apart from the page that loads.
#pragma once

#include <QString>
#include <QUrl>

namespace parlotto::browser {

// A name that is an existing file (absolute, or relative to the server's
// directory) is that local file; anything else is an address as a user
// would type it ("example.org" is http://example.org). Empty when the name
// is neither, or names a local folder, FIFO or device.
QUrl AddressOf(const QString& name);

// The status texts, as a German browser words them.
QString ConnectingText(const QUrl& address);
QString LoadingText(int percent);
QString DoneText();

}  // namespace parlotto::browser
