#include "shell/terminal_answer.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include "base/version.h"
#include "shell/translations.h"

namespace tessaly::shell {

wxString UsageText() {
  return _(
      "Usage: tessaly [--lang ja|en] [-p | -pt] [FILE | FOLDER]...\n"
      "Opens each picture file in a retouch window and each folder as an album. While\n"
      "Tessaly runs, a new start hands its files to the running program.\n"
      "Pictures may be BMP, JPEG, TIFF, PNG, WebP, HEIF/HEIC or AVIF, of any size up to\n"
      "100 megapixels; one larger than 1280 x 1024 opens reduced to fit.\n"
      "\n"
      "  --lang LANG      show the texts in LANG: ja or en\n"
      "  -p FILE...       print the files instead of opening them\n"
      "  -pt FILE...      print the files (print-to form)\n"
      "  -Embedding FILE  open the files as embedded pictures, without the main window\n"
      "  --               take every argument that follows as a file name\n"
      "  -h, --help       show this help and end\n"
      "  --version        show the version and end\n");
}

wxString ProblemText(const CAppCommandLineInfo& info) {
  using Problem = CAppCommandLineInfo::Problem;
  const wxString argument = wxString::FromUTF8(info.problemArgument);
  switch (info.problem) {
    case Problem::kMissingLanguage: return _("--lang needs a language: ja or en");
    case Problem::kUnknownLanguage: return wxString::Format(_("unknown language \"%s\": use ja or en"), argument);
    case Problem::kUnknownOption: return wxString::Format(_("unknown option %s (see tessaly --help)"), argument);
    case Problem::kNone: break;
  }
  return wxString::FromUTF8(info.error);
}

std::optional<int> AnswerOnTerminal(const CAppCommandLineInfo& info, std::ostream& out, std::ostream& err) {
  const bool problem = info.problem != CAppCommandLineInfo::Problem::kNone || !info.error.empty();
  if (!problem && !info.showHelp && !info.showVersion) return std::nullopt;
  // The language asked for when it is a known one, else the user's.
  const bool knownLanguage = info.language.empty() || info.language == "ja" || info.language == "en";
  // Before the program's own application object: a console one, without the toolkit,
  // gives the catalog lookup what it needs and opens no display.
  const bool consoleHere = wxApp::GetInstance() == nullptr;
  if (consoleHere) {
    wxApp::SetInstance(new wxAppConsole);
    int argc = 1;
    char name[] = "tessaly";
    char* argv[] = {name, nullptr};
    if (!wxEntryStart(argc, argv)) return 2;
  }
  const bool installedHere = wxTranslations::Get() == nullptr;
  if (installedHere) InstallTranslations(knownLanguage ? info.language : std::string());
  int status = 0;
  if (problem) {
    err << "tessaly: " << ProblemText(info).utf8_string() << '\n';
    status = 2;
  } else if (info.showHelp) {
    out << UsageText().utf8_string();
  } else {
    out << "tessaly " << VersionText() << '\n';
  }
  out.flush();
  if (installedHere) wxTranslations::Set(nullptr);
  if (consoleHere) wxEntryCleanup();
  return status;
}

}  // namespace tessaly::shell
