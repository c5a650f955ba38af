#include "windows/album_window.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/control.h>
#include <wx/dcbuffer.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>
#include <chrono>
#include <new>

#include "album/album_copy.h"
#include "album/album_scan.h"
#include "base/file_io.h"
#include "base/ini_file.h"
#include "base/prompt.h"
#include "formats/picture_file.h"
#include "picture/album_thumbnail.h"
#include "picture/progress.h"
#include "ui/app_services.h"
#include "ui/app_state.h"
#include "ui/dc_render_device.h"
#include "ui/file_dialog_rules.h"
#include "ui/file_dialogs.h"
#include "ui/printing.h"
#include "ui/processing_dlg.h"
#include "ui/wx_path.h"
#include "ui/wx_prompt.h"
#include "windows/contact_sheet_printout.h"
#include "windows/slide_show_window.h"
#include "workflows/send_to_camera.h"

namespace tessaly::windows {

namespace fs = std::filesystem;

wxIMPLEMENT_DYNAMIC_CLASS(CAlbumDoc, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CAlbumView, wxView);

// ---------------------------------------------------------------- paths and names

std::string UriList(const std::vector<fs::path>& paths) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const auto& path : paths) {
    out += "file://";
    for (unsigned char c : path.native()) {
      bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
                   c == '_' || c == '.' || c == '~';
      if (plain) {
        out += static_cast<char>(c);
      } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    }
    out += "\r\n";
  }
  return out;
}

FileListDataObject::FileListDataObject(const std::vector<fs::path>& paths) {
  std::string uris = UriList(paths);
  auto* list = new wxCustomDataObject(wxDataFormat("text/uri-list"));
  list->SetData(uris.size(), uris.data());
  Add(list, true);
  // File managers paste copied files from this form: the action, then one URI a line.
  std::string copied = "copy";
  for (std::size_t start = 0; start < uris.size();) {
    std::size_t end = uris.find("\r\n", start);
    copied += "\n" + uris.substr(start, end - start);
    start = end + 2;
  }
  auto* gnome = new wxCustomDataObject(wxDataFormat("x-special/gnome-copied-files"));
  gnome->SetData(copied.size(), copied.data());
  Add(gnome);
}

DragEnd DecideDragEnd(bool accepted, const PixelRect& mainWindow, const PixelRect& albumClient, int x, int y) {
  auto inside = [](const PixelRect& r, int px, int py) {
    return px >= r.left && px < r.left + r.width && py >= r.top && py < r.top + r.height;
  };
  if (accepted || !inside(mainWindow, x, y) || inside(albumClient, x, y)) return DragEnd::kNothing;
  return DragEnd::kOpenInWindows;
}

// ---------------------------------------------------------------- template and document

wxDocTemplate* AlbumTemplate(wxDocManager* manager) {
  if (!manager) return nullptr;
  for (wxDocTemplate* candidate : manager->GetTemplatesVector())
    if (candidate->GetDocClassInfo() == CLASSINFO(CAlbumDoc)) return candidate;
  return new wxDocTemplate(manager, _("Album"), "*.*", "", "", "Album Document", "Album View", CLASSINFO(CAlbumDoc),
                           CLASSINFO(CAlbumView), wxTEMPLATE_INVISIBLE);
}

CAlbumDoc* OpenAlbumWindow(wxDocManager* manager, const fs::path& folder, const std::string& pattern) {
  wxDocTemplate* albumTemplate = AlbumTemplate(manager);
  if (!albumTemplate) return nullptr;
  // The folder and pattern are in place before the view's first update posts the build.
  wxDocument* document = albumTemplate->CreateDocument(ui::PathToWx(folder), wxDOC_SILENT);
  auto* album = dynamic_cast<CAlbumDoc*>(document);
  if (album) album->SetFolder(folder, pattern);
  return album;
}

namespace {

// The folder a chosen path names, a link followed. A link that leads nowhere gives no
// folder, after the message that names it.
std::optional<fs::path> FollowedFolder(const fs::path& chosen) {
  std::error_code error;
  std::optional<fs::path> folder = FollowShortcut(chosen, error);
  if (!folder) ReportFileError(error, chosen);
  return folder;
}

}  // namespace

