#pragma once
// Qt's own texts (file dialogs, message-box buttons, the menu of a text
// field) in Czech, as the rest of the window is, whatever the system's
// language.

#include <QTranslator>
#include <memory>

// Qt's Czech catalogue from its translations folder, or null where it is not
// installed (the texts then stay English); the caller installs it.
std::unique_ptr<QTranslator> LoadQtCzech();
