#include "touchstonetext.h"

#include "analyserreply.h"

namespace {

// "očekávám 3 čísla, nalezeno 2", with the Czech plural of the expected count.
QString CountMismatch(std::size_t expected, std::size_t found) {
    const char* noun = expected == 1 ? "číslo" : expected <= 4 ? "čísla" : "čísel";
    return QStringLiteral("očekávám %1 %2, nalezeno %3")
        .arg(expected)
        .arg(QString::fromUtf8(noun))
        .arg(found);
}

QString Detail(const ETouchstoneError& e) {
    const QString text = u'\'' + QString::fromUtf8(e.Text) + u'\'';
    switch (e.Code) {
    case TTouchstoneFault::TooBig:
        return QStringLiteral("soubor je větší než 64 MiB");
    case TTouchstoneFault::NoData:
        return QStringLiteral("soubor neobsahuje žádná data");
    case TTouchstoneFault::Utf16:
        return QStringLiteral("soubor je v kódování UTF-16; uložte ho jako UTF-8");
    case TTouchstoneFault::CountMismatch:
        return CountMismatch(e.Expected, e.Found);
    case TTouchstoneFault::BadNumber:
        return QStringLiteral("neplatné číslo ") + text;
    case TTouchstoneFault::NumberOutOfRange:
        return QStringLiteral("číslo mimo rozsah ") + text;
    case TTouchstoneFault::NegativeFrequency:
        return QStringLiteral("kmitočet musí být kladný");
    case TTouchstoneFault::FrequencyOutOfRange:
        return QStringLiteral("kmitočet mimo rozsah");
    case TTouchstoneFault::FrequenciesMustRise:
        return QStringLiteral("kmitočty musí stoupat");
    case TTouchstoneFault::TooManyPoints:
        return QStringLiteral("soubor má více než milion bodů");
    case TTouchstoneFault::ImpedanceOutOfRange:
        return QStringLiteral("impedance mimo rozsah");
    case TTouchstoneFault::UnknownOption:
        return QStringLiteral("neznámá volba ") + text;
    case TTouchstoneFault::UnsupportedParameters:
        return QStringLiteral("parametry %1 nejsou podporovány").arg(text);
    case TTouchstoneFault::MissingReference:
        return QStringLiteral("za R chybí referenční odpor");
    case TTouchstoneFault::ReferenceNotPositive:
        return QStringLiteral("referenční odpor musí být kladný");
    case TTouchstoneFault::OptionsAfterData:
        return QStringLiteral("řádek voleb musí být před daty");
    case TTouchstoneFault::Version2:
        return QStringLiteral("Touchstone verze 2 není podporován");
    case TTouchstoneFault::UnsupportedVersion:
        return QStringLiteral("Touchstone verze %1 není podporován, čtu jen 2.0 a 2.1").arg(text);
    case TTouchstoneFault::MissingKeyword:
        return QStringLiteral("chybí ") + QString::fromUtf8(e.Text);
    case TTouchstoneFault::UnknownKeyword:
        return QStringLiteral("neznámé klíčové slovo ") + text;
    case TTouchstoneFault::BadKeywordValue:
        return QStringLiteral("neplatná hodnota ") + QString::fromUtf8(e.Text);
    case TTouchstoneFault::UnsupportedPorts:
        return QStringLiteral("soubor má %1 bran, čtu jen jednu nebo dvě")
            .arg(QString::fromUtf8(e.Text));
    case TTouchstoneFault::FrequencyCount:
        return QStringLiteral("[Number of Frequencies] udává %1, data mají %2")
            .arg(e.Expected)
            .arg(e.Found);
    case TTouchstoneFault::CsvColumns:
        return QStringLiteral("nerozpoznané sloupce %1; čekám kmitočet a R a X, nebo S11 jako "
                              "reálnou a imaginární část či amplitudu (dB nebo lineárně) a úhel")
            .arg(QString::fromUtf8(e.Text));
    case TTouchstoneFault::UnknownExtension:
        return QStringLiteral("neznámá přípona, čtu jen soubory .s1p a .s2p");
    case TTouchstoneFault::UnknownMeasurementExtension:
        return QStringLiteral("neznámá přípona, čtu jen soubory .s1p, .s2p, .ts a .csv");
    case TTouchstoneFault::NotFound:
        return QStringLiteral("soubor neexistuje");
    case TTouchstoneFault::CannotOpen:
        return QStringLiteral("soubor nelze otevřít");
    case TTouchstoneFault::NotAFile:
        return QStringLiteral("není to soubor s daty");
    case TTouchstoneFault::ReadFailed:
        return QStringLiteral("chyba při čtení souboru");
    }
    return QString::fromLatin1(TouchstoneFaultName(e.Code));
}

} // namespace

QString TouchstoneErrorText(const ETouchstoneError& e) {
    QString message = e.File.empty() ? QString() : QString::fromUtf8(e.File) + QStringLiteral(": ");
    if (e.Line > 0) message += QStringLiteral("řádek %1: ").arg(e.Line);
    return message + Detail(e);
}

QString AnalyserErrorText(const EAnalyserError& e) {
    const QString said =
        e.Detail.empty() ? QString() : QStringLiteral(" ('%1')").arg(QString::fromUtf8(e.Detail));
    switch (e.Code) {
    case TAnalyserFault::NoDevice:
        return QStringLiteral("analyzátor nenalezen");
    case TAnalyserFault::WrongDevice:
        return QStringLiteral("zařízení není NanoVNA ani LibreVNA") + said;
    case TAnalyserFault::Vanished:
        return QStringLiteral("analyzátor se odpojil");
    case TAnalyserFault::Timeout:
        return QStringLiteral("analyzátor přestal odpovídat") + said;
    case TAnalyserFault::Garbage:
        return QStringLiteral("analyzátor poslal nesrozumitelná data") + said;
    case TAnalyserFault::CutLine:
        return QStringLiteral("odpověď analyzátoru je useknutá") + said;
    case TAnalyserFault::RangeRefused:
        return QStringLiteral("analyzátor odmítl rozsah") + said;
    case TAnalyserFault::TooManyPoints:
        return QStringLiteral("analyzátor změří nejvýše %1 bodů").arg(e.Limit);
    }
    return QString::fromLatin1(AnalyserFaultName(e.Code));
}