void RunOpenAlbum(wxWindow* parent, const std::function<void(const fs::path&, const std::string&)>& open) {
  ui::AppState& state = ui::TheAppState();
  ui::CFolderDialog dialog(parent, _("Open Album"), MessageText(kMsgOpenFilter), wxString::FromUTF8(state.albumDir),
                           ui::ToolkitFilterIndex(state.albumFilterIndex));
  if (dialog.ShowModal() != wxID_OK) return;
  std::string pattern = PatternOfTypeLabel(dialog.GetTypeLabel().utf8_string());
  // A link to a folder opens the folder; one that leads nowhere says so, and the last
  // folder used stays the one the settings remember.
  const std::optional<fs::path> folder = FollowedFolder(ui::WxToPath(dialog.GetFolder()));
  if (!folder) return;
  ui::RememberChoice(ui::DialogChoice::kAlbumOpen, folder->native(), ui::StoredFilterIndex(dialog.GetFilterIndex()));
  open(*folder, pattern);
}

void CAlbumDoc::SetFolder(const fs::path& folder, const std::string& pattern) {
  m_album.SetFolder(folder, pattern);
  std::string shown = m_album.Folder().native();
  if (shown.empty() || shown.back() != '/') shown += '/';
  wxString title = _("Album") + "  :  " + ui::DisplayName(shown);
  SetTitle(title);
  SetFilename(ui::PathToWx(m_album.Folder()), false);
  for (wxView* view : GetViewsVector())
    if (wxWindow* frame = view->GetFrame()) frame->SetLabel(title);
}

bool CAlbumDoc::OnOpenDocument(const wxString& path) {
  // Opened by its folder alone, an album shows every kind of picture.
  SetFolder(ui::WxToPath(path), "");
  return true;
}

// ---------------------------------------------------------------- frame

CAlbumFrame::CAlbumFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent, const wxString& title)
    : ui::CChildFrame(doc, view, parent, title, wxSize(640, 440)) {
  if (wxMenuBar* menu = wxXmlResource::Get()->LoadMenuBar("IDR_ALBUM")) SetMenuBar(menu);
  Bind(wxEVT_MOVE, &CAlbumFrame::OnMove, this);
}

// ---------------------------------------------------------------- the view

namespace {

// The album takes no drops: without a target of its own, a drop on it would reach the
// main window's and open the album's own files.
class RefusingDropTarget : public wxDropTarget {
 public:
  wxDragResult OnDragOver(wxCoord, wxCoord, wxDragResult) override { return wxDragNone; }
  bool OnDrop(wxCoord, wxCoord) override { return false; }
  wxDragResult OnData(wxCoord, wxCoord, wxDragResult) override { return wxDragNone; }
};

int Id(const char* name) { return wxXmlResource::GetXRCID(name); }

wxMDIParentFrame* MainFrame() { return ui::MainWindow(); }

}  // namespace

enum class AlbumRule {
  kNever,          // the window has nothing to save and no properties to show
  kBuilt,          // once the list is built
  kWithItems,      // once built, with at least one picture
  kWithSelection,  // once built, with a picture selected
  kNotOurs,        // an item of another window's menu: its state is left to that window
};

namespace {

struct AlbumCommandRow {
  const char* menuName;  // the item's name in the menu resource; null for a stock command
  int stockId;
  void (CAlbumView::*run)();  // null for the commands that are only ever disabled
  AlbumRule rule;
};

constexpr AlbumCommandRow kAlbumCommands[] = {
    {nullptr, wxID_COPY, &CAlbumView::CopySelected, AlbumRule::kWithSelection},
    {"ID_EDIT_SELECT_ALL_IMAGES", 0, &CAlbumView::SelectAll, AlbumRule::kBuilt},
    {"ID_ALBUM_DELETE", 0, &CAlbumView::DeleteSelected, AlbumRule::kWithSelection},
    // The main window's Delete key arrives as the retouch window's command.
    {"ID_DISCARD_FLOATING", 0, &CAlbumView::DeleteSelected, AlbumRule::kNotOurs},
    {"ID_SAVE_FROM_ALBUM", 0, &CAlbumView::SaveFromAlbum, AlbumRule::kWithSelection},
    {"ID_SAVE_TO_CAMERA", 0, &CAlbumView::SaveToCamera, AlbumRule::kWithSelection},
    {"ID_SLIDE_SHOW", 0, &CAlbumView::StartSlideShow, AlbumRule::kBuilt},
    {nullptr, wxID_PRINT, &CAlbumView::Print, AlbumRule::kWithItems},
    {nullptr, wxID_PREVIEW, &CAlbumView::Preview, AlbumRule::kWithItems},
    {"ID_PHOTO_PROPERTIES", 0, nullptr, AlbumRule::kNever},
    {nullptr, wxID_SAVE, nullptr, AlbumRule::kNever},
    {nullptr, wxID_SAVEAS, nullptr, AlbumRule::kNever},
};

}  // namespace

