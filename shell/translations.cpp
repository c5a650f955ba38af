#include "shell/translations.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

namespace tessaly::shell {

std::string LocaleFolder() {
  // Beside the build tree's program, else where an installed program keeps it.
  wxFileName built(TESSALY_LOCALE_DIR, "");
  if (built.DirExists()) return built.GetPath().ToStdString();
  wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
  exe.RemoveLastDir();
  exe.AppendDir("share");
  exe.AppendDir("locale");
  return exe.GetPath().ToStdString();
}

bool InstallTranslations(const std::string& language) {
  wxLanguage chosen = wxLANGUAGE_DEFAULT;
  if (language == "ja") chosen = wxLANGUAGE_JAPANESE;
  else if (language == "en") chosen = wxLANGUAGE_ENGLISH_US;
  else if (!language.empty()) return false;

  wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(LocaleFolder()));
  auto* translations = new wxTranslations;
  if (chosen != wxLANGUAGE_DEFAULT) translations->SetLanguage(chosen);
  translations->AddStdCatalog();
  translations->AddCatalog("tessaly");
  wxTranslations::Set(translations);
  return true;
}

}  // namespace tessaly::shell
