#include "ui/file_dialogs.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/dirctrl.h>
#include <wx/display.h>
#include <wx/docview.h>
#include <wx/filename.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <glib-object.h>

#include <algorithm>
#include <memory>
#include <new>

#include "base/prompt.h"
#include "formats/picture_file.h"
#include "ui/app_services.h"
#include "ui/dc_render_device.h"
#include "ui/file_dialog_rules.h"

// The toolkit's window calls under wx (its headers are not needed for them).
extern "C" {
struct _GtkWindow;
void gtk_window_resize(_GtkWindow* window, int width, int height);
void gtk_window_move(_GtkWindow* window, int x, int y);
}

namespace tessaly::ui {
namespace {

// How often the dialogs look whether the chosen type changed: the toolkit's chooser
// does not tell.
constexpr int kTypePollMs = 200;

wxString FromUtf8(std::string_view text) { return wxString::FromUTF8(text.data(), text.size()); }

wxWindow* CreatePreviewPanel(wxWindow* parent) { return new CPreviewPanel(parent); }

// The toolkit's chooser gives itself the height of forty lines of text, more than a
// 1280 x 800 screen has; wx leaves its size to the toolkit. It gets a size that leaves
// room for the window manager's frame and the desktop's panels on its parent's screen,
// centred on its parent, before it is on the screen: a chooser that moved after it
// appeared would take a click meant for it somewhere else.
void FitChooser(wxFileDialog* dialog) {
  wxWindow* parent = dialog->GetParent();
  const int index = wxDisplay::GetFromWindow(parent != nullptr ? parent : dialog);
  const wxRect area = wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
  const wxSize size(std::min(880, area.width - 80), std::min(600, area.height - 140));
  const wxRect around = parent != nullptr ? parent->GetScreenRect() : area;
  const int x = std::clamp(around.x + (around.width - size.x) / 2, area.x, area.GetRight() - size.x);
  const int y = std::clamp(around.y + (around.height - size.y) / 2, area.y, area.GetBottom() - size.y);
  auto* window = reinterpret_cast<_GtkWindow*>(dialog->GetHandle());
  gtk_window_resize(window, size.x, size.y);
  gtk_window_move(window, x, y);
}

void OnChooserShowing(GtkWidget*, gpointer data) { FitChooser(static_cast<wxFileDialog*>(data)); }

// Once when it is made, before the toolkit's first placement, and again as it is mapped,
// where the chooser asks for its own size: that request is only carried out at the next
// frame, and this one takes its place.
void FitChooserOnScreen(wxFileDialog& dialog) {
  g_signal_connect_after(dialog.GetHandle(), "realize", G_CALLBACK(OnChooserShowing), &dialog);
  g_signal_connect(dialog.GetHandle(), "map", G_CALLBACK(OnChooserShowing), &dialog);
}

}  // namespace

// ---------------------------------------------------------------- CPreviewPanel

CPreviewPanel::CPreviewPanel(wxWindow* parent) : m_timer(this) {
  wxXmlResource::Get()->LoadPanel(this, parent, "IDD_PREVIEW_PANEL");
  m_preview = XRCCTRL(*this, "IDC_PREVIEW", wxPanel);
  m_width = XRCCTRL(*this, "IDC_WIDTH", wxStaticText);
  m_height = XRCCTRL(*this, "IDC_HEIGHT", wxStaticText);
  m_status = XRCCTRL(*this, "IDC_STATUS", wxStaticText);
  m_readOnly = XRCCTRL(*this, "IDC_READ_ONLY", wxCheckBox);
  m_preview->Bind(wxEVT_PAINT, &CPreviewPanel::OnPaintPreview, this);
  Bind(wxEVT_UPDATE_UI, &CPreviewPanel::OnUpdate, this);
  Bind(wxEVT_TIMER, &CPreviewPanel::OnTimer, this);
  if (dynamic_cast<wxFileDialog*>(parent) != nullptr) m_timer.Start(kTypePollMs);
}

bool CPreviewPanel::ReadOnlyChosen() const { return m_readOnly->GetValue(); }
wxString CPreviewPanel::WidthText() const { return m_width->GetLabel(); }
wxString CPreviewPanel::HeightText() const { return m_height->GetLabel(); }
wxString CPreviewPanel::StatusText() const { return m_status->GetLabel(); }

void CPreviewPanel::ClearPreview() {
  m_slot.Clear();
  m_reduced = Picture{};
  m_width->SetLabel(wxString());
  m_height->SetLabel(wxString());
  m_preview->Refresh();
}

void CPreviewPanel::ShowPreview(const wxString& path) {
  m_lastPath = path;
  if (path.empty() || !wxFileName::FileExists(path)) {
    m_status->SetLabel(wxString());
    ClearPreview();
    return;
  }
  wxString status;
  if (const AppServices* services = InstalledAppServices()) {
    wxDocument* open = services->FindOpenDocument(path);
    if (open != nullptr && open->IsModified()) status = wxGetTranslation(FromUtf8(MessageText(kMsgModifying)));
  }
  m_status->SetLabel(status);

  wxBusyCursor busy;
  PictureFile file;
  bool loaded = false;
  {
    ScopedPrompt silent(std::make_unique<ScriptedPrompt>());
    loaded = OpenPictureFileToFit(file, path.utf8_string(), kMaxPictureWidth, kMaxPictureHeight);
  }
  if (!loaded) {
    ClearPreview();
    return;
  }
  // The file's own size, also of a picture shown reduced.
  m_width->SetLabel(wxString::Format("%d", file.width));
  m_height->SetLabel(wxString::Format("%d", file.height));
  m_slot.Clear();
  try {
    m_reduced = PreviewPicture(file.picture);
  } catch (const std::bad_alloc&) {
    m_reduced = Picture{};
    Prompt().Show(kMsgNotEnoughMemory);
  }
  m_preview->Refresh();
}

void CPreviewPanel::OnPaintPreview(wxPaintEvent&) {
  wxPaintDC dc(m_preview);
  const wxSize area = m_preview->GetClientSize();
  dc.SetBackground(*wxBLACK_BRUSH);
  dc.Clear();
  if (!m_reduced.Empty()) {
    try {
      DcRenderDevice device(dc);
      if (!m_slot.renderer) {
        if (m_reduced.bitsPerPixel == 24)
          CreateRenderer(m_slot, m_reduced.width, m_reduced.height, m_reduced.pixels, 0, 0, m_reduced.width,
                         m_reduced.height, device);
        else
          m_slot.renderer = CreateIndexedRenderer(m_reduced);
      }
      if (m_slot.renderer) {
        // Scaled to fit the area with its proportions kept, from the top-left corner.
        const int inner = std::max(1, area.GetWidth() - 2), innerH = std::max(1, area.GetHeight() - 2);
        const double scale =
            std::min(static_cast<double>(inner) / m_reduced.width, static_cast<double>(innerH) / m_reduced.height);
        dc.SetDeviceOrigin(1, 1);
        m_slot.renderer->DrawStretched(device, std::max(1, static_cast<int>(m_reduced.width * scale)),
                                       std::max(1, static_cast<int>(m_reduced.height * scale)));
        dc.SetDeviceOrigin(0, 0);
      }
    } catch (const std::bad_alloc&) {
      m_slot.Clear();
      Prompt().Show(kMsgNotEnoughMemory);
    }
  }
  dc.SetPen(wxPen(wxColour(128, 128, 128)));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(0, 0, area.GetWidth(), area.GetHeight());
}

void CPreviewPanel::OnUpdate(wxUpdateUIEvent& event) {
  event.Skip();
  auto* dialog = dynamic_cast<wxFileDialog*>(GetParent());
  if (dialog == nullptr) return;
  const wxString path = dialog->GetCurrentlySelectedFilename();
  if (path != m_lastPath) ShowPreview(path);
}

void CPreviewPanel::OnTimer(wxTimerEvent&) {
  auto* dialog = dynamic_cast<wxFileDialog*>(GetParent());
  if (dialog == nullptr) return;
  // A change of type shows the current selection again, as a new selection would.
  const int filter = dialog->GetFilterIndex();
  const wxString path = dialog->GetCurrentlySelectedFilename();
  if (filter != m_lastFilter || path != m_lastPath) {
    m_lastFilter = filter;
    ShowPreview(path);
  }
}

// ---------------------------------------------------------------- CPreviewFileDialog

CPreviewFileDialog::CPreviewFileDialog(wxWindow* parent, const wxString& title, std::string_view filter,
                                       const wxString& folder, int filterIndex)
    : wxFileDialog(parent, title, folder, wxString(), FromUtf8(ToolkitFilter(CaseBlindPatterns(filter))),
                   wxFD_OPEN | wxFD_FILE_MUST_EXIST) {
  SetFilterIndex(filterIndex);
  SetExtraControlCreator(&CreatePreviewPanel);
  FitChooserOnScreen(*this);
}

CPreviewPanel* CPreviewFileDialog::Panel() const { return dynamic_cast<CPreviewPanel*>(GetExtraControl()); }

namespace {
CPreviewFileDialog* g_runningOpen = nullptr;
}

CPreviewFileDialog* CPreviewFileDialog::Running() { return g_runningOpen; }

int CPreviewFileDialog::ShowModal() {
  CPreviewFileDialog* outer = g_runningOpen;
  g_runningOpen = this;
  const int answer = wxFileDialog::ShowModal();
  g_runningOpen = outer;
  if (CPreviewPanel* panel = Panel()) m_readOnlyChosen = panel->ReadOnlyChosen();
  return answer;
}

// ---------------------------------------------------------------- CFolderDialog

CFolderDialog::CFolderDialog(wxWindow* parent, const wxString& title, std::string_view filter, const wxString& folder,
                             int filterIndex) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_FOLDER_DIALOG");
  SetTitle(title);
  m_tree = XRCCTRL(*this, "IDC_FOLDERS", wxGenericDirCtrl);
  m_folder = XRCCTRL(*this, "IDC_FOLDER", wxTextCtrl);
  m_type = XRCCTRL(*this, "IDC_TYPE", wxChoice);
  for (const auto& [label, pattern] : FilterEntries(filter)) m_type->Append(FromUtf8(label));
  SetFilterIndex(filterIndex);
  SetFolder(folder.empty() || !wxFileName::DirExists(folder) ? wxGetCwd() : folder);

