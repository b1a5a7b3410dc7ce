// The about window and the help window.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "WindowsFixture.h"
#include "ui/Hilfe.h"
#include "ui/copyright.h"

namespace tavik {
namespace {

using AboutWindow = WindowsTest;

TEST_F(AboutWindow, ShowsVersionDateAndTheYearItLoads) {
    clock.current.year = 2031;
    copyright window(g, clock);
    EXPECT_EQ(window.Label1(0)->text(), QStringLiteral("Version : 6.10"));
    EXPECT_EQ(window.Label1(1)->text(), QStringLiteral("Stand : 14. April 2005"));
    EXPECT_EQ(window.Label1(2)->text(), QStringLiteral("© 2005-2031 Kovrin Software"));
    // Later changes of the clock do not reach a loaded window.
    clock.current.year = 2032;
    EXPECT_EQ(window.Label1(2)->text(), QStringLiteral("© 2005-2031 Kovrin Software"));
}

TEST_F(AboutWindow, CaptionOnActivation) {
    copyright window(g, clock);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Versionsinfo über Tavik6 6.10"));
    EXPECT_EQ(window.Command1()->text(), QStringLiteral("&Ok"));
    window.close();
}

TEST_F(AboutWindow, EscapeOnTheButtonClosesOtherKeysDoNot) {
    copyright window(g, clock);
    window.show();
    window.Command1()->setFocus();
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_F1, Qt::Key_Down, Qt::Key_Delete, Qt::Key_Tab}) {
        QTest::keyClick(window.Command1(), key);
        EXPECT_TRUE(window.isVisible()) << key;
    }
    QTest::keyClick(window.Command1(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AboutWindow, LinksDoNothingAndOkCloses) {
    copyright window(g, clock);
    window.show();
    QTest::mouseClick(window.emaillink(), Qt::LeftButton);
    QTest::mouseClick(window.internetlink(), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(processes.started.empty());
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

TEST(HelpWindow, ExplainsEveryControlWithTheExactTexts) {
    Hilfe window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Hilfe"));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>(QStringLiteral("explanation"))) texts << label->text();
    const char* const expected[] = {
        "Geben Sie hier Ihre Benutzerdaten, welche Ihnen per eMail zugeschickt wurden ein. Ohne diese Daten werden "
        "Sie von unserem Server abgewiesen.",
        "Dieser Menüpunkt muss aktiviert werden sobald Sie indirekt (zb.über einen Proxyserver/Router) ins "
        "Internet gehen.",
        "Neue Programmversionen werden automatisch geladen und installiert.",
        "Unsere Updateseite im Internet",
        "Das Programm wird vor der Anmeldung als Dienst gestartet.",
        "Hier können  Sie die Tools ggf. laden.",
        "Dieser Menüpunkt ist nur im Onlinebetrieb offen. Alle weiteren Einstellungen können nur Online über "
        "unsere Webseite vorgenommen werden.",
        "Dieses Fenster",
        "Info über dieses Software",
        "Setupmenü beenden",
    };
    ASSERT_EQ(texts.size(), static_cast<qsizetype>(std::size(expected)));
    for (const char* text : expected) EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(window.menu_exit()->text(), QStringLiteral("Quit"));
}

TEST(HelpWindow, EachExplanationGetsTheWidthItsTextNeeds) {
    Hilfe window;
    window.show();
    for (const QLabel* label : window.findChildren<QLabel*>(QStringLiteral("explanation"))) {
        const QRect laidOut = label->fontMetrics().boundingRect(QRect(0, 0, label->contentsRect().width(), 1000),
                                                                Qt::TextWordWrap, label->text());
        const int lines = laidOut.height() / label->fontMetrics().lineSpacing();
        // The buttons' explanations stand in rows of their own and need two lines at most.
        const bool besideAButton = label->text().startsWith(QStringLiteral("Dieser Menüpunkt ist nur"));
        EXPECT_LE(lines, besideAButton ? 2 : 3) << label->text().toStdString();
    }
}

TEST(HelpWindow, OnlyTheQuitControlsReact) {
    Hilfe window;
    window.show();
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
    }
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button == window.quit_button()) continue;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(window.isVisible()) << button->text().toStdString();
    }
    QTest::mouseClick(window.quit_button(), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());

    window.show();
    window.menu_exit()->trigger();
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace tavik
