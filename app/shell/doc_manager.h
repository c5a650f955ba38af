// The document manager: the framework's, with the program's rules for New, Open and the
// recently used files.
#pragma once

#include <wx/docview.h>

namespace tessaly::shell {

class CDocManager : public wxDocManager {
 public:
  CDocManager();

  // Four recently used files, kept in the settings file as they change.
  wxFileHistory* OnCreateFileHistory() override;
  void AddFileToHistory(const wxString& file) override;
  void RemoveFileFromHistory(size_t i) override;
  // Reads the recently used files of the last run.
  void LoadRecentFiles();
  // Shows the files on a File menu, above its "Exit".
  void FileHistoryAddFilesToMenu(wxMenu* menu) override;
  using wxDocManager::FileHistoryAddFilesToMenu;

  // Picture files go to the retouch template by their extension, without regard to case.
  wxDocTemplate* FindTemplateForPath(const wxString& path) override;
  void SetRetouchTemplate(wxDocTemplate* retouch) { m_retouch = retouch; }
  wxDocTemplate* RetouchTemplate() const { return m_retouch; }

  // A new, visible document of the template without a path; null when the document
  // refused to be made.
  wxDocument* NewDocument(wxDocTemplate* docTemplate);

  // The document open at this path, or null.
  wxDocument* FindOpenDocument(const wxString& path) const;

 private:
  void StoreRecentFiles();
  void TidyFileMenus();
  void OnNew(wxCommandEvent& event);
  void OnOpen(wxCommandEvent& event);
  void OnRecentFile(wxCommandEvent& event);

  wxDocTemplate* m_retouch = nullptr;
  bool m_loading = false;

  wxDECLARE_EVENT_TABLE();
};

}  // namespace tessaly::shell
