#include "core/SetupWizard.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/MemoryRegistry.h"

namespace tavik {
namespace {

class Wizard : public ::testing::Test {
protected:
    std::string stored(const std::string& name) {
        auto value = registry.readValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", name);
        return value ? value->data : std::string("<absent>");
    }
    void run(std::initializer_list<std::optional<std::string>> answers) {
        dialogs.answers.assign(answers.begin(), answers.end());
        wizard.run();
    }

    MemoryRegistry registry;
    FakeDialogs dialogs;
    FakeClock clock;
    RwModul rw{registry, dialogs};
    TavikGlobal g = [] {
        TavikGlobal global;
        global.Profil = "Tavik6";
        return global;
    }();
    SetupWizard wizard{g, rw, dialogs, clock};
};

TEST_F(Wizard, CompletedRunStoresTheAnswersAndMarksTheProfileInstalled) {
    clock.current = {2026, 12, 8, 10, 0, 0};
    EXPECT_TRUE(wizard.isFirstStart());
    run({"K1001ABC", "GeHeim", "1) Direkt per Modem/ISDN"});
    EXPECT_EQ(stored("User"), "k1001abc");
    EXPECT_EQ(stored("Passwort"), "geheim");
    EXPECT_EQ(stored("Proxyserver"), "0");
    EXPECT_EQ(stored("Install"), "08.12.2026");
    EXPECT_FALSE(wizard.isFirstStart());

    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text.rfind("Dieses ist der erste Start.\r\r", 0), 0u);
    EXPECT_EQ(dialogs.boxes[1].text.rfind("Herzlichen Glückwunsch.\r\rIhre EIngaben wurden gespeichert.\r", 0), 0u);
    EXPECT_EQ(dialogs.boxes[1].icon, MessageIcon::Information);
    EXPECT_EQ(dialogs.boxes[1].title, "Tavik6");
}

TEST_F(Wizard, ShowsThreeStepsWithTheirTextsAndTheConnectionChoices) {
    run({"k1", "pw", "2) Indirekt über einen Router/Proxyserver/LAN"});
    ASSERT_EQ(dialogs.questions.size(), 3u);
    EXPECT_EQ(dialogs.questions[0].caption, "Neue Verbindung herstellen");
    EXPECT_EQ(dialogs.questions[0].stepText, "Schritt 1 von 3");
    EXPECT_EQ(dialogs.questions[1].question, "Geben Sie Ihr Passwort ein.\rDiese wurde Ihnen per eMail zugesand.");
    EXPECT_EQ(dialogs.questions[2].choices,
              (std::vector<std::string>{"1) Direkt per Modem/ISDN", "2) Indirekt über einen Router/Proxyserver/LAN"}));
    EXPECT_EQ(dialogs.questions[2].presetAnswer, "1) Direkt per Modem/ISDN");
    EXPECT_EQ(stored("Proxyserver"), "1");
}

TEST_F(Wizard, ThirdAnswerStoresItsLeadingNumberMinusOne) {
    struct Row {
        std::string answer, stored;
    };
    for (const Row& row : {Row{"1) Direkt per Modem/ISDN", "0"}, Row{"2) Indirekt", "1"}, Row{"3", "2"},
                           Row{"Router", "-1"}, Row{"", "-1"}}) {
        run({"k1", "pw", row.answer});
        EXPECT_EQ(stored("Proxyserver"), row.stored) << row.answer;
    }
}

TEST_F(Wizard, CancelInStepTwoKeepsTheUserAndLeavesTheProfileNotInstalled) {
    run({"K1", "cancel"});
    EXPECT_EQ(stored("User"), "k1");
    EXPECT_EQ(stored("Passwort"), "<absent>");
    EXPECT_EQ(stored("Proxyserver"), "<absent>");
    EXPECT_EQ(stored("Install"), "<absent>");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Der Setupassistent wird nun beendet.");
    EXPECT_TRUE(wizard.isFirstStart()) << "the next start asks again";
}

TEST_F(Wizard, OnlyTheExactWordCancelCancels) {
    run({"Cancel", "CANCEL", "cancel"});
    EXPECT_EQ(stored("User"), "cancel");
    EXPECT_EQ(stored("Passwort"), "cancel");
    EXPECT_EQ(stored("Install"), "<absent>");
    EXPECT_EQ(dialogs.questions.size(), 3u);
}

TEST_F(Wizard, EmptyAnswerIsStoredEmpty) {
    run({"", "", "1) Direkt per Modem/ISDN"});
    EXPECT_EQ(rw.read("Tavik6", "User"), "");
    EXPECT_EQ(stored("Install"), "08.12.2026");
}

TEST_F(Wizard, ClosingTheWindowOtherwiseCancels) {
    run({"K1", std::nullopt});
    EXPECT_EQ(stored("User"), "k1");
    EXPECT_EQ(stored("Passwort"), "<absent>") << "the customer number must not become the password";
    EXPECT_EQ(stored("Install"), "<absent>");
    EXPECT_EQ(dialogs.boxes.back().text, "Der Setupassistent wird nun beendet.");
}

}  // namespace
}  // namespace tavik
