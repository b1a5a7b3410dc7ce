// The settings window: loading, the check-box handlers, saving on closing, the links.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>

#include "WindowsFixture.h"
#include "ui/Parameter.h"

namespace tavik {
namespace {

const char* const kUpdaterMissing =
    "Um diese Funktion ausführen zu können, benötigen Sie das Programm Velmora4.\r"
    "Kopieren Sie dieses nach ";

class ParameterTest : public WindowsTest {
protected:
    std::unique_ptr<Parameter> open() { return std::make_unique<Parameter>(context); }
    void addUpdater() { folder.script("Velmora4", "exit 0"); }
    void addServiceTool() { folder.script("AppToService", "exit 0"); }
    std::string updaterMessage() { return kUpdaterMissing + folder.path.string() + "/"; }
};

TEST_F(ParameterTest, LoadsTheStoredValuesInOrderAndIsTopmost) {
    store("User", "k1001");
    store("Passwort", "geheim");
    store("Proxyserver", "1");
    store("Restart", "0");
    registry.reads.clear();
    auto window = open();

    EXPECT_EQ(window->setup(0)->text(), QStringLiteral("k1001"));
    EXPECT_EQ(window->setup(1)->text(), QStringLiteral("geheim"));
    EXPECT_EQ(window->setup(1)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window->setup(0)->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(window->proxyserver()->isChecked());
    EXPECT_FALSE(window->Restart()->isChecked());
    EXPECT_TRUE(window->tag().empty());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isModal());
    std::vector<std::string> names;
    for (const auto& read : registry.reads) names.push_back(read.name);
    EXPECT_EQ(names, (std::vector<std::string>{"User", "Passwort", "Proxyserver", "ntdienst", "AutoUpdate", "Restart"}));
    EXPECT_TRUE(dialogs.boxes.empty());
}



TEST_F(ParameterTest, TypingOrPressingTheProxyBoxDisablesSetup) {
    form.setMerkerFrame1("Online");
    auto window = open();
    window->show();
    QTest::keyClick(window->setup(0), Qt::Key_Tab);
    EXPECT_TRUE(window->SetUP_Button()->isEnabled());
    QTest::keyClick(window->setup(1), Qt::Key_X);
    EXPECT_FALSE(window->SetUP_Button()->isEnabled());

    window = open();
    window->show();
    QTest::keyClick(window->setup(0), Qt::Key_Backspace);
    EXPECT_FALSE(window->SetUP_Button()->isEnabled());

    window = open();
    window->show();
    QTest::mousePress(window->proxyserver(), Qt::LeftButton);
    EXPECT_FALSE(window->SetUP_Button()->isEnabled());
    window->close();
}

TEST_F(ParameterTest, AutoUpdateWithoutTheUpdaterIsRefusedOnceAndStoredEmpty) {
    store("AutoUpdate", "1");
    auto window = open();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, updaterMessage());
    EXPECT_EQ(dialogs.boxes[0].title, "Programm nicht gefunden.");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Information);
    EXPECT_FALSE(window->AutoUpdate()->isChecked());
    EXPECT_TRUE(window->AppToServiceDownload()->isEnabled());
    EXPECT_EQ(stored("AutoUpdate"), "");

    // The next opening finds nothing to refuse.
    window = open();
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_FALSE(window->AutoUpdate()->isChecked());
    EXPECT_FALSE(window->AppToServiceDownload()->isEnabled());

    // A click is refused the same way.
    window->AutoUpdate()->click();
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_FALSE(window->AutoUpdate()->isChecked());
}





// Every way of closing saves the same four values, the texts lower-cased.
TEST_F(ParameterTest, SavesOnEveryWayOfClosing) {
    form.setMerkerFrame1("Online");
    g.BrowserPfad = "/usr/bin/browser";
    const std::pair<const char*, std::function<void(Parameter&)>> closers[] = {
        {"quit_button", [](Parameter& p) { QTest::mouseClick(p.quit_button(), Qt::LeftButton); }},
        {"close box", [](Parameter& p) { p.close(); }},
        {"Escape", [](Parameter& p) { QTest::keyClick(&p, Qt::Key_Escape); }},
        {"Image1", [](Parameter& p) { QTest::mouseClick(p.Image1(), Qt::LeftButton); }},
        {"AppToServiceDownload",
         [](Parameter& p) {
             p.AppToServiceDownload()->setEnabled(true);
             QTest::mouseClick(p.AppToServiceDownload(), Qt::LeftButton);
         }},
        {"SetUP_Button", [](Parameter& p) { QTest::mouseClick(p.SetUP_Button(), Qt::LeftButton); }},
    };
    for (const auto& [way, closeIt] : closers) {
        store("User", "");
        store("Passwort", "");
        store("Proxyserver", "0");
        store("Restart", "1");
        auto window = open();
        window->show();
        window->setup(0)->setText(QStringLiteral("K1001ÄÖ"));
        window->setup(1)->setText(QStringLiteral("GeHeim&X"));
        window->proxyserver()->setChecked(true);
        closeIt(*window);
        EXPECT_FALSE(window->isVisible()) << way;
        EXPECT_EQ(stored("User"), "k1001äö") << way;
        EXPECT_EQ(stored("Passwort"), "geheim&x") << way;
        EXPECT_EQ(stored("Proxyserver"), "1") << way;
        EXPECT_EQ(stored("Restart"), "0") << way;  // refused at loading: no updater
    }
}

