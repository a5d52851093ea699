#include "numtext.h"

#include "fpcheck.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <locale.h>

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// sign? digits? ("." digits?)? (e sign? digits)? with at least one mantissa digit
bool IsPlainNumber(const QString& s) {
    int i = 0;
    const int n = s.size();
    if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
    int digits = 0;
    while (i < n && s[i] >= u'0' && s[i] <= u'9')
        ++i, ++digits;
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && s[i] >= u'0' && s[i] <= u'9')
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
        int expDigits = 0;
        while (i < n && s[i] >= u'0' && s[i] <= u'9')
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == n;
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

} // namespace

bool TryStrToFloat(const QString& text, double& value) {
    int b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    const QString s = text.mid(b, e - b);
    if (!IsPlainNumber(s)) return false;
    const QByteArray bytes = s.toLatin1();
    const double v = strtod_l(bytes.constData(), nullptr, CLocale());
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

double StrToFloat(const QString& text) {
    double value = 0.0;
    if (!TryStrToFloat(text, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

QString FormatFloat(const QString& pattern, double value) {
    Checked(value);
    const int point = pattern.indexOf(u'.');
    const int decimals = point < 0 ? 0 : pattern.size() - point - 1;
    const QString head = point < 0 ? pattern : pattern.left(point);
    const int minIntDigits = head.count(u'0');

    // std::to_chars never looks at the C locale, which the toolkit sets from
    // the environment at start-up: printf would write "2,274" under cs_CZ.
    // Its fixed form rounds exactly as printf's "%.*f" does.
    char buf[512];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                         std::chars_format::fixed, decimals);
    if (ec != std::errc()) throw std::length_error("FormatFloat: pattern too long");
    QString digits = QString::fromLatin1(buf, end - buf);
    bool allZero = true;
    for (QChar c : digits)
        if (c != u'0' && c != u'.') allZero = false;
    const int intLen = digits.indexOf(u'.') < 0 ? digits.size() : digits.indexOf(u'.');
    if (intLen < minIntDigits) digits.prepend(QString(minIntDigits - intLen, u'0'));
    if (value < 0 && !allZero) digits.prepend(u'-');
    return digits;
}
