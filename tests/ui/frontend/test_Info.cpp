// The info window: single instance, topmost, closes itself, Setup.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "QtPrinters.h"
#include "ui/QtDialogs.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// Long enough never to end while a test looks at the window.
constexpr auto kLongLifetime = 600s;

class InfoWindow : public ::testing::Test {
protected:
    InfoWindow() { g.Profil = "Kunde A"; }
    TavikGlobal g;
};

TEST_F(InfoWindow, ShowsTheTextInATopmostWindowNamedAfterTheProfile) {
    QtDialogs dialogs(g, kLongLifetime);
    dialogs.showInfo("Ihre Benutzerangaben wurden nicht bestätigt.\rBitte überprüfen Sie diese noch einmal.");
    Info* info = dialogs.info();
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isVisible());
    EXPECT_FALSE(info->isModal());
    EXPECT_EQ(info->windowTitle(), QStringLiteral("Tavik - Warnung  [Kunde A]"));
    EXPECT_TRUE(info->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(info->findChild<QLabel*>(QStringLiteral("Info"))->text(),
              QStringLiteral("Ihre Benutzerangaben wurden nicht bestätigt.\nBitte überprüfen Sie diese noch einmal."));
    // The two lines of the message stay two lines.
    const QLabel* label = info->findChild<QLabel*>(QStringLiteral("Info"));
    const QRect laidOut = label->fontMetrics().boundingRect(QRect(0, 0, label->contentsRect().width(), 1000),
                                                            Qt::TextWordWrap, label->text());
    EXPECT_EQ(laidOut.height(), 2 * label->fontMetrics().lineSpacing());
    EXPECT_EQ(info->findChild<QPushButton*>(QStringLiteral("quit_button"))->text(), QStringLiteral("Quit"));
    EXPECT_EQ(info->findChild<QPushButton*>(QStringLiteral("SetUP_Button"))->text(), QStringLiteral("Setup"));

    QTest::mouseClick(info->findChild<QPushButton*>(QStringLiteral("quit_button")), Qt::LeftButton);
    EXPECT_EQ(dialogs.info(), nullptr);
}

TEST_F(InfoWindow, ClosesItselfWithoutAnyUserAction) {
    QtDialogs dialogs(g, 20ms);
    dialogs.showInfo("Datei nicht gefunden.");
    ASSERT_NE(dialogs.info(), nullptr);
    QPointer<Info> window = dialogs.info();
    QTRY_VERIFY_WITH_TIMEOUT(dialogs.info() == nullptr, 30000);
    // Closing also frees the window.
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 30000);
}


TEST_F(InfoWindow, SetupClosesTheWindowFirstThenOpensTheSettings) {
    QtDialogs dialogs(g, kLongLifetime);
    int setupRuns = 0;
    bool infoOpenDuringSetup = true;
    dialogs.setSetupAction([&] {
        ++setupRuns;
        infoOpenDuringSetup = dialogs.info() != nullptr;
        // The settings lead to a cycle whose message opens a new window.
        dialogs.showInfo("Kein Server. Bitte Verbindung zum Internet herstellen.");
    });
    dialogs.showInfo("Ihre Benutzerangaben wurden nicht bestätigt.");
    Info* first = dialogs.info();
    QTest::mouseClick(first->findChild<QPushButton*>(QStringLiteral("SetUP_Button")), Qt::LeftButton);

    EXPECT_EQ(setupRuns, 1);
    EXPECT_FALSE(infoOpenDuringSetup);
    ASSERT_NE(dialogs.info(), nullptr) << "a message during the settings gets a window of its own";
    EXPECT_NE(dialogs.info(), first);
    EXPECT_EQ(dialogs.info()->text(), QStringLiteral("Kein Server. Bitte Verbindung zum Internet herstellen."));
}

}  // namespace
}  // namespace tavik
