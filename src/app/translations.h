#pragma once

// The window's language: Qt's translation system with Japanese as the source language. The
// window's texts are written in Japanese in the code and translated by the .qm files compiled
// into the program from src/app/translations/*.ts; Qt's own texts (the standard dialogs' buttons)
// come from Qt's qtbase translations. A Japanese system gets Japanese, any other English.

#include "core/messages.h"

#include <QString>
#include <QStringList>

namespace ostrel {

// The language of the window: forced ("ja" or "en", from --lang or OSTREL_LANG) when given;
// otherwise Japanese when the system's most preferred UI language is Japanese, else English.
TLanguage ChooseWindowLanguage(const QString& forced, const QStringList& uiLanguages);

// Installs the translators of the language (the window's and Qt's own), replacing those of an
// earlier call. Returns false when a translation the language needs could not be loaded (the
// window then shows the source texts). Needs the application object.
bool InstallWindowLanguage(TLanguage language);

// Removes the translators: the window shows its source texts (Japanese) again.
void ResetWindowLanguage();

// The language last installed; Japanese before any.
TLanguage WindowLanguage();

// The language's name for --lang and OSTREL_LANG: "ja" or "en".
QString LanguageCode(TLanguage language);

// A text of the core's tables (travel mode captions, zone names, error messages), which hold it
// in both languages, in the window's language.
QString CoreText(std::string_view japanese, std::string_view english);

} // namespace ostrel
