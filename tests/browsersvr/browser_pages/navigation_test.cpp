// What a name that a client passes to Navigate2 becomes, and the status
// texts around it.
#include "browsersvr/browser_pages/navigation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

#include "support/scratch_dir.h"

namespace parlotto::browser {
namespace {

TEST(NavigationTest, AnExistingFileIsLocalWhetherNamedAbsolutelyOrRelatively) {
  testing::ScratchDir dir;
  testing::WriteFile(dir.File("seite.html"), "<p>x</p>");
  const QString absolute = QString::fromStdString(dir.File("seite.html"));
  EXPECT_EQ(AddressOf(absolute), QUrl::fromLocalFile(absolute));

  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path().string())));
  const QUrl relative = AddressOf(QStringLiteral("seite.html"));
  QDir::setCurrent(before);
  EXPECT_TRUE(relative.isLocalFile());
  EXPECT_EQ(relative.toLocalFile(), absolute);
}

TEST(NavigationTest, AnythingElseIsAnAddressAsAUserWouldTypeIt) {
  EXPECT_EQ(AddressOf(QStringLiteral("http://127.0.0.1:8080/a b.html")).toString(),
            QStringLiteral("http://127.0.0.1:8080/a b.html"));
  EXPECT_EQ(AddressOf(QStringLiteral(" example.org/seite ")),
            QUrl(QStringLiteral("http://example.org/seite")));
  // A missing file is not turned into a local address that cannot load.
  EXPECT_FALSE(AddressOf(QStringLiteral("fehlt-hier.html")).isLocalFile());
  EXPECT_TRUE(AddressOf(QString()).isEmpty());
  // A folder is no page, and a FIFO would hold the engine.
  testing::ScratchDir dir;
  const std::string fifo = dir.File("fifo.html");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {dir.path().string(), fifo, "file://" + fifo}) {
    EXPECT_TRUE(AddressOf(QString::fromStdString(name)).isEmpty()) << name;
  }
  EXPECT_TRUE(AddressOf(QStringLiteral("   ")).isEmpty());
}

TEST(NavigationTest, TheStatusTextsNameTheHostAndTheProgressInGerman) {
  EXPECT_EQ(ConnectingText(QUrl(QStringLiteral("https://www.example.org:444/x"))),
            QStringLiteral("Verbindung mit www.example.org wird hergestellt..."));
  EXPECT_EQ(ConnectingText(QUrl::fromLocalFile(QStringLiteral("/tmp/a.html"))),
            QStringLiteral("Webseite wird geöffnet..."));
  EXPECT_EQ(LoadingText(45), QStringLiteral("Webseite wird geladen (45 %)..."));
  EXPECT_EQ(DoneText(), QStringLiteral("Fertig"));
}

}  // namespace
}  // namespace parlotto::browser
