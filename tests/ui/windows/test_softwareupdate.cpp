// The browser window: the helper process it starts, and the helper itself.
#include <httplib.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <thread>

#include "WindowsFixture.h"
#include "ui/softwareupdate.h"

namespace tavik {
namespace {

using BrowserWindow = WindowsTest;

TEST_F(BrowserWindow, StartsTheHelperWithTheAddressAsItsOneArgumentAndWaits) {
    // The helper leaves its arguments behind only once it ends, so the file
    // is complete exactly when showing the window has waited for it.
    folder.script("tavik6-browser",
                  "dir=$(dirname \"$0\")\nfor a in \"$@\"; do echo \"$a\"; done > \"$dir/args.tmp\"\n"
                  "mv \"$dir/args.tmp\" \"$dir/args.txt\"");
    softwareupdate window(folder.path);
    window.Tag = "http://127.0.0.1:8080/cgi-bin/server/server.cgi?K 1&x=\"$(true)\";ls";
    EXPECT_TRUE(window.showModal());
    EXPECT_EQ(folder.read("args.txt"), window.Tag + "\n");
}

TEST_F(BrowserWindow, MissingHelperIsReportedAndWaitsForNothing) {
    softwareupdate window(folder.path);
    window.Tag = "http://127.0.0.1:8080/";
    EXPECT_FALSE(window.showModal());
}

// The real helper on a page served on loopback; skipped where the browser
// engine cannot start on this machine.
TEST(BrowserHelper, LoadsALoopbackPage) {
    const QString bin = qEnvironmentVariable("TAVIK_BIN_DIR");
    if (bin.isEmpty()) GTEST_SKIP() << "TAVIK_BIN_DIR not set";
    httplib::Server server;
    server.Get("/seite", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><head><title>Tavik Testseite</title></head><body>ok</body></html>", "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { server.listen_after_bind(); });

    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    helper.setProcessEnvironment(environment);
    helper.start(bin + QStringLiteral("/tavik6-browser"),
                 {QStringLiteral("--print-title"), QStringLiteral("http://127.0.0.1:%1/seite").arg(port)});
    // A generous limit only decides whether the engine runs here at all.
    const bool finished = helper.waitForFinished(120000);
    if (!finished) helper.kill();
    helper.waitForFinished();
    server.stop();
    serving.join();

    if (!finished || helper.exitStatus() != QProcess::NormalExit || helper.exitCode() == 3)
        GTEST_SKIP() << "the browser engine does not run here: "
                     << helper.readAllStandardError().left(400).toStdString();
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(helper.readAllStandardOutput()).trimmed(), QStringLiteral("Tavik Testseite"));
}

}  // namespace
}  // namespace tavik
