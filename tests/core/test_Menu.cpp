#include "StartformFixture.h"

namespace tavik {
namespace {

const std::string kAccepted = "220;;;50+10.0.0.7+firma-server;1;;;6.10;;;";

class Menu : public StartformFixture {};

TEST_F(Menu, SetupOpensTheSettingsThenReloadsTheUserDataAndRunsACycleAtOnce) {
    load();
    answerIpRequests(kAccepted);
    form->Timer1_Timer();  // online: the next regular request is minutes away
    ASSERT_EQ(form->form().MerkerFrame1(), "Online");
    const auto requestsBefore = transfer.requested.size();

    windows.whileOpen = [&] {
        store("User", "k2");
        store("Passwort", "neu");
    };
    const auto trayBefore = tray.changes.size();
    form->menu_popup_user_Click();

    EXPECT_EQ(windows.shown, (std::vector<std::string>{"Parameter:Userdaten (Tavik6)"}));
    EXPECT_EQ(g.User, "k2");
    ASSERT_EQ(transfer.requested.size(), requestsBefore + 1);
    EXPECT_EQ(transfer.requested.back(), "http://" + environment.service + "/cgi-bin/server/tavik6/readip6.cgi?k2&neu&6.10");
    EXPECT_EQ(trayStatesSince(trayBefore).front(), kIconRequestStarted);
}

TEST_F(Menu, EmptyStatusCaptionShowsTheOnlinePicture) {
    load();
    EXPECT_FALSE(tray.statusOnline);
    failIpRequests();
    windows.whileOpen = [&] { EXPECT_FALSE(tray.statusOnline); };
    bool pictureDuringCycle = false;
    transfer.duringRequest = [&](const std::string&) { pictureDuringCycle = tray.statusOnline; };
    form->menu_popup_user_Click();
    EXPECT_TRUE(pictureDuringCycle) << "any caption but Offline shows the online picture";
    EXPECT_FALSE(tray.statusOnline) << "the failed request went back offline";
}

TEST_F(Menu, PagesOpenInTheBrowserOrTheBrowserWindow) {
    load();
    g.BrowserPfad = "/usr/bin/firefox";
    form->menu_popup_anmeldung_Click();
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0], "/usr/bin/firefox http://" + environment.service + "/V5/de/anmeldung.shtml");

    form->menu_test_Click();
    form->menu_popup_info_Click();
    form->menu_popup_legende_Click();
    EXPECT_EQ(windows.shown, (std::vector<std::string>{
                                 "softwareupdate:http://" + environment.service + "/cgi-bin/server/server.cgi?k1",
                                 "copyright", "legende"}));
}

}  // namespace
}  // namespace tavik
