#pragma once
#include <QString>
#include <string>

namespace tavik {

// The program's texts break lines with CR (some with CR LF); Qt breaks them with LF.
inline QString qtText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

inline QString qtText(const std::string& text) { return qtText(QString::fromStdString(text)); }

}  // namespace tavik
