#pragma once
#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <vector>

namespace tavik {

// Qt's own texts in German, from Qt's translation folder: all of them (the
// context menus of text fields, for instance) when the locale is German; the
// standard buttons of message boxes and button rows whatever the locale,
// since the program's own windows speak German anyway.
class GermanQtTexts : public QTranslator {
public:
    // `catalogues`: Qt's catalogues by name, such as "qtbase".
    explicit GermanQtTexts(const QLocale& locale, const QStringList& catalogues = {QStringLiteral("qtbase")});

    // The catalogues that could not be loaded, as file paths.
    const QStringList& missing() const { return missing_; }

    bool isEmpty() const override;
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;

private:
    bool everything_;
    std::vector<std::unique_ptr<QTranslator>> catalogues_;
    QStringList missing_;
};

// Installs the German texts for the application and says on standard error
// when Qt's catalogues are missing. `program` names the program in that line.
void installGermanQtTexts(GermanQtTexts& texts, const char* program);

}  // namespace tavik
