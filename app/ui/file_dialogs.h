// The program's three file dialogs: File Open with a preview, the folder chooser, and
// Save As that keeps the name's extension in step with the chosen type.
#pragma once

#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/panel.h>
#include <wx/timer.h>

#include <string>
#include <string_view>

#include "picture/picture.h"
#include "picture/renderer.h"

class wxCheckBox;
class wxChoice;
class wxGenericDirCtrl;
class wxStaticText;
class wxTextCtrl;

namespace tessaly::ui {

// The panel below File Open's chooser: an 80 x 60 preview of the picture under the
// cursor, its width and height, "Modifying ..." for a picture being edited with unsaved
// changes, and the "Read Only" choice.
class CPreviewPanel : public wxPanel {
 public:
  explicit CPreviewPanel(wxWindow* parent);

  // Shows the picture file at path, or clears the preview for a folder, a missing file
  // or one that cannot be loaded. A picture that fails to load says nothing: the user
  // is only browsing.
  void ShowPreview(const wxString& path);
  void ClearPreview();

  bool ReadOnlyChosen() const;
  wxString WidthText() const;
  wxString HeightText() const;
  wxString StatusText() const;
  const Picture& Reduced() const { return m_reduced; }
  const wxString& LastPreviewed() const { return m_lastPath; }

 private:
  void OnPaintPreview(wxPaintEvent& event);
  void OnUpdate(wxUpdateUIEvent& event);
  void OnTimer(wxTimerEvent& event);

  wxPanel* m_preview = nullptr;
  wxStaticText* m_width = nullptr;
  wxStaticText* m_height = nullptr;
  wxStaticText* m_status = nullptr;
  wxCheckBox* m_readOnly = nullptr;
  Picture m_reduced;
  RendererSlot m_slot;
  wxString m_lastPath;
  int m_lastFilter = -1;
  wxTimer m_timer;
};

// File Open: the toolkit's chooser with the preview panel below it.
class CPreviewFileDialog : public wxFileDialog {
 public:
  CPreviewFileDialog(wxWindow* parent, const wxString& title, std::string_view filter, const wxString& folder,
                     int filterIndex);
  // The preview panel while the dialog runs (and until it is destroyed), or null.
  CPreviewPanel* Panel() const;
  // The "Read Only" box when the dialog was closed.
  bool ReadOnlyChosen() const { return m_readOnlyChosen; }
  int ShowModal() override;
  // The File Open dialog being shown, or null (the toolkit's chooser is no top-level
  // window that could be looked up).
  static CPreviewFileDialog* Running();

 private:
  bool m_readOnlyChosen = false;
};

// Choosing a folder and a file type in one dialog (Open Album, the camera's saves). The
// toolkit's folder chooser has no list of types, so this is a dialog of its own: a tree
// of folders, the folder's path (which may be typed), and the list of types.
class CFolderDialog : public wxDialog {
 public:
  CFolderDialog(wxWindow* parent, const wxString& title, std::string_view filter, const wxString& folder,
                int filterIndex);

  wxString GetFolder() const;
  void SetFolder(const wxString& folder);
  // The text of the chosen type, e.g. "JPEG(*.jpg)", and its index (from 0).
  wxString GetTypeLabel() const { return m_typeLabel; }
  int GetFilterIndex() const;
  void SetFilterIndex(int index);

 private:
  void OnTreeSelection(wxCommandEvent& event);
  void OnType(wxCommandEvent& event);
  void OnOk(wxCommandEvent& event);

  wxGenericDirCtrl* m_tree = nullptr;
  wxTextCtrl* m_folder = nullptr;
  wxChoice* m_type = nullptr;
  wxString m_typeLabel;
};

// Save As: the toolkit's chooser whose name follows the chosen type's extension. When
// OK finds a name whose extension does not fit the type, the name is corrected and the
// dialog stays open showing it; the next OK saves. An existing file is replaced only
// after the user said so.
class CFileSaveDialog : public wxFileDialog {
 public:
  CFileSaveDialog(wxWindow* parent, const wxString& title, std::string_view filter, const wxString& folder,
                  const wxString& name, int filterIndex);

  // Gives the name the extension of the chosen type; true when it changed.
  bool SyncExtension();
  int ShowModal() override;
  // The Save As dialog being shown, or null (like File Open's, not to be looked up).
  static CFileSaveDialog* Running();

 private:
  void OnOk(wxCommandEvent& event);
  void OnTimer(wxTimerEvent& event);

  std::string m_filter;
  int m_lastFilter = -1;
  wxTimer m_timer;
};

}  // namespace tessaly::ui
