// What a page may load, judged on real files: a local page its own parts
// and nothing of the network, a web page nothing local.
#include "browsersvr/browser_pages/request_policy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/scratch_dir.h"

namespace parlotto::browser {
namespace {

namespace fs = std::filesystem;

TEST(RequestPolicyTest, ALocalPageLoadsOnlyItsOwnPartsAndNoNetwork) {
  testing::ScratchDir dir;
  const fs::path site = dir.path() / "seite";
  fs::create_directories(site / "seite_files");
  fs::create_directories(site / ".geheim");
  for (const char* name :
       {"seite.html", "rahmen.html", "seite_files/stil.css", ".geheim/a.txt", ".netrc"}) {
    testing::WriteFile((site / name).string(), "x");
  }
  testing::WriteFile(dir.File("privat.txt"), "Geheim");
  fs::create_symlink(dir.File("privat.txt"), site / "verweis.txt");
  ASSERT_EQ(mkfifo((site / "fifo.html").c_str(), 0600), 0);

  const QUrl page = QUrl::fromLocalFile(QString::fromStdString((site / "seite.html").string()));
  auto local = [&](const std::string& name) {
    return QUrl::fromLocalFile(QString::fromStdString((site / name).lexically_normal().string()));
  };
  const QUrl web(QStringLiteral("http://127.0.0.1:8080/x"));
  const QUrl socket(QStringLiteral("ws://127.0.0.1:8080/x"));
  const struct {
    const char* what;
    QUrl target;
    RequestKind kind;
    bool allowed;
  } cases[] = {
      {"the page itself", page, RequestKind::kDocument, true},
      {"a frame beside it", local("rahmen.html"), RequestKind::kDocument, true},
      {"a stylesheet below it", local("seite_files/stil.css"), RequestKind::kPart, true},
      {"inline data", QUrl(QStringLiteral("data:text/plain,x")), RequestKind::kOther, true},
      {"a file read by a script", local("rahmen.html"), RequestKind::kOther, false},
      {"a file above its folder", local("../privat.txt"), RequestKind::kDocument, false},
      {"a link out of its folder", local("verweis.txt"), RequestKind::kPart, false},
      {"a hidden file", local(".netrc"), RequestKind::kPart, false},
      {"a file in a hidden folder", local(".geheim/a.txt"), RequestKind::kDocument, false},
      {"a FIFO", local("fifo.html"), RequestKind::kDocument, false},
      {"a web address", web, RequestKind::kPart, false},
      {"a web page to move to", web, RequestKind::kDocument, false},
      {"a WebSocket", socket, RequestKind::kOther, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MayLoad(page, {c.target, c.kind, page, page}), c.allowed);
  }

  // The browser moved on to the web; the local page's last beacon stays home.
  EXPECT_FALSE(MayLoad(web, {web, RequestKind::kOther, page, QUrl(QStringLiteral("file:///"))}));
  // A web page reaches the web, but nothing local, not even the old page.
  EXPECT_TRUE(MayLoad(web, {socket, RequestKind::kOther, web, web}));
  EXPECT_FALSE(MayLoad(web, {page, RequestKind::kDocument, web, web}));
}

}  // namespace
}  // namespace parlotto::browser