CAlbumView::CAlbumView() {
  for (const AlbumCommandRow& row : kAlbumCommands) {
    const int id = row.menuName ? Id(row.menuName) : row.stockId;
    if (row.run)
      Bind(
          wxEVT_MENU, [this, run = row.run](wxCommandEvent&) { (this->*run)(); }, id);
    if (row.rule != AlbumRule::kNotOurs)
      Bind(
          wxEVT_UPDATE_UI, [this, rule = row.rule](wxUpdateUIEvent& event) { event.Enable(Allows(rule)); }, id);
  }
}

bool CAlbumView::Allows(AlbumRule rule) const {
  switch (rule) {
    case AlbumRule::kNever: return false;
    case AlbumRule::kNotOurs: return true;
    case AlbumRule::kBuilt: return !m_building;
    case AlbumRule::kWithItems: return !m_building && !m_items.empty();
    case AlbumRule::kWithSelection:
      return !m_building && std::any_of(m_items.begin(), m_items.end(), [](const AlbumItem& i) { return i.selected; });
  }
  return false;
}

void CAlbumView::Print() {
  if (!m_items.empty()) ui::PrintWithDialog(GetFrame(), OnCreatePrintout());
}

void CAlbumView::Preview() {
  if (!m_items.empty())
    ui::ShowPrintPreview(GetFrame(), OnCreatePrintout(), OnCreatePrintout(), GetDocument()->GetUserReadableName());
}

CAlbumView::~CAlbumView() {
  if (m_slide) m_slide->End();
}

CAlbumDoc* CAlbumView::Doc() const { return dynamic_cast<CAlbumDoc*>(GetDocument()); }

wxFrame* CAlbumView::Frame() const { return dynamic_cast<wxFrame*>(GetFrame()); }

bool CAlbumView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  wxMDIParentFrame* parent = MainFrame();
  if (!parent) return false;
  auto* frame = new CAlbumFrame(doc, this, parent, doc->GetUserReadableName());
  m_grid = new CIconGrid(frame, *this, "album", wxSize(kAlbumThumbWidth, kAlbumThumbHeight));
  m_grid->SetDropTarget(new RefusingDropTarget);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_grid, 1, wxEXPAND);
  frame->SetSizer(sizer);
  frame->Show();
  Activate(true);
  m_grid->SetFocus();
  // The window shows empty first and fills while the progress dialog runs.
  CallAfter(&CAlbumView::OnBuild);
  return true;
}

bool CAlbumView::OnClose(bool deleteWindow) {
  if (m_building) return false;
  if (m_slide) m_slide->End();
  return wxView::OnClose(deleteWindow);
}

void CAlbumView::OnBuild() {
  if (m_built || m_building) return;
  bool built = BuildList();
  m_built = true;
  if (!built) {
    Prompt().Show(kMsgNoDataInAlbum);
    if (wxFrame* frame = Frame()) frame->CallAfter([frame] { frame->Close(); });
    if (m_grid) m_grid->Refresh();
  }
}

namespace {

// Follows the album's build with the progress dialog. Handling the waiting events, and
// with them the drawing, costs more than a thumbnail: the dialog, the grid and the
// events are served a few times a second rather than after every file, so that the
// window keeps up with the build and still answers Cancel at once.
class BuildProgress : public AlbumBuildSink {
 public:
  BuildProgress(CAlbumView& view, ui::CProcessingDlg& dialog, std::function<void()> showNew)
      : m_view(view), m_dialog(dialog), m_showNew(std::move(showNew)) {}

