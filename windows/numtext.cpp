#include "numtext.h"

#include "quantity.h"

#include <cmath>

bool TryStrToFloat(const QString& text, double& value) {
    // Non-Latin-1 text is no number; toLatin1 would turn it into '?'.
    for (const QChar c : text)
        if (c.unicode() > 0x7F) return false;
    return TryParseNumber(text.toLatin1().toStdString(), value);
}

double StrToFloat(const QString& text) {
    double value = 0.0;
    if (!TryStrToFloat(text, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

QString FormatFloat(const QString& pattern, double value) {
    return QString::fromStdString(FormatPattern(pattern.toStdString(), value));
}

QString Fmt(const char* pattern, double value) {
    return FormatFloat(QString::fromLatin1(pattern), std::isfinite(value) ? value : 0.0);
}

QString ShownSwrText(double swr) {
    return QString::fromStdString(SwrText(swr));
}
