#include "commandline.h"

TCommandLine ParseCommandLine(const QStringList& args) {
    using A = TCommandLine::TAction;
    TCommandLine result;
    bool options = true;
    for (const QString& arg : args) {
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            return {A::Help,
                    {},
                    QStringLiteral("Usage: pentarix [FILE]\n"
                                   "Designs L matching networks on a Smith chart; FILE is a "
                                   "Touchstone measurement (.s1p, .s2p) or a project "
                                   "(.pentarix) to open.")};
        } else if (options && arg == QLatin1String("--version")) {
            return {A::Version, {}, QStringLiteral("pentarix " PENTARIX_VERSION)};
        } else if (options && arg.startsWith(u'-') && arg.size() > 1) {
            return {A::Error,
                    {},
                    QStringLiteral("pentarix: unknown option '%1' (try --help)").arg(arg)};
        } else if (!result.File.isEmpty()) {
            return {A::Error, {}, QStringLiteral("pentarix: only one file can be opened")};
        } else {
            result.File = arg;
        }
    }
    return result;
}