  bool Next(std::size_t index, std::size_t, std::string_view name) override {
    const auto now = std::chrono::steady_clock::now();
    if (index > 0 && now - m_served < kServeEvery) return true;
    m_dialog.SetName(ui::DisplayName(name));
    m_dialog.SetPos(static_cast<int>(index));
    m_showNew();
    const bool goOn = ServeEvents();
    m_served = std::chrono::steady_clock::now();
    return goOn;
  }
  void Done(std::size_t, int entry) override {
    if (entry < 0) return;
    const std::string& name = Album().Entries()[static_cast<std::size_t>(entry)].name;
    m_view.Items().push_back({name, ui::DisplayName(name), wxBitmap(), false});
  }

 private:
  static constexpr std::chrono::milliseconds kServeEvery{25};
  // At most this long for the events at one time: the toolkit paces its drawing by the
  // display's frames, and waiting for the next frame would stall the build each time.
  static constexpr std::chrono::milliseconds kServeAtMost{2};

  // Handles the events that are ready, without waiting for more; false once Cancel was
  // pressed.
  bool ServeEvents() { return m_dialog.ServeReadyEvents(kServeAtMost); }
  const AlbumModel& Album() const { return m_view.Doc()->Album(); }

  CAlbumView& m_view;
  ui::CProcessingDlg& m_dialog;
  std::function<void()> m_showNew;
  std::chrono::steady_clock::time_point m_served;
};

// The status bar's meter through a whole build: every file's decoding puts it up and
// takes it down again, and each time the status bar is laid out and drawn anew. Through
// a build it goes up once with the first message and down at the end; its bar stays
// empty, as each file's decoding left it when it began.
class SteadyMeter : public ProgressDisplay {
 public:
  // The meter shown through this one: the status bar's, installed before the build.
  void Wrap(ProgressDisplay* meter) { m_meter = meter; }
  void Begin(MessageId message) override {
    if (!m_meter || (m_shown && message == m_message)) return;
    m_meter->Begin(message);
    m_shown = true;
    m_message = message;
  }
  void SetRange(int) override {}
  void SetStep(int) override {}
  void StepIt() override {}
  void End() override {}
  // The build is over: the meter goes.
  void Finish() {
    if (m_shown && m_meter) m_meter->End();
    m_shown = false;
  }

 private:
  ProgressDisplay* m_meter = nullptr;
  bool m_shown = false;
  MessageId m_message{};
};

}  // namespace

namespace {

// The one message of a build about the files it could not read: the first ten by name
// with the reason, then how many more.
wxString UnreadableFilesText(const std::vector<AlbumFailure>& failures) {
  constexpr std::size_t kNamed = 10;
  wxString text = _("These files could not be read as pictures:");
  text += "\n";
  for (std::size_t i = 0; i < failures.size() && i < kNamed; ++i) {
    const std::string name = DisplayNameUtf8(failures[i].name);
    const wxString reason = ui::Translated(failures[i].message);
    text += "\n" + wxString::FromUTF8(name) + wxString::FromUTF8(" \u2014 ") + reason;
  }
  if (failures.size() > kNamed)
    text += "\n" + wxString::Format(_("and %d more."), static_cast<int>(failures.size() - kNamed));
  return text;
}

}  // namespace

bool CAlbumView::BuildList() {
  CAlbumDoc* doc = Doc();
  if (!doc || !m_grid) return false;
  m_building = true;
  AlbumModel& album = doc->Album();
  album.Scan();
  m_items.clear();
  m_itemsShown = 0;
  m_grid->ItemsChanged();
  const wxColour back = m_grid->GetBackgroundColour();
  const RgbQuad background{back.Blue(), back.Green(), back.Red(), 0};
  auto* dialog = new ui::CProcessingDlg(Frame(), static_cast<int>(album.Files().size()));
  m_items.reserve(album.Files().size());
  BuildProgress progress(*this, *dialog, [this] { ShowNewItems(); });
  {
    auto steady = std::make_unique<SteadyMeter>();
    SteadyMeter* meter = steady.get();
    std::unique_ptr<ProgressDisplay> statusBar = SetProgressDisplay(std::move(steady));
    meter->Wrap(statusBar.get());
    album.Build(background, progress);
    meter->Finish();
    SetProgressDisplay(std::move(statusBar));
  }

  dialog->Destroy();
  m_building = false;
  // The cells on the screen are drawn already: only those added since are drawn now.
  ShowNewItems();
  if (!album.Failures().empty()) Prompt().Show(std::string(UnreadableFilesText(album.Failures()).utf8_str()));
  return !m_items.empty();
}

