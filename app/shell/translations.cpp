#include "shell/translations.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

#include <filesystem>
#include <system_error>

namespace tessaly::shell {
namespace {

// Read from the system rather than asked of the toolkit, so that the catalog is found
// before the application object exists too (the usage text of --help).
wxString ExecutablePath() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return wxString(exe.c_str(), *wxConvFileName);
  return wxStandardPaths::Get().GetExecutablePath();
}

bool HoldsCatalog(const wxFileName& folder) {
  wxFileName catalog(folder.GetPath(), "tessaly.mo");
  catalog.AppendDir("ja");
  catalog.AppendDir("LC_MESSAGES");
  return catalog.FileExists();
}

}  // namespace

std::string LocaleFolder() {
  // An installed program keeps its catalogs at the same place relative to its own folder
  // whatever the prefix (bin/../share/locale), so that a copy installed with any
  // --prefix, or moved with its tree, finds its own and never an older build's.
  wxFileName exe(ExecutablePath());
  exe.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE | wxPATH_NORM_TILDE);
  wxFileName installed(exe.GetPath() + wxFILE_SEP_PATH + TESSALY_LOCALE_FROM_BINDIR, "");
  installed.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
  if (HoldsCatalog(installed)) return installed.GetPath().ToStdString();

  // A program run from the build tree (the program itself or a test binary) reads the
  // catalog the build compiled; no other program does, so that deleting or rebuilding a
  // build tree never changes what an installed Tessaly shows.
  wxFileName buildTree(TESSALY_BUILD_DIR, "");
  wxString buildPrefix = buildTree.GetPath() + wxFILE_SEP_PATH;
  wxFileName built(TESSALY_LOCALE_DIR, "");
  if (exe.GetFullPath().StartsWith(buildPrefix) && built.DirExists()) return built.GetPath().ToStdString();
  return installed.GetPath().ToStdString();
}

bool InstallTranslations(const std::string& language) {
  wxLanguage chosen = wxLANGUAGE_DEFAULT;
  if (language == "ja")
    chosen = wxLANGUAGE_JAPANESE;
  else if (language == "en")
    chosen = wxLANGUAGE_ENGLISH_US;
  else if (!language.empty())
    return false;

  wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(LocaleFolder()));
  auto* translations = new wxTranslations;
  if (chosen != wxLANGUAGE_DEFAULT) translations->SetLanguage(chosen);
  translations->AddStdCatalog();
  translations->AddCatalog("tessaly");
  wxTranslations::Set(translations);
  return true;
}

}  // namespace tessaly::shell
