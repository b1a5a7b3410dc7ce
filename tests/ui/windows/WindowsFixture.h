#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "state/FormState.h"
#include "state/TavikGlobal.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/MemoryRegistry.h"
#include "settings/RwModul.h"
#include "forms/FormContext.h"

namespace tavik {

// A program folder in a temporary directory, removed afterwards.
class TempProgramFolder {
public:
    TempProgramFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavik-windows-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempProgramFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    // A shell script, executable, with `body` after the first line.
    void script(const std::string& name, const std::string& body) const {
        std::ofstream(path / name) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path / name, std::filesystem::perms::owner_all);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path / name);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path path;
};

// Everything a window reaches the program through, over fakes.
class WindowsTest : public ::testing::Test {
protected:
    WindowsTest() {
        g.Profil = "Tavik6";
        g.ProgVersion = "6.10";
        env.folder = folder.path;
    }
    void SetUp() override { ASSERT_FALSE(folder.path.empty()); }

    void store(const char* name, const std::string& value) { rw.write(g.Profil, name, value); }
    std::string stored(const char* name) { return rw.read(g.Profil, name); }

    // Runs `atModal` with the next modal window once it is open, then
    // closes that window if it is still open.
    static void whenModalOpens(std::function<void(QWidget*)> atModal) {
        auto* poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, atModal] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            poll->stop();
            poll->deleteLater();
            atModal(modal);
            if (modal->isVisible()) modal->close();
        });
        poll->start();
    }

    TempProgramFolder folder;
    TavikGlobal g;
    FormState form;
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
    FakeProcesses processes;
    FakeEnvironment env;
    FakeClock clock;
    FormContext context{g, form, rw, dialogs, processes, env, clock};
};

}  // namespace tavik
