// The language of the program's texts.
#pragma once

#include <string>

namespace tessaly::shell {

// Installs the catalogue of the language named ("ja" or "en"), or of the user's locale
// ($LANGUAGE, $LC_ALL, $LC_MESSAGES, $LANG) when the name is empty. Works without the
// locale being generated on the machine: the catalogue is read by wx itself. Returns
// false for a language name it does not know.
bool InstallTranslations(const std::string& language);

// The folder holding <lang>/LC_MESSAGES/tessaly.mo.
std::string LocaleFolder();

}  // namespace tessaly::shell