TEST_F(ParameterTest, LinksStartTheBrowserWithTheirPage) {
    g.BrowserPfad = "/usr/bin/browser";
    auto window = open();
    window->show();
    QTest::mouseClick(window->Image1(), Qt::LeftButton);
    window = open();
    window->show();
    window->AppToServiceDownload()->setEnabled(true);
    QTest::mouseClick(window->AppToServiceDownload(), Qt::LeftButton);
    EXPECT_EQ(processes.started, (std::vector<std::string>{"/usr/bin/browser http://127.0.0.1:8081/tavik/update.htm",
                                                            "/usr/bin/browser http://127.0.0.1:8080/V5/de/download.shtml"}));
}

TEST_F(ParameterTest, SetupShowsTheAccountPageAsTypedThenCloses) {
    form.setMerkerFrame1("Online");
    // The page's window stays open until the test has looked at the settings.
    folder.script("tavik6-browser",
                  "dir=$(dirname \"$0\")\nfor a in \"$@\"; do echo \"$a\"; done > \"$dir/args.txt\"\n"
                  "i=0; while [ ! -e \"$dir/release\" ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done");
    auto window = open();
    window->show();
    window->setup(0)->setText(QStringLiteral("K1001"));
    window->setup(1)->setText(QStringLiteral("Pw X&y"));
    // Topmost, the settings would cover the page's window.
    std::optional<bool> settingsVisibleMeanwhile;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (!std::filesystem::exists(folder.path / "args.txt")) return;
        look.stop();
        settingsVisibleMeanwhile = window->isVisible();
        std::ofstream(folder.path / "release");
    });
    look.start();
    QTest::mouseClick(window->SetUP_Button(), Qt::LeftButton);
    EXPECT_EQ(settingsVisibleMeanwhile, std::optional<bool>(false));
    EXPECT_EQ(folder.read("args.txt"),
              "http://127.0.0.1:8080/cgi-bin/server/tavik6/edit.cgi?name=K1001&passwort=Pw X&y\n");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored("User"), "k1001");
}


TEST_F(ParameterTest, ServiceBoxRunsTheToolWithAndWithoutProfile) {
    addServiceTool();
    const std::string tool = (folder.path / "AppToService").string();
    const std::string install = tool + " /Install /Startup:A \"" + folder.path.string() + "/\" Tavik6\"";
    const std::pair<std::string, std::string> rows[] = {
        {"", install},
        {"Kunde A", install + " /Arguments:\"Kunde A\""},
    };
    for (const auto& [arguments, expected] : rows) {
        env.arguments = arguments;
        processes.started.clear();
        auto window = open();
        window->ntdienst()->click();
        EXPECT_EQ(stored("ntdienst"), "1");
        window->ntdienst()->click();
        EXPECT_EQ(stored("ntdienst"), "0");
        EXPECT_EQ(processes.started, (std::vector<std::string>{expected, tool + " /Remove \"Tavik6\""}));
    }
}


TEST_F(ParameterTest, InfoAndHelpOpenTheirWindowsModally) {
    const std::pair<const char*, std::function<QPushButton*(Parameter&)>> rows[] = {
        {"copyright", [](Parameter& p) { return p.info_button(); }},
        {"Hilfe", [](Parameter& p) { return p.Command2(); }},
    };
    for (const auto& [name, buttonOf] : rows) {
        auto window = open();
        window->show();
        QString opened;
        whenModalOpens([&opened](QWidget* modal) { opened = modal->objectName(); });
        QTest::mouseClick(buttonOf(*window), Qt::LeftButton);
        EXPECT_EQ(opened, QString::fromLatin1(name));
        EXPECT_TRUE(window->isVisible());
        window->close();
    }
}

}  // namespace
}  // namespace tavik
