#include "shell/readme_window.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/sstream.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>
#include <wx/wfstream.h>
#include <wx/zstream.h>

#include <filesystem>
#include <system_error>

#include "base/prompt.h"

namespace tessaly::shell {
namespace {

wxString ProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? wxString() : wxString(exe.parent_path().c_str(), *wxConvFileName);
}

wxWeakRef<wxDialog> g_readme;

}  // namespace

wxString ReadmePath() {
  const wxString folder = ProgramFolder();
  if (folder.empty()) return {};
  wxFileName installed(folder + wxFILE_SEP_PATH + TESSALY_DOC_FROM_BINDIR, "README.md.gz");
  installed.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
  if (installed.FileExists()) return installed.GetFullPath();
  // Only a program of this build tree reads the source's README, as with the catalogs.
  wxFileName buildTree(TESSALY_BUILD_DIR, "");
  wxFileName source(TESSALY_SOURCE_README);
  if ((folder + wxFILE_SEP_PATH).StartsWith(buildTree.GetPath() + wxFILE_SEP_PATH) && source.FileExists())
    return source.GetFullPath();
  return {};
}

bool ReadReadme(const wxString& path, wxString& text) {
  wxFileInputStream file(path);
  if (!file.IsOk()) return false;
  wxStringOutputStream out(nullptr, wxConvUTF8);
  if (path.EndsWith(".gz")) {
    wxZlibInputStream unzipped(file, wxZLIB_GZIP);
    unzipped.Read(out);
    if (unzipped.GetLastError() != wxSTREAM_EOF) return false;
  } else {
    file.Read(out);
    if (file.GetLastError() != wxSTREAM_EOF) return false;
  }
  text = out.GetString();
  return !text.empty();
}

void ShowReadme(wxWindow* parent) {
  if (g_readme) {
    g_readme->Raise();
    return;
  }
  wxString text;
  const wxString path = ReadmePath();
  if (path.empty() || !ReadReadme(path, text)) {
    Prompt().Show(kMsgNoHelpFile);
    return;
  }
  auto* dialog = new wxDialog(parent, wxID_ANY, _("Tessaly Help"), wxDefaultPosition, wxDefaultSize,
                              wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
  auto* view = new wxTextCtrl(dialog, wxID_ANY, text, wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
  view->SetFont(wxFont(wxFontInfo().Family(wxFONTFAMILY_TELETYPE)));
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(view, 1, wxEXPAND | wxALL, 6);
  sizer->Add(dialog->CreateButtonSizer(wxCLOSE), 0, wxEXPAND | wxALL, 6);
  dialog->SetSizer(sizer);
  dialog->SetSize(dialog->FromDIP(wxSize(720, 560)));
  dialog->SetEscapeId(wxID_CLOSE);
  dialog->Bind(
      wxEVT_BUTTON, [dialog](wxCommandEvent&) { dialog->Destroy(); }, wxID_CLOSE);
  dialog->Bind(wxEVT_CLOSE_WINDOW, [dialog](wxCloseEvent&) { dialog->Destroy(); });
  if (parent != nullptr) dialog->CentreOnParent();
  g_readme = dialog;
  dialog->Show();
  view->SetInsertionPoint(0);
}

}  // namespace tessaly::shell
