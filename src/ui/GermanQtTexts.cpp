#include "ui/GermanQtTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <cstring>
#include <string>

#include "platform/posix/JournalStream.h"

namespace tavik {
namespace {

// Where Qt keeps the texts of standard buttons and message boxes.
bool isButtonText(const char* context) {
    for (const char* own : {"QPlatformTheme", "QMessageBox", "QDialogButtonBox"})
        if (std::strcmp(context, own) == 0) return true;
    return false;
}

}  // namespace

GermanQtTexts::GermanQtTexts(const QLocale& locale, const QStringList& catalogues)
    : everything_(locale.language() == QLocale::German) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& name : catalogues) {
        auto catalogue = std::make_unique<QTranslator>();
        if (catalogue->load(name + QStringLiteral("_de"), folder))
            catalogues_.push_back(std::move(catalogue));
        else
            missing_.push_back(QDir(folder).filePath(name + QStringLiteral("_de.qm")));
    }
}

bool GermanQtTexts::isEmpty() const { return catalogues_.empty(); }

QString GermanQtTexts::translate(const char* context, const char* sourceText, const char* disambiguation,
                                 int n) const {
    if (!context || (!everything_ && !isButtonText(context))) return {};
    for (const auto& catalogue : catalogues_) {
        QString text = catalogue->translate(context, sourceText, disambiguation, n);
        if (!text.isEmpty()) return text;
    }
    return {};
}

void installGermanQtTexts(GermanQtTexts& texts, const char* program) {
    for (const QString& file : texts.missing())
        sayOnStandardError(std::string(program) + ": Die deutschen Texte von Qt fehlen (" + file.toStdString() +
                               "); Qts eigene Texte erscheinen englisch.\n",
                           Severity::Warning);
    QCoreApplication::installTranslator(&texts);
}

}  // namespace tavik