void CAlbumView::ShowNewItems() {
  const int count = static_cast<int>(m_items.size());
  if (m_grid && count > m_itemsShown) m_grid->ItemsAdded(m_itemsShown, count);
  m_itemsShown = count;
}

void CAlbumView::MakeGridIcon(int i) {
  const CAlbumDoc* doc = Doc();
  if (!doc || i < 0 || static_cast<std::size_t>(i) >= doc->Album().Count()) return;
  m_items[static_cast<std::size_t>(i)].thumbnail =
      ui::BitmapThroughRenderer(doc->Album().Entries()[static_cast<std::size_t>(i)].thumbnail);
}

const std::vector<std::string>& CAlbumView::Files() const { return Doc()->Album().Files(); }

std::vector<int> CAlbumView::Selected() const {
  std::vector<int> selected;
  for (int i = 0; i < static_cast<int>(m_items.size()); ++i)
    if (m_items[i].selected) selected.push_back(i);
  return selected;
}

fs::path CAlbumView::PathOf(int item) const { return Doc()->Album().PathOf(static_cast<std::size_t>(item)); }

void CAlbumView::SelectAll() {
  for (auto& item : m_items) item.selected = true;
  if (m_grid) m_grid->Refresh();
}

void CAlbumView::CopySelected() {
  const std::vector<fs::path> paths = Doc()->Album().PathsOf(Selected());
  if (paths.empty()) return;
  wxClipboardLocker locker;
  if (!locker || !wxTheClipboard->SetData(new FileListDataObject(paths))) Prompt().Show(kMsgFailedToPutClipboard);
}

void CAlbumView::OpenItems(const std::vector<int>& items) {
  const std::vector<fs::path> paths = Doc()->Album().PathsOf(items);
  // The files open after the click or drop has been handled, each in its own window.
  CallAfter([this, paths] {
    for (const fs::path& path : paths) {
      std::error_code error;
      // A link opens the picture it points to.
      const fs::path target = FollowShortcut(path, error).value_or(path);
      if (openHook)
        openHook(target);
      else if (wxDocManager* manager = GetDocumentManager())
        manager->CreateDocument(ui::PathToWx(target), wxDOC_SILENT);
    }
  });
}

void CAlbumView::BeginDrag() {
  std::vector<int> selected = Selected();
  if (selected.empty() || !m_grid) return;
  FileListDataObject data(Doc()->Album().PathsOf(selected));
  wxDropSource source(data, m_grid);
  wxDragResult result = source.DoDragDrop(wxDrag_CopyOnly);
  wxPoint at = wxGetMousePosition();
  wxWindow* main = MainFrame();
  PixelRect mainRect = main ? ToPixelRect(main->GetScreenRect()) : PixelRect{};
  if (DecideDragEnd(result == wxDragCopy, mainRect, ToPixelRect(m_grid->GetScreenRect()), at.x, at.y) ==
      DragEnd::kOpenInWindows)
    OpenItems(selected);
}

// ---------------------------------------------------------------- delete

std::function<int(CConfirmDeleteDlg&)> CConfirmDeleteDlg::answerHook;

CConfirmDeleteDlg::CConfirmDeleteDlg(wxWindow* parent, int selectedCount) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_CONFIRM_DELETE");
  // The buttons have ids of their own: with the toolkit's stock ids they would show the
  // toolkit's untranslated stock labels instead of ours.
  if (wxWindow* all = FindWindow(XRCID("ID_DELETE_ALL"))) all->Enable(selectedCount != 1);
  const std::pair<const char*, int> buttons[] = {{"ID_DELETE_YES", wxID_YES},
                                                 {"ID_DELETE_NO", wxID_NO},
                                                 {"ID_DELETE_ALL", wxID_YESTOALL},
                                                 {"ID_DELETE_CANCEL", wxID_CANCEL}};
  for (auto [name, answer] : buttons)
    Bind(
        wxEVT_BUTTON, [this, answer](wxCommandEvent&) { EndModal(Apply(answer)); }, XRCID(name));
  SetEscapeId(XRCID("ID_DELETE_CANCEL"));
  Fit();
}

