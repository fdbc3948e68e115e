#pragma once
// Qt's own texts (the standard buttons of message boxes, file dialogs) in the program's language.

#include <QString>
#include <cstdint>

class QCoreApplication;

namespace corvane {

// Loads Qt's translation catalogue for German (language code 7) from Qt's translations folder and
// installs it on the application; English needs none. Returns whether the texts are now in that
// language. A later call replaces the earlier catalogue.
bool InstallQtTranslations(QCoreApplication& app, std::uint16_t language, const QString& folder = QString());

} // namespace corvane
