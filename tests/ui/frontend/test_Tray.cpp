// The tray icon and its popup menu, alone and driven by the main form.
#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>

#include "QtPrinters.h"
#include "StartformFixture.h"
#include "ui/QtTray.h"

namespace tavik {
namespace {

QAction* entry(QtTray& tray, const char* name) { return tray.menu().findChild<QAction*>(QString::fromUtf8(name)); }

QImage image(const QIcon& icon) { return icon.pixmap(TrayPictures::kTraySize).toImage(); }

TEST(TrayMenu, EntriesCaptionsAndPicturesInMenuOrder) {
    QtTray tray({});
    struct Row {
        const char* name;
        const char* caption;  // empty for a separator
        std::optional<MenuPicture> picture;
    };
    const std::vector<Row> rows = {
        {"menu_popup_anmeldung", "   &Anmelden", MenuPicture::Anmelden},
        {"menu_popup_info", "   &Info", MenuPicture::Info},
        {"menu_popup_legende", "   &Legende", MenuPicture::Legende},
        {"m0", "", std::nullopt},
        {"menu_popup_user", "   &Setup", MenuPicture::Setup},
        {"m1", "", std::nullopt},
        {"menu_test", "   &Test", MenuPicture::Test},
        {"m2", "", std::nullopt},
        {"menu_popup_exit", "   &Programm beenden", MenuPicture::Beenden},
    };
    const auto actions = tray.menu().actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        QAction* action = actions[static_cast<qsizetype>(i)];
        EXPECT_EQ(action->objectName(), QString::fromUtf8(rows[i].name));
        EXPECT_EQ(action->isSeparator(), !rows[i].picture.has_value());
        if (!rows[i].picture) continue;
        EXPECT_EQ(action->text(), QString::fromUtf8(rows[i].caption));
        EXPECT_EQ(action->icon().pixmap(TrayPictures::kMenuSize).toImage(),
                  TrayPictures::menuIcon(*rows[i].picture).pixmap(TrayPictures::kMenuSize).toImage());
    }
    EXPECT_EQ(tray.menu().objectName(), QStringLiteral("menu_popup"));
}

TEST(TrayMenu, EachEntryRunsItsOwnHandler) {
    std::vector<std::string> ran;
    auto record = [&](const char* what) { return [&ran, what] { ran.emplace_back(what); }; };
    QtTray tray({record("anmeldung"), record("info"), record("legende"), record("user"), record("test"),
                 record("exit")});
    for (const char* name : {"menu_popup_anmeldung", "menu_popup_info", "menu_popup_legende", "menu_popup_user",
                             "menu_test", "menu_popup_exit"})
        entry(tray, name)->trigger();
    EXPECT_EQ(ran, (std::vector<std::string>{"anmeldung", "info", "legende", "user", "test", "exit"}));
}

TEST(TrayMenu, OnlyARightPressOrALeftDoubleClickOpensTheMenu) {
    QtTray tray({});
    tray.add(kIconInformation, "");
    tray.hookMenu();
    const std::vector<std::pair<QSystemTrayIcon::ActivationReason, bool>> rows = {
        {QSystemTrayIcon::Context, true},       // right button pressed
        {QSystemTrayIcon::DoubleClick, true},   // left double click
        {QSystemTrayIcon::Trigger, false},      // single left click
        {QSystemTrayIcon::MiddleClick, false},  // middle button
        {QSystemTrayIcon::Unknown, false},      // anything else the area reports
    };
    for (const auto& [reason, opens] : rows) {
        SCOPED_TRACE(static_cast<int>(reason));
        emit tray.icon().activated(reason);
        EXPECT_EQ(tray.menu().isVisible(), opens);
        tray.menu().hide();
    }
    // Hooking twice must not open the menu twice or keep it hooked after one unhook.
    tray.hookMenu();
    tray.unhookMenu();
    emit tray.icon().activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(tray.menu().isVisible()) << "after unhooking the icon's events reach nobody";
    EXPECT_EQ(tray.icon().contextMenu(), nullptr) << "Qt would open a context menu on its own";
}

TEST(TrayIcon, TooltipShowsAtMost63CharactersWithQtLineBreaks) {
    const std::string seventy(70, 'x');
    std::string wide;
    for (int i = 0; i < 70; ++i) wide += "ä";
    struct Row {
        const char* name;
        std::string tooltip;
        QString shown;
    };
    const std::vector<Row> rows = {
        {"empty", "", ""},
        {"63 characters stay whole", std::string(63, 'a'), QString(63, QLatin1Char('a'))},
        {"64 characters lose the last", std::string(64, 'a'), QString(63, QLatin1Char('a'))},
        {"counted in characters, not bytes", wide, QString(63, QChar(0x00E4))},
        {"CR breaks the line", "Tavik6 V6.10\rStand : 14. April 2005", "Tavik6 V6.10\nStand : 14. April 2005"},
        {"CR LF breaks it once", "a\r\nb", "a\nb"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QtTray::tooltipText(row.tooltip), row.shown);
    }
    QtTray tray({});
    tray.add(kIconInformation, seventy);
    EXPECT_EQ(tray.icon().toolTip().size(), 63);
}

// The main form over fakes, with the real tray.
class TrayWithMainForm : public StartformFixture {
protected:
    void SetUp() override {
        StartformFixture::SetUp();
        build();
    }
    void TearDown() override {
        form.reset();
        StartformFixture::TearDown();
    }
    Tray& trayPort() override { return tray; }
    std::string ipUrl(const std::string& user, const std::string& password) const {
        return "http://" + environment.service + "/cgi-bin/server/tavik6/readip6.cgi?" + user + "&" + password +
               "&6.10";
    }
    // Stands in for the fixture's recording tray.
    QtTray tray{{[this] { form->menu_popup_anmeldung_Click(); }, [this] { form->menu_popup_info_Click(); },
                 [this] { form->menu_popup_legende_Click(); }, [this] { form->menu_popup_user_Click(); },
                 [this] { form->menu_test_Click(); }, [] {}}};
};

const std::string kAccepted = "220;;;50+10.0.0.7+firma-server;1;;;6.10;;;";

TEST_F(TrayWithMainForm, StartShowsTheInfoPictureWithAnEmptyTooltip) {
    form->Form_Load();
    EXPECT_TRUE(tray.icon().isVisible());
    EXPECT_EQ(tray.state(), kIconInformation);
    EXPECT_EQ(image(tray.icon().icon()), image(TrayPictures::stateIcon(kIconInformation)));
    EXPECT_EQ(tray.icon().toolTip(), QString());
    EXPECT_FALSE(tray.statusOnline());
    EXPECT_EQ(tray.statusPicture().toImage(), TrayPictures::statusPixmap(false).toImage());
}

TEST_F(TrayWithMainForm, PictureAndTooltipFollowTheCycle) {
    form->Form_Load();
    struct Row {
        const char* name;
        bool answered;
        int state;
        QString tooltip;
        bool online;
    };
    const std::vector<Row> rows = {
        // name, version, date, the counter field and the server name
        {"accepted", true, kIconConnected, "Tavik6 V6.10\nStand:14. April 2005\nCounter:1\nfirma-server", true},
        {"failed", false, kIconOffline, "Keine Verbindung", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.answered)
            transfer.standing[ipUrl("k1", "pw")] = {true, kAccepted};
        else
            transfer.standing.erase(ipUrl("k1", "pw"));
        form->form().setMerkerFrame1("Offline");
        form->Timer1_Timer();
        EXPECT_EQ(tray.state(), row.state);
        EXPECT_EQ(image(tray.icon().icon()), image(TrayPictures::stateIcon(row.state)));
        EXPECT_EQ(tray.icon().toolTip(), row.tooltip);
        EXPECT_EQ(tray.statusOnline(), row.online);
        EXPECT_EQ(tray.statusPicture().toImage(), TrayPictures::statusPixmap(row.online).toImage());
    }
    // Each change holds the cycle a second so the user can see the picture.
    EXPECT_FALSE(clock.sleeps.empty());
}

TEST_F(TrayWithMainForm, ExitEntryIsDisabledWhileARequestRuns) {
    form->Form_Load();
    transfer.standing[ipUrl("k1", "pw")] = {true, kAccepted};
    std::optional<bool> enabledDuringRequest;
    int stateDuringRequest = -1;
    transfer.duringRequest = [&](const std::string&) {
        enabledDuringRequest = entry(tray, "menu_popup_exit")->isEnabled();
        stateDuringRequest = tray.state();
    };
    form->Timer1_Timer();
    ASSERT_TRUE(enabledDuringRequest.has_value());
    EXPECT_FALSE(*enabledDuringRequest);
    EXPECT_EQ(stateDuringRequest, kIconRequestStarted);
    EXPECT_TRUE(entry(tray, "menu_popup_exit")->isEnabled());
}

TEST_F(TrayWithMainForm, SetupEntryReloadsTheUserDataAndRunsACycleAtOnce) {
    form->Form_Load();
    transfer.standing[ipUrl("k1", "pw")] = {true, kAccepted};
    transfer.standing[ipUrl("k2", "neu")] = {true, kAccepted};
    form->Timer1_Timer();
    ASSERT_EQ(tray.state(), kIconConnected);  // online: the next regular request is minutes away

    windows.whileOpen = [&] {
        store("User", "k2");
        store("Passwort", "neu");
    };
    std::vector<int> statesDuringRequest;
    transfer.duringRequest = [&](const std::string&) { statesDuringRequest.push_back(tray.state()); };
    entry(tray, "menu_popup_user")->trigger();

    EXPECT_EQ(windows.shown, (std::vector<std::string>{"Parameter:Userdaten (Tavik6)"}));
    EXPECT_EQ(g.User, "k2");
    ASSERT_FALSE(transfer.requested.empty());
    EXPECT_EQ(transfer.requested.back(), ipUrl("k2", "neu"));
    EXPECT_EQ(statesDuringRequest, (std::vector<int>{kIconRequestStarted}));
    EXPECT_EQ(tray.state(), kIconConnected);
}

TEST_F(TrayWithMainForm, ExitRemovesTheIconAndUnhooksTheMenu) {
    form->Form_Load();
    EXPECT_THROW(form->menu_popup_exit_Click(), ProgramEnded);
    EXPECT_FALSE(tray.icon().isVisible());
    emit tray.icon().activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(tray.menu().isVisible());
}

}  // namespace
}  // namespace tavik
