#include "qtczech.h"

#include <QLibraryInfo>

std::unique_ptr<QTranslator> LoadQtCzech() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_cs"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}
