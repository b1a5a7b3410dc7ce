// The info window, the about window and the wizard's question window, over
// views without a window.
#include <gtest/gtest.h>

#include "FakeViews.h"
#include "platform/fakes/FakeClock.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// One window at a time: a message while it is open replaces the text and
// does not restart the ten seconds; after it closed (timer, Quit or Setup)
// the next message loads a new one. Setup closes it before the settings open.
TEST(InfoFormTest, OneWindowWhoseTimeCountsFromLoading) {
    TavikGlobal g;
    g.Profil = "Kunde A";
    FakeInfoView view;
    InfoForm form(view, g);
    std::vector<std::string> callsAtSetup;
    form.setSetupAction([&] { callsAtSetup = view.calls; });

    form.showMessage("Fehler beim Laden.");
    form.showMessage("Datei nicht gefunden.");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"load", "topmost", "timer 10000", "show", "show"}));
    EXPECT_EQ(view.caption, "Tavik - Warnung  [Kunde A]");
    EXPECT_EQ(view.text, "Datei nicht gefunden.");

    const std::pair<const char*, void (InfoForm::*)()> closers[] = {
        {"timer", &InfoForm::Timer1_Timer},
        {"Quit", &InfoForm::quit_button_Click},
        {"Setup", &InfoForm::SetUP_Button_Click},
    };
    for (const auto& [name, closeIt] : closers) {
        SCOPED_TRACE(name);
        view.calls.clear();
        (form.*closeIt)();
        EXPECT_FALSE(form.loaded());
        EXPECT_EQ(view.calls, (std::vector<std::string>{"stop timer", "close"}));
        form.showMessage("Kein Server. Bitte Verbindung zum Internet herstellen.");
        EXPECT_EQ(view.calls.at(2), "load");
    }
    EXPECT_EQ(callsAtSetup, (std::vector<std::string>{"stop timer", "close"})) << "Setup runs after closing";

    // A window that cannot be made leaves the form unloaded and says so, so
    // the message can go elsewhere and the next one tries a window again.
    FakeInfoView failing;
    failing.windowLoads = false;
    InfoForm lost(failing, g);
    EXPECT_FALSE(lost.showMessage("Fehler beim Laden."));
    EXPECT_FALSE(lost.loaded());
    failing.windowLoads = true;
    EXPECT_TRUE(lost.showMessage("Datei nicht gefunden."));
    EXPECT_EQ(failing.calls, (std::vector<std::string>{"load", "load", "topmost", "timer 10000", "show"}));
}

TEST(CopyrightFormTest, MakerLineShowsTheYearOfLoading) {
    TavikGlobal g;
    g.ProgVersion = "6.10";
    FakeClock clock;
    const std::pair<int, const char*> rows[] = {{2005, "© 2005 Kovrin Software"},
                                                {2026, "© 2005-2026 Kovrin Software"},
                                                {2031, "© 2005-2031 Kovrin Software"}};
    for (const auto& [year, line] : rows) {
        clock.current.year = year;
        FakeCopyrightView view;
        CopyrightForm form(view, g, clock);
        form.Form_Load();
        form.Form_Activate();
        EXPECT_EQ(view.lines, (std::array<std::string, 3>{"Version : 6.10", "Stand : 14. April 2005", line}));
        EXPECT_EQ(view.caption, "Versionsinfo über Tavik6 6.10");
    }
}

// OK may be pressed only with an answer, but Enter answers even an empty
// box; Abbrechen answers "cancel"; any other way of closing answers nothing.
TEST(DialogFormTest, AnswersByButtonOrEnter) {
    struct Row {
        const char* name;
        const char* typed;
        void (*act)(DialogForm&);
        bool okEnabled;
        std::optional<std::string> answer;
    };
    const Row rows[] = {
        {"OK", "K1001", [](DialogForm& f) { f.OKButton_Click(); }, true, "K1001"},
        {"Enter, empty", "", [](DialogForm& f) { f.antwort1_KeyDown(FormKey::Enter); }, false, ""},
        {"other key", "x", [](DialogForm& f) { f.antwort1_KeyDown(FormKey::Other); }, true, std::nullopt},
        {"Abbrechen", "K1001", [](DialogForm& f) { f.CancelButton_Click(); }, true, "cancel"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeDialogView view;
        DialogForm form(view, {"Neue Verbindung herstellen", "Schritt 3 von 3", "Frage", {"1) a", "2) b"}, "1) a"});
        form.Form_Load();
        EXPECT_EQ(view.choices, (std::vector<std::string>{"1) a", "2) b"}));
        EXPECT_TRUE(view.okEnabled) << "the preset answer";
        view.answer = row.typed;
        form.antwort1_Change();
        EXPECT_EQ(view.okEnabled, row.okEnabled);
        row.act(form);
        EXPECT_EQ(form.answer(), row.answer);
        EXPECT_EQ(view.closed, row.answer.has_value());
    }
}

}  // namespace
}  // namespace tavik