  m_tree->Bind(wxEVT_TREE_SEL_CHANGED, [this](wxTreeEvent& event) {
    wxCommandEvent forward;
    OnTreeSelection(forward);
    event.Skip();
  });
  m_type->Bind(wxEVT_CHOICE, &CFolderDialog::OnType, this);
  Bind(wxEVT_BUTTON, &CFolderDialog::OnOk, this, wxID_OK);
  // Ctrl+L, as in the desktop's own file dialogs: a folder is typed rather than chosen.
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    if (event.GetModifiers() == wxMOD_CONTROL && (event.GetKeyCode() == 'L' || event.GetKeyCode() == 'l')) {
      m_folder->SetFocus();
      m_folder->SelectAll();
      return;
    }
    event.Skip();
  });
  Fit();
  SetMinSize(GetSize());
  CentreOnParent();
}

wxString CFolderDialog::GetFolder() const { return m_folder->GetValue(); }

void CFolderDialog::SetFolder(const wxString& folder) {
  m_folder->ChangeValue(folder);
  if (wxFileName::DirExists(folder)) m_tree->SetPath(folder);
}

int CFolderDialog::GetFilterIndex() const { return std::max(0, m_type->GetSelection()); }

void CFolderDialog::SetFilterIndex(int index) {
  if (m_type->IsEmpty()) return;
  m_type->SetSelection(std::clamp(index, 0, static_cast<int>(m_type->GetCount()) - 1));
  m_typeLabel = m_type->GetStringSelection();
}

