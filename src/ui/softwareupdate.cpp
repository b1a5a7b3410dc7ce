#include "ui/softwareupdate.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringList>

namespace tavik {

softwareupdate::softwareupdate(std::filesystem::path programFolder) : programFolder_(std::move(programFolder)) {}

bool softwareupdate::showPage(const std::filesystem::path& programFolder, const std::string& url) {
    softwareupdate window(programFolder);
    window.Tag = url;
    return window.showModal();
}

bool softwareupdate::showModal() {
    QProcess helper;
    // The page is the helper's one argument, whatever characters it holds;
    // no shell sees it.
    helper.setProgram(QString::fromStdString((programFolder_ / kHelperName).string()));
    helper.setArguments({QString::fromStdString(Tag)});
    helper.setProcessChannelMode(QProcess::ForwardedChannels);

    QEventLoop loop;
    bool failedToStart = false;
    QObject::connect(&helper, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&helper, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failedToStart = true;
            loop.quit();
        }
    });
    helper.start();
    if (!failedToStart && helper.state() != QProcess::NotRunning) loop.exec();
    return !failedToStart && helper.exitStatus() == QProcess::NormalExit;
}

}  // namespace tavik
