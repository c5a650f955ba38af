#include "shell/doc_manager.h"

#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/menu.h>

#include "base/ini_file.h"
#include "formats/picture_file.h"
#include "shell/app.h"
#include "shell/app_settings.h"

namespace tessaly::shell {

wxBEGIN_EVENT_TABLE(CDocManager, wxDocManager)
  EVT_MENU(wxID_NEW, CDocManager::OnNew)
  EVT_MENU(wxID_OPEN, CDocManager::OnOpen)
  EVT_MENU_RANGE(wxID_FILE1, wxID_FILE9, CDocManager::OnRecentFile)
wxEND_EVENT_TABLE()

namespace {

// The history appends its entries at the end of the File menu; "Exit" goes back below
// them, after one separator, as on every document program.
void KeepExitLast(wxMenu* menu) {
  wxMenuItem* exit = menu->FindChildItem(wxID_EXIT);
  if (exit == nullptr) return;
  exit = menu->Remove(exit);
  auto isSeparator = [menu](size_t pos) { return menu->FindItemByPosition(pos)->IsSeparator(); };
  auto isRecent = [menu](size_t pos) {
    const int id = menu->FindItemByPosition(pos)->GetId();
    return id >= wxID_FILE1 && id <= wxID_FILE9;
  };
  // A separator goes when it doubles another, or when it stands between two recent
  // files (a file added later is appended after the separator above "Exit").
  for (size_t pos = 1; pos < menu->GetMenuItemCount();) {
    const bool between = pos + 1 < menu->GetMenuItemCount() && isRecent(pos - 1) && isRecent(pos + 1);
    if (isSeparator(pos) && (isSeparator(pos - 1) || between))
      menu->Destroy(menu->FindItemByPosition(pos));
    else
      ++pos;
  }
  while (menu->GetMenuItemCount() > 0 && isSeparator(menu->GetMenuItemCount() - 1))
    menu->Destroy(menu->FindItemByPosition(menu->GetMenuItemCount() - 1));
  menu->AppendSeparator();
  menu->Append(exit);
}

}  // namespace

// The base class would make its file history before this class exists; Initialize
// runs here so that the four-entry history is the one made.
CDocManager::CDocManager() : wxDocManager(0, false) {
  Initialize();
  SetMaxDocsOpen(1000);
}

wxFileHistory* CDocManager::OnCreateFileHistory() {
  auto* history = new wxFileHistory(kRecentFileCount);
  // Whole paths, always: shortened to a name when an entry shares the first one's
  // folder, the list read differently after a restart, which adds the entries anew.
  history->SetMenuPathStyle(wxFH_PATH_SHOW_ALWAYS);
  return history;
}

void CDocManager::LoadRecentFiles() {
  IniFile ini;
  ini.Load(SettingsFilePath());
  std::vector<std::string> files = ReadRecentFiles(ini);
  m_loading = true;
  // The history puts each file added first, so the oldest goes in first.
  for (auto it = files.rbegin(); it != files.rend(); ++it) wxDocManager::AddFileToHistory(wxString::FromUTF8(*it));
  m_loading = false;
}

void CDocManager::TidyFileMenus() {
  if (GetFileHistory() == nullptr) return;
  for (wxList::compatibility_iterator node = GetFileHistory()->GetMenus().GetFirst(); node; node = node->GetNext())
    KeepExitLast(static_cast<wxMenu*>(node->GetData()));
}

void CDocManager::FileHistoryAddFilesToMenu(wxMenu* menu) {
  wxDocManager::FileHistoryAddFilesToMenu(menu);
  KeepExitLast(menu);
}

void CDocManager::StoreRecentFiles() {
  TidyFileMenus();
  if (m_loading) return;
  std::vector<std::string> files;
  for (size_t i = 0; i < GetHistoryFilesCount(); ++i) files.push_back(GetHistoryFile(i).utf8_string());
  IniFile ini;
  const auto path = SettingsFilePath();
  ini.Load(path);
  shell::StoreRecentFiles(ini, files);
  ini.Save(path);
}

void CDocManager::AddFileToHistory(const wxString& file) {
  wxDocManager::AddFileToHistory(file);
  StoreRecentFiles();
}

void CDocManager::RemoveFileFromHistory(size_t i) {
  wxDocManager::RemoveFileFromHistory(i);
  StoreRecentFiles();
}

wxDocTemplate* CDocManager::FindTemplateForPath(const wxString& path) {
  if (m_retouch != nullptr && IsReadablePictureName(path.utf8_string())) return m_retouch;
  return wxDocManager::FindTemplateForPath(path);
}

wxDocument* CDocManager::NewDocument(wxDocTemplate* docTemplate) {
  if (docTemplate == nullptr) return nullptr;
  wxDocument* doc = docTemplate->CreateDocument(wxString(), wxDOC_NEW);
  if (doc == nullptr) return nullptr;
  doc->SetDocumentName(docTemplate->GetDocumentName());
  if (!doc->OnNewDocument()) {
    doc->DeleteAllViews();
    return nullptr;
  }
  doc->Activate();
  return doc;
}

wxDocument* CDocManager::FindOpenDocument(const wxString& path) const {
  const wxFileName wanted(path);
  for (wxDocument* doc : GetDocumentsVector()) {
    if (!doc->GetFilename().empty() && wxFileName(doc->GetFilename()).SameAs(wanted)) return doc;
  }
  return nullptr;
}

void CDocManager::OnNew(wxCommandEvent&) { NewDocument(m_retouch); }

void CDocManager::OnOpen(wxCommandEvent&) {
  if (CCameraApp* app = TheApp()) app->FileOpen();
}

void CDocManager::OnRecentFile(wxCommandEvent& event) {
  const size_t index = static_cast<size_t>(event.GetId() - wxID_FILE1);
  if (index >= GetHistoryFilesCount()) return;
  const wxString file = GetHistoryFile(index);
  CCameraApp* app = TheApp();
  if (app == nullptr) return;
  // A file that can no longer be opened leaves the list, as it would never open again.
  if (app->OpenDocumentFile(file) == nullptr && !wxFileName::Exists(file)) RemoveFileFromHistory(index);
}

}  // namespace tessaly::shell
