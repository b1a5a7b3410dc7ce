// The first-start wizard through the real question window and message boxes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ModalDriver.h"
#include "QtPrinters.h"
#include "core/SetupWizard.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/MemoryRegistry.h"
#include "ui/QtDialogs.h"

namespace tavik {
namespace {

const QString kCancelled = QStringLiteral("Der Setupassistent wird nun beendet.");
constexpr const char* kAbsent = "<absent>";

class WizardWindow : public ::testing::Test {
protected:
    WizardWindow() { g.Profil = "Tavik6"; }

    std::string stored(const std::string& name) {
        auto value = registry.readValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", name);
        return value ? value->data : std::string(kAbsent);
    }
    void run(std::initializer_list<ModalDriver::Step> steps) {
        driver.steps.assign(steps.begin(), steps.end());
        wizard.run();
    }

    TavikGlobal g;
    MemoryRegistry registry;
    QtDialogs dialogs{g};
    FakeClock clock;
    RwModul rw{registry, dialogs};
    SetupWizard wizard{g, rw, dialogs, clock};
    ModalDriver driver;
};

TEST_F(WizardWindow, CompletedRunStoresLowerCaseAnswersAndTheInstallDate) {
    clock.current = {2026, 12, 8, 10, 0, 0};
    run({ModalDriver::typeAndOk("K1001ABC"), ModalDriver::typeAndOk("GeHeim"), ModalDriver::keepPresetAndOk()});

    EXPECT_EQ(stored("User"), "k1001abc");
    EXPECT_EQ(stored("Passwort"), "geheim");
    EXPECT_EQ(stored("Proxyserver"), "0");
    EXPECT_EQ(stored("Install"), "08.12.2026");
    ASSERT_EQ(driver.boxTexts.size(), 2u);
    EXPECT_TRUE(driver.boxTexts[0].startsWith(QStringLiteral("Dieses ist der erste Start.\n\n")));
    EXPECT_TRUE(driver.boxTexts[1].startsWith(QStringLiteral("Herzlichen Glückwunsch.\n")));
    EXPECT_FALSE(driver.boxTexts[1].contains(QLatin1Char('\r'))) << "CR line breaks become LF for Qt";
    EXPECT_EQ(driver.boxIcons[0], QMessageBox::Information);
    EXPECT_EQ(driver.boxTitles[0], QStringLiteral("Tavik6"));
}

TEST_F(WizardWindow, CancelAtEachStepKeepsWhatEarlierStepsStored) {
    struct Row {
        const char* name;
        std::vector<ModalDriver::Step> steps;
        std::string user, passwort, proxyserver;
    };
    const std::vector<Row> rows = {
        {"step 1", {ModalDriver::cancel()}, kAbsent, kAbsent, kAbsent},
        {"step 2", {ModalDriver::typeAndOk("K1"), ModalDriver::cancel()}, "k1", kAbsent, kAbsent},
        {"step 3", {ModalDriver::typeAndOk("K1"), ModalDriver::typeAndOk("PW"), ModalDriver::cancel()}, "k1", "pw",
         kAbsent},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MemoryRegistry fresh;
        RwModul freshRw{fresh, dialogs};
        SetupWizard freshWizard{g, freshRw, dialogs, clock};
        driver.boxTexts.clear();
        driver.steps.assign(row.steps.begin(), row.steps.end());
        freshWizard.run();

        auto value = [&](const char* name) {
            auto v = fresh.readValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", name);
            return v ? v->data : std::string(kAbsent);
        };
        EXPECT_EQ(value("User"), row.user);
        EXPECT_EQ(value("Passwort"), row.passwort);
        EXPECT_EQ(value("Proxyserver"), row.proxyserver);
        EXPECT_EQ(value("Install"), kAbsent);
        ASSERT_FALSE(driver.boxTexts.empty());
        EXPECT_EQ(driver.boxTexts.back(), kCancelled);
        EXPECT_TRUE(freshWizard.isFirstStart()) << "the wizard comes back at the next start";
    }
}

TEST_F(WizardWindow, TypedCancelCancelsButCapitalisedCancelIsAnAnswer) {
    run({ModalDriver::typeAndOk("cancel")});
    EXPECT_EQ(stored("User"), kAbsent);
    EXPECT_EQ(driver.boxTexts.back(), kCancelled);
    EXPECT_EQ(driver.questionsSeen, 1);

    driver.boxTexts.clear();
    run({ModalDriver::typeAndOk("Cancel"), ModalDriver::typeAndOk("pw"), ModalDriver::keepPresetAndOk()});
    EXPECT_EQ(stored("User"), "cancel");
    EXPECT_NE(stored("Install"), kAbsent);
    EXPECT_NE(driver.boxTexts.back(), kCancelled);
}

TEST_F(WizardWindow, EnterWithAnEmptyAnswerRunsOkAndStoresItEmpty) {
    bool okEnabledWhenEmpty = true;
    driver.inspect = [&](Dialog& dialog) {
        if (driver.questionsSeen == 1)
            okEnabledWhenEmpty = dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->isEnabled();
    };
    run({ModalDriver::enterWithEmptyAnswer(), ModalDriver::enterWithEmptyAnswer(), ModalDriver::keepPresetAndOk()});

    EXPECT_FALSE(okEnabledWhenEmpty) << "OK is off while the answer is empty, Enter answers all the same";
    EXPECT_NE(stored("User"), kAbsent);
    EXPECT_EQ(rw.read("Tavik6", "User"), "");
    EXPECT_EQ(rw.read("Tavik6", "Passwort"), "");
    EXPECT_NE(stored("Install"), kAbsent);
}

TEST_F(WizardWindow, StepThreeStoresTheLeadingNumberMinusOne) {
    struct Row {
        const char* name;
        ModalDriver::Step step;
        std::string proxyserver;
    };
    const std::vector<Row> rows = {
        {"preset entry", ModalDriver::keepPresetAndOk(), "0"},
        {"second entry", ModalDriver::chooseEntry(1), "1"},
        {"typed 3", ModalDriver::typeAndOk("3"), "2"},
        {"typed word", ModalDriver::typeAndOk("Router"), "-1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        run({ModalDriver::typeAndOk("k1"), ModalDriver::typeAndOk("pw"), row.step});
        EXPECT_EQ(stored("Proxyserver"), row.proxyserver);
    }
}

TEST_F(WizardWindow, EachStepShowsAFreshWindowWithItsTexts) {
    std::vector<QString> steps, questions, texts;
    std::vector<int> listSizes;
    std::vector<QLineEdit::EchoMode> echoModes;
    driver.inspect = [&](Dialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Neue Verbindung herstellen"));
        steps.push_back(dialog.findChild<QLabel*>(QStringLiteral("schritt"))->text());
        questions.push_back(dialog.findChild<QLabel*>(QStringLiteral("abfrage1"))->text());
        auto* box = dialog.findChild<QComboBox*>(QStringLiteral("antwort1"));
        texts.push_back(box->currentText());
        listSizes.push_back(box->count());
        echoModes.push_back(box->lineEdit()->echoMode());
    };
    run({ModalDriver::typeAndOk("k1"), ModalDriver::typeAndOk("pw"), ModalDriver::keepPresetAndOk()});

    EXPECT_EQ(steps, (std::vector<QString>{"Schritt 1 von 3", "Schritt 2 von 3", "Schritt 3 von 3"}));
    EXPECT_EQ(questions[0], QStringLiteral("Geben Sie Ihre Kundennummer ein.\nDiese wurde Ihnen per eMail zugesand."));
    EXPECT_EQ(questions[2], QStringLiteral("Wählen Sie aus, wie Ihre Verbindung ins Internet \nhergestellt wird."));
    EXPECT_EQ(texts, (std::vector<QString>{"", "", "1) Direkt per Modem/ISDN"}));
    EXPECT_EQ(listSizes, (std::vector<int>{0, 0, 2}));
    // Only the password is masked.
    EXPECT_EQ(echoModes, (std::vector<QLineEdit::EchoMode>{QLineEdit::Normal, QLineEdit::Password, QLineEdit::Normal}));
}

// The question window on its own.
TEST(QuestionWindow, OkFollowsTheAnswerTextAndOtherClosingGivesNoAnswer) {
    Dialog dialog({"Neue Verbindung herstellen", "Schritt 1 von 3", "Frage", {}, ""});
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKButton"));
    QLineEdit* edit = dialog.findChild<QComboBox*>(QStringLiteral("antwort1"))->lineEdit();
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"))->text(), QStringLiteral("Abbrechen"));

    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(edit, "k");
    EXPECT_TRUE(ok->isEnabled());
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());

    // Escape closes the window without either button.
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    dialog.exec();
    EXPECT_FALSE(dialog.answer().has_value());
}

TEST(QuestionWindow, EnterAddsNothingToTheList) {
    Dialog dialog({"c", "s", "q", {"1) a", "2) b"}, "1) a"});
    auto* box = dialog.findChild<QComboBox*>(QStringLiteral("antwort1"));
    box->lineEdit()->setText(QStringLiteral("neu"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(box->count(), 2);
    ASSERT_TRUE(dialog.answer().has_value());
    EXPECT_EQ(*dialog.answer(), "neu");
}

}  // namespace
}  // namespace tavik
