// The program's pictures and the legend that explains them.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <set>

#include "QtPrinters.h"
#include "ui/QtTray.h"
#include "ui/legende.h"

namespace tavik {
namespace {

const std::vector<int> kStates = {0, 1, 2, 3, 4, 8, 9, 10};

// True when the picture has some opaque pixels, i.e. something was drawn.
bool drawn(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
    return false;
}

TEST(Pictures, EveryTrayStateHasAPictureOfItsOwn) {
    std::vector<QImage> images;
    for (int state : kStates) {
        SCOPED_TRACE(state);
        const QImage picture = TrayPictures::statePixmap(state).toImage();
        ASSERT_EQ(picture.size(), QSize(32, 32));
        EXPECT_TRUE(drawn(picture));
        for (const QImage& other : images) EXPECT_NE(picture, other) << "two states would look alike";
        images.push_back(picture);
        EXPECT_FALSE(TrayPictures::stateIcon(state).isNull());
    }
    for (int state : {-1, 5, 6, 7, 11}) EXPECT_TRUE(TrayPictures::statePixmap(state).isNull()) << state;
}

TEST(Pictures, MenuAndStatusPicturesAreDrawnAndDistinct) {
    std::vector<QImage> images;
    for (auto picture : {MenuPicture::Anmelden, MenuPicture::Info, MenuPicture::Legende, MenuPicture::Setup,
                         MenuPicture::Test, MenuPicture::Beenden}) {
        images.push_back(TrayPictures::menuIcon(picture).pixmap(TrayPictures::kMenuSize).toImage());
    }
    images.push_back(TrayPictures::statusPixmap(true).toImage());
    images.push_back(TrayPictures::statusPixmap(false).toImage());
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(images[i].size(), QSize(16, 16));
        EXPECT_TRUE(drawn(images[i]));
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(images[i], images[j]);
    }
}

TEST(Legend, RowsShowTheTrayPicturesWithTheirMeaning) {
    legende window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Legende in der Taskbar"));
    EXPECT_TRUE(window.isModal());

    const std::vector<std::pair<int, QString>> rows = {
        {0, "Die Verbindung wurde vom Server abgewiesen"},
        {1, "Verbindung zu Server gestartet"},
        {2, "Verbindung hergestellt"},
        {4, "Verbindungstest"},
        {8, "Offline"},
        {9, "Es liegt eine neue Information vor"},
        {3, "Neue Updates vorhanden"},
    };
    const auto labels = window.findChildren<QLabel*>(QStringLiteral("Label1"));
    ASSERT_EQ(labels.size(), static_cast<qsizetype>(rows.size()));
    QtTray tray({});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [state, text] = rows[i];
        SCOPED_TRACE(state);
        EXPECT_EQ(labels[static_cast<qsizetype>(i)]->text(), text);
        auto* picture = window.findChild<QLabel*>(QStringLiteral("picTaskIcon_%1").arg(state));
        ASSERT_NE(picture, nullptr);
        // The very image the tray shows for that state.
        tray.change(state, "");
        EXPECT_EQ(picture->pixmap().toImage(), tray.icon().icon().pixmap(TrayPictures::kTraySize).toImage());
        // Rows run top to bottom in the order of the table.
        if (i > 0) {
            auto* above = window.findChild<QLabel*>(QStringLiteral("picTaskIcon_%1").arg(rows[i - 1].first));
            window.adjustSize();
            EXPECT_GT(picture->geometry().top(), above->geometry().top());
        }
    }
}

TEST(Legend, QuitEntryClosesTheWindow) {
    legende window;
    ASSERT_NE(window.menuQuit(), nullptr);
    EXPECT_EQ(window.menuQuit()->text(), QStringLiteral("&Quit"));
    QTimer::singleShot(0, &window, [&] { window.menuQuit()->trigger(); });
    window.exec();  // returns only when the entry closed it
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace tavik
