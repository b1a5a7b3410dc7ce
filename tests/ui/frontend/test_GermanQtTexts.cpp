// Qt's own texts in German: standard buttons always, the rest for a German locale.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/GermanQtTexts.h"

namespace tavik {
namespace {

TEST(GermanQtTexts, StandardButtonsAlwaysGermanOtherQtTextsForAGermanLocale) {
    const struct {
        QLocale locale;
        QString undo;  // the context menu of a text field
    } rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("&Undo")},
        {QLocale(QLocale::German, QLocale::Germany), QStringLiteral("&Rückgängig")},
        {QLocale(QLocale::German, QLocale::Austria), QStringLiteral("&Rückgängig")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.locale.name().toStdString());
        GermanQtTexts texts(row.locale);
        ASSERT_TRUE(texts.missing().isEmpty()) << texts.missing().join(' ').toStdString();
        QCoreApplication::installTranslator(&texts);

        QMessageBox box(QMessageBox::Information, QStringLiteral("Tavik6"), QStringLiteral("Frage"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
        EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
        EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Undo"), row.undo);
        QCoreApplication::removeTranslator(&texts);
    }
}

TEST(GermanQtTexts, AMissingCatalogueIsNamed) {
    GermanQtTexts texts(QLocale(QLocale::German), {QStringLiteral("qtbase"), QStringLiteral("gibtsnicht")});
    ASSERT_EQ(texts.missing().size(), 1);
    EXPECT_TRUE(texts.missing().front().endsWith(QStringLiteral("/gibtsnicht_de.qm")));
    EXPECT_FALSE(texts.isEmpty());
}

}  // namespace
}  // namespace tavik