void CFolderDialog::OnTreeSelection(wxCommandEvent&) {
  const wxString path = m_tree->GetPath();
  if (!path.empty()) m_folder->ChangeValue(path);
}

void CFolderDialog::OnType(wxCommandEvent&) { m_typeLabel = m_type->GetStringSelection(); }

void CFolderDialog::OnOk(wxCommandEvent& event) {
  wxFileName folder = wxFileName::DirName(GetFolder());
  folder.MakeAbsolute();
  if (GetFolder().empty() || !folder.DirExists()) {
    Prompt().Show(kMsgInvalidPath);
    m_folder->SetFocus();
    return;
  }
  m_folder->ChangeValue(folder.GetPath());
  m_typeLabel = m_type->GetStringSelection();
  event.Skip();
}

// ---------------------------------------------------------------- CFileSaveDialog

CFileSaveDialog::CFileSaveDialog(wxWindow* parent, const wxString& title, std::string_view filter,
                                 const wxString& folder, const wxString& name, int filterIndex)
    : wxFileDialog(parent, title, folder, wxString(), FromUtf8(ToolkitFilter(CaseBlindPatterns(filter))), wxFD_SAVE),
      m_filter(filter),
      m_timer(this) {
  // The name is given afterwards: the toolkit would otherwise add the list's first
  // pattern to a name without extension, and the patterns here match both cases.
  SetFilterIndex(filterIndex);
  SetFilename(name);
  Bind(wxEVT_BUTTON, &CFileSaveDialog::OnOk, this, wxID_OK);
  FitChooserOnScreen(*this);
  Bind(wxEVT_TIMER, &CFileSaveDialog::OnTimer, this);
}

bool CFileSaveDialog::SyncExtension() {
  const std::string extension = PatternExtension(FilterPattern(m_filter, GetFilterIndex()));
  // The whole path: a name typed with its folder keeps that folder when it is corrected.
  const wxString path = GetPath();
  const wxString typed = path.empty() ? GetFilename() : path;
  auto corrected = CorrectedFileName(std::string(typed.fn_str()), extension);
  if (!corrected) return false;
  const wxString name(corrected->c_str(), wxConvFile);
  if (path.empty())
    SetFilename(name);
  else
    SetPath(name);
  return true;
}

namespace {
CFileSaveDialog* g_runningSave = nullptr;
}

CFileSaveDialog* CFileSaveDialog::Running() { return g_runningSave; }

int CFileSaveDialog::ShowModal() {
  CFileSaveDialog* outer = g_runningSave;
  g_runningSave = this;
  m_lastFilter = GetFilterIndex();
  m_timer.Start(kTypePollMs);
  const int answer = wxFileDialog::ShowModal();
  m_timer.Stop();
  g_runningSave = outer;
  return answer;
}

void CFileSaveDialog::OnTimer(wxTimerEvent&) {
  const int filter = GetFilterIndex();
  if (filter == m_lastFilter) return;
  m_lastFilter = filter;
  SyncExtension();
}

void CFileSaveDialog::OnOk(wxCommandEvent& event) {
  // A corrected name is shown first; the user confirms it with the next OK.
  if (SyncExtension()) return;
  if (wxFileName::FileExists(GetPath()) &&
      Prompt().Show(kMsgFileExistsReplace, PromptButtons::kYesNo) != PromptAnswer::kYes)
    return;
  event.Skip();
}

}  // namespace tessaly::ui