void CConfirmDeleteDlg::SetFileName(const wxString& name) {
  if (auto* text = XRCCTRL(*this, "ID_DELETE_FILE_NAME", wxStaticText)) text->SetLabel(name);
}

int CConfirmDeleteDlg::Ask() {
  m_choice = kNo;
  if (answerHook) return Apply(answerHook(*this));
  CentreOnParent();
  return ShowModal();
}

int CConfirmDeleteDlg::Apply(int button) {
  switch (button) {
    case wxID_YES: m_choice = kYes; return 0;
    case wxID_NO: m_choice = kNo; return 0;
    case wxID_YESTOALL: m_choice = kAll; return 0;
    default: return wxID_CANCEL;
  }
}

void CAlbumView::DeleteSelected() {
  std::vector<int> selected = Selected();
  if (selected.empty()) return;
  CConfirmDeleteDlg dialog(Frame(), static_cast<int>(selected.size()));
  const std::vector<int> removed = Doc()->Album().Delete(selected, [&](const AlbumEntry& entry) {
    dialog.SetFileName(ui::DisplayName(entry.name));
    if (dialog.Ask() == wxID_CANCEL) return DeleteAnswer::kCancel;
    switch (dialog.Choice()) {
      case CConfirmDeleteDlg::kYes: return DeleteAnswer::kYes;
      case CConfirmDeleteDlg::kAll: return DeleteAnswer::kAll;
      default: return DeleteAnswer::kNo;
    }
  });
  for (auto i = removed.rbegin(); i != removed.rend(); ++i) m_items.erase(m_items.begin() + *i);
  if (m_grid) m_grid->ItemsChanged();
}

// ---------------------------------------------------------------- save from album, to camera

namespace {

fs::path ChooseSaveFolder(wxWindow* parent) {
  ui::AppState& state = ui::TheAppState();
  ui::CFolderDialog dialog(parent, _("Save From Album"), MessageText(kMsgAlbumFilter),
                           wxString::FromUTF8(state.albumSaveDir), 0);
  if (dialog.ShowModal() != wxID_OK) return {};
  return ui::WxToPath(dialog.GetFolder());
}

}  // namespace

void CAlbumView::SaveFromAlbum() {
  std::vector<int> selected = Selected();
  if (selected.empty()) return;
  const fs::path chosen = chooseFolderHook ? chooseFolderHook() : ChooseSaveFolder(Frame());
  if (chosen.empty()) return;
  const std::optional<fs::path> destination = FollowedFolder(chosen);
  if (!destination) return;
  wxBusyCursor wait;
  ui::RememberChoice(ui::DialogChoice::kAlbumSave, destination->native(), 1);
  Doc()->Album().CopyTo(selected, *destination);
}

void CAlbumView::SaveToCamera() {
  const std::vector<fs::path> paths = Doc()->Album().PathsOf(Selected());
  if (paths.empty()) return;
  ui::ProcessingObserver observer(Frame());
  SendPicturesToCamera(paths, observer);
  observer.End();
  if (m_grid) m_grid->Refresh();
}

// ---------------------------------------------------------------- slide show and printing

void CAlbumView::StartSlideShow() {
  if (m_slide || m_items.empty()) return;
  SlideShowSettings settings;
  bool ok = slideSettingsHook ? slideSettingsHook(settings) : CSlideShowDlg::Run(Frame(), settings);
  if (!ok) return;
  m_slide = CSlide::Start(Doc()->Album().Paths(), settings, [this] { m_slide = nullptr; });
}

wxPrintout* CAlbumView::OnCreatePrintout() {
  std::vector<ContactSheetItem> items;
  for (int i = 0; i < static_cast<int>(m_items.size()); ++i) items.push_back({PathOf(i), m_items[i].caption});
  return new CAlbumPrintout(GetDocument()->GetUserReadableName(), std::move(items),
                            m_grid ? m_grid->GetFont() : wxFont());
}

}  // namespace tessaly::windows
