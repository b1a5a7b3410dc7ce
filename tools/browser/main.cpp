// tavik6-browser: the program's browser window, in a process of its own so
// that the resident program never loads a browser engine.
//   tavik6-browser URL                 shows the page until the window is closed
//   tavik6-browser --print-title URL   loads the page without showing it,
//                                      prints its title and ends (for checks)
#include <unistd.h>

#include <QApplication>
#include <QStringList>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>

#include "BrowserWindow.h"
#include "ui/GermanQtTexts.h"

namespace {

constexpr int kUsageError = 64;
constexpr int kLoadFailed = 2;
constexpr int kEngineFailed = 3;

}  // namespace

int main(int argc, char** argv) {
    // The browser engine's sandbox refuses to run as root.
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // The engine shares its drawing contexts with the widgets; it must be told before start.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavik6-browser"));
    tavik::GermanQtTexts qtTexts(QLocale::system(), {QStringLiteral("qtbase"), QStringLiteral("qtwebengine")});
    tavik::installGermanQtTexts(qtTexts, "tavik6-browser");

    QStringList arguments = QApplication::arguments().mid(1);
    const bool printTitle = arguments.removeAll(QStringLiteral("--print-title")) > 0;
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: tavik6-browser [--print-title] URL\n");
        return kUsageError;
    }

    tavik::BrowserWindow window;
    if (printTitle) {
        QObject::connect(window.WebBrowser1(), &QWebEngineView::loadFinished, &app, [&](bool ok) {
            if (ok) std::printf("%s\n", window.WebBrowser1()->title().toUtf8().constData());
            std::fflush(stdout);
            QApplication::exit(ok ? 0 : kLoadFailed);
        });
        QObject::connect(window.WebBrowser1()->page(), &QWebEnginePage::renderProcessTerminated, &app,
                         [] { QApplication::exit(kEngineFailed); });
    } else {
        window.show();
    }
    window.navigate(arguments.front());
    return QApplication::exec();
}
