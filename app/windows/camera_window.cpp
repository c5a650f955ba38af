#include "windows/camera_window.h"

#include <wx/artprov.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dnd.h>
#include <wx/sizer.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <memory>
#include <optional>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/picture_names.h"
#include "camera/thumbnail.h"
#include "formats/picture_file.h"
#include "ui/app_services.h"
#include "ui/app_state.h"
#include "ui/dc_render_device.h"
#include "ui/file_dialog_rules.h"
#include "ui/file_dialogs.h"
#include "ui/wx_path.h"
#include "windows/camera_job.h"
#include "workflows/camera_transfers.h"

namespace tessaly::windows {
namespace {

constexpr int kNameIconSize = 40;

// The size of the list's icons: the thumbnails, or the file icons of the names mode.
wxSize IconSize(bool thumbnails) {
  return thumbnails ? wxSize(kShownThumbnailWidth, kShownThumbnailHeight) : wxSize(kNameIconSize, kNameIconSize);
}

// The widest name under an icon: the names all have the one form.
wxString WidestName() { return wxString::FromUTF8(MakePictureName(8888)); }

// The icon of JPEG files in the desktop's icon theme, or the program's own.
wxBitmap JpegIcon() {
  // The names the desktop looks JPEG files up by, most specific first.
  wxBitmap icon = wxArtProvider::GetBitmap("image-jpeg", wxART_OTHER, wxSize(32, 32));
  if (!icon.IsOk()) icon = wxArtProvider::GetBitmap("image-x-generic", wxART_OTHER, wxSize(32, 32));
  if (!icon.IsOk()) icon = wxXmlResource::Get()->LoadBitmap("IDR_ICON32");
  // The list's images all have the size of its image list.
  wxImage image = icon.ConvertToImage();
  image.Resize(wxSize(kNameIconSize, kNameIconSize),
               wxPoint((kNameIconSize - image.GetWidth()) / 2, (kNameIconSize - image.GetHeight()) / 2));
  return wxBitmap(image);
}

// Removes the pictures the window put into the temporary folder: the files it wrote, and
// any "AUT_*.jpg" left there by an earlier window.
void RemoveTemporaryPictures(const std::set<std::filesystem::path>& written) {
  std::error_code ignored;
  for (const auto& path : written) std::filesystem::remove(path, ignored);
  const std::filesystem::path folder = PrivateTempDir();
  if (folder.empty()) return;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= 8 && wxString::FromUTF8(name).Lower().StartsWith("aut_") &&
        wxString::FromUTF8(name).Lower().EndsWith(".jpg"))
      std::filesystem::remove(entry.path(), ignored);
  }
}

enum class SaveKind { kAll, kSelected };

// Asks for the folder; empty when the user cancelled. The choice is remembered for the
// next save of the same kind.
std::filesystem::path ChooseSaveFolder(wxWindow* parent, SaveKind kind) {
  const ui::AppState& state = ui::TheAppState();
  const bool all = kind == SaveKind::kAll;
  // The settings count the types from 1, the dialog from 0.
  const int filterIndex = all ? 1 : state.cameraSaveFilterIndex;
  ui::CFolderDialog dialog(
      parent, all ? _("Save Camera Images To Disk") : _("Save From Album"), MessageText(kMsgCameraSaveFilter),
      wxString::FromUTF8(all ? state.cameraAllSaveDir : state.cameraSaveDir), ui::ToolkitFilterIndex(filterIndex));
  if (dialog.ShowModal() != wxID_OK) return {};
  const std::string folder = dialog.GetFolder().utf8_string();
  ui::RememberChoice(all ? ui::DialogChoice::kCameraSaveAll : ui::DialogChoice::kCameraSave, folder,
                     ui::StoredFilterIndex(dialog.GetFilterIndex()));
  return std::filesystem::path(folder);
}

// Why a save stopped early, as the status bar says it.
wxString StopReason(SaveStop stop) {
  switch (stop) {
    case SaveStop::kNone: break;
    case SaveStop::kCancelled: return _("cancelled");
    case SaveStop::kDiskFull: return _("disk full");
    case SaveStop::kNoAnswer: return _("the camera did not answer");
    case SaveStop::kDisconnected: return _("the serial device was disconnected");
    case SaveStop::kCardChanged: return _("the memory card was changed");
    case SaveStop::kCannotOpen: return _("the serial device could not be opened");
    case SaveStop::kFolder: return _("the folder cannot take files");
    case SaveStop::kFailed: return _("a picture failed");
  }
  return {};
}

// How a save went: every picture asked for is saved, skipped, failed or not tried.
wxString SaveSummary(const SaveTally& tally) {
  wxString text = wxString::Format(_("%d saved, %d skipped, %d failed"), tally.saved, tally.skipped, tally.failed);
  if (tally.asked >= 0) text += wxString::Format(_(", %d not tried"), tally.notTried);
  if (tally.stopped != SaveStop::kNone) text += wxString::Format(_("; stopped: %s"), StopReason(tally.stopped));
  return text;
}

// Saves the pictures (every picture when numbers is empty) into a folder the user
// chooses, and says in the status bar how it went.
void RunCameraSave(wxWindow* parent, CCameraView* view, const std::vector<std::uint32_t>& numbers, SaveKind kind) {
  const std::filesystem::path folder = ChooseSaveFolder(parent, kind);
  if (folder.empty()) return;
  SaveOptions options;
  options.folder = folder;
  options.prefix = ui::TheAppState().savePrefix;
  options.existing = ExistingTarget::kAsk;
  options.askForNewDisk = true;
  SaveTally tally;
  {
    std::unique_ptr<CameraJob> job = view ? std::make_unique<CameraJob>(*view) : std::make_unique<CameraJob>(parent);
    tally = SavePicturesToFolder(numbers, options, *job);
  }
  ui::ShowStatusMessage(SaveSummary(tally));
}

}  // namespace

// ------------------------------------------------------------------------------ document

wxIMPLEMENT_DYNAMIC_CLASS(CCameraDoc, wxDocument);

CCameraDoc::~CCameraDoc() { CameraDisconnect(); }

bool CCameraDoc::OnNewDocument() {
  if (!wxDocument::OnNewDocument()) return false;
  SetTitle(_("Camera"));
  // The frame was made with the framework's name for a new document.
  if (wxView* view = GetFirstView(); view && view->GetFrame()) view->GetFrame()->SetLabel(GetTitle());
  return true;
}

bool CCameraDoc::OnCloseDocument() {
  // The mode is kept for the next window, and the pictures fetched for other programs go.
  WriteProfileInt("Last Name Mode", "Camera", m_nameMode ? 1 : 0);
  RemoveTemporaryPictures(m_tempFiles);
  m_tempFiles.clear();
  return wxDocument::OnCloseDocument();
}

void CCameraDoc::ClearPictures(std::size_t expected) {
  m_pictures.clear();
  m_pictures.reserve(expected);
}

void CCameraDoc::AddPicture(const std::string& name, Picture thumbnail) {
  m_pictures.push_back({name, std::move(thumbnail)});
}

bool CCameraDoc::OnSaveModified() {
  for (wxObject* view : GetViews()) {
    auto* camera = dynamic_cast<CCameraView*>(view);
    if (camera && camera->Busy()) {
      camera->CloseWhenIdle();
      camera->CancelJob();
      return false;
    }
  }
  return true;
}

// ------------------------------------------------------------------------------ frame

CCameraFrame::CCameraFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent)
    : ui::CChildFrame(doc, view, parent, _("Camera"), wxSize(640, 420)) {
  SetMenuBar(wxXmlResource::Get()->LoadMenuBar("IDR_CAMERA"));
  Bind(wxEVT_CLOSE_WINDOW, &CCameraFrame::OnClose, this);
}

void CCameraFrame::OnClose(wxCloseEvent& event) {
  auto* view = dynamic_cast<CCameraView*>(GetView());
  if (view && view->Busy()) {
    view->CloseWhenIdle();
    view->CancelJob();
    event.Veto();
    return;
  }
  event.Skip();
}

// ------------------------------------------------------------------------------ view

namespace {

// The window's commands: each can be used while no transfer runs, some only with a
// picture selected; the two views of the list are check-marked by the mode.
struct CameraCommandRow {
  const char* menuName;  // the item's name in the menu resource; null for a stock command
  int stockId;
  void (CCameraView::*run)();
  bool needsSelection;
  std::optional<bool> checkedInMode;  // check-marked when NameMode() is this
};

const CameraCommandRow kCameraCommands[] = {
    {"ID_VIEW_NAMES", 0, &CCameraView::ShowNames, false, true},
    {"ID_VIEW_THUMBNAILS", 0, &CCameraView::ShowThumbnails, false, false},
    {"ID_EDIT_SELECT_ALL_IMAGES", 0, &CCameraView::SelectAll, false, std::nullopt},
    {nullptr, wxID_COPY, &CCameraView::CopySelected, true, std::nullopt},
    {"ID_SAVE_FROM_ALBUM", 0, &CCameraView::SaveSelected, true, std::nullopt},
    {"ID_SAVE_CAMERA_IMAGES", 0, &CCameraView::SaveAll, false, std::nullopt},
};

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CCameraView, wxView);

CCameraView::~CCameraView() = default;

bool CCameraView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  wxMDIParentFrame* parent = ui::MainWindow();
  auto* frame = new CCameraFrame(doc, this, parent);
  Doc()->SetNameMode(ui::TheAppState().namesOnlyPreference);
  m_grid = new CIconGrid(frame, *this, "camera pictures", IconSize(!NameMode()), WidestName());
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_grid, 1, wxEXPAND);
  frame->SetSizer(sizer);
  SetFrame(frame);

  for (const CameraCommandRow& row : kCameraCommands) {
    const int id = row.menuName ? XRCID(row.menuName) : row.stockId;
    frame->Bind(
        wxEVT_MENU, [this, run = row.run](wxCommandEvent&) { (this->*run)(); }, id);
    frame->Bind(
        wxEVT_UPDATE_UI,
        [this, &row](wxUpdateUIEvent& event) {
          event.Enable(!Busy() && (!row.needsSelection || !SelectedItems().empty()));
          if (row.checkedInMode) event.Check(NameMode() == *row.checkedInMode);
        },
        id);
  }

  frame->Show();
  Activate(true);
  m_grid->SetFocus();
  // The list fills once the window is on the screen.
  frame->CallAfter([this] { ListPictures(); });
  return true;
}

bool CCameraView::OnClose(bool deleteWindow) {
  if (Busy()) return false;
  if (!wxView::OnClose(deleteWindow)) return false;
  if (deleteWindow && GetFrame()) {
    GetFrame()->Destroy();
    SetFrame(nullptr);
  }
  return true;
}

void CCameraView::CancelJob() {
  if (m_job) m_job->Cancel();
}

void CCameraView::JobEnded() {
  if (m_closeWhenIdle && GetFrame()) GetFrame()->CallAfter([frame = GetFrame()] { frame->Close(); });
}

// ------------------------------------------------------------------------------ listing

void CCameraView::ListPictures() {
  if (Busy()) return;
  const bool listed = NameMode() ? LoadNames() : LoadThumbnails();
  if (!listed && !m_closeWhenIdle) {
    // The camera could not be reached or listed: the message has been shown, and the
    // window goes.
    CloseWhenIdle();
    JobEnded();
  }
}

CCameraDoc* CCameraView::Doc() const { return dynamic_cast<CCameraDoc*>(GetDocument()); }

void CCameraView::ClearList(bool thumbnails, int expected) {
  Doc()->ClearPictures(static_cast<std::size_t>(std::max(expected, 0)));
  m_items.clear();
  m_items.reserve(static_cast<std::size_t>(std::max(expected, 0)));
  m_grid->SetIconSize(IconSize(thumbnails), WidestName());
  m_grid->Scroll(0, 0);
  m_grid->ItemsChanged();
}

void CCameraView::AddItem(const std::string& name, Picture thumbnail, const wxBitmap& icon) {
  Doc()->AddPicture(name, std::move(thumbnail));
  m_items.push_back({name, wxString::FromUTF8(name), icon, false});
  m_grid->ItemAdded(static_cast<int>(m_items.size()) - 1);
}

void CCameraView::MakeGridIcon(int i) {
  const auto& pictures = Doc()->Pictures();
  if (i < 0 || static_cast<std::size_t>(i) >= pictures.size() ||
      pictures[static_cast<std::size_t>(i)].thumbnail.Empty())
    return;
  m_items[static_cast<std::size_t>(i)].thumbnail =
      ui::BitmapThroughRenderer(pictures[static_cast<std::size_t>(i)].thumbnail);
}

bool CCameraView::LoadThumbnails() {
  class Sink : public ThumbnailSink {
   public:
    explicit Sink(CCameraView& view) : m_view(view) {}
    void Add(std::uint32_t, const std::string& name, const Picture& thumbnail, bool) override {
      if (!m_started) {
        m_started = true;
        m_view.ClearList(true, 0);
      }
      // The thumbnail shows at the next repaint, which the transfer of the next one lets
      // through while its bytes are on the line: painting here would keep the camera
      // waiting for its next command. It becomes a bitmap when it is first drawn.
      m_view.AddItem(name, thumbnail);
    }
    bool m_started = false;

   private:
    CCameraView& m_view;
  } sink(*this);

  SequenceEnd end;
  {
    CameraJob job(*this);
    end = ListThumbnails(sink, job);
  }
  if (end == SequenceEnd::kEmpty) ClearList(true, 0);
  Doc()->SetNameMode(false);
  JobEnded();
  return end == SequenceEnd::kDone || end == SequenceEnd::kCancelled || sink.m_started;
}

bool CCameraView::LoadNames() {
  std::vector<std::string> names;
  SequenceEnd end;
  {
    CameraJob job(*this);
    end = ListNames(names);
    if (end == SequenceEnd::kDone) {
      ClearList(false, static_cast<int>(names.size()));
      const wxBitmap icon = JpegIcon();
      job.Begin({}, names.size());
      for (std::size_t i = 0; i < names.size() && !job.Cancelled(); ++i) {
        AddItem(names[i], {}, icon);
        job.Progress(i + 1);
      }
      job.End();
    }
  }
  if (end == SequenceEnd::kEmpty) ClearList(false, 0);
  Doc()->SetNameMode(true);
  JobEnded();
  return end == SequenceEnd::kDone || end == SequenceEnd::kCancelled;
}

void CCameraView::ShowNames() {
  if (!NameMode() && !Busy()) LoadNames();
}

void CCameraView::ShowThumbnails() {
  if (NameMode() && !Busy()) LoadThumbnails();
}

// ------------------------------------------------------------------------------ selection

void CCameraView::SelectAll() {
  for (IconGridItem& item : m_items) item.selected = true;
  m_grid->Refresh();
}

std::vector<long> CCameraView::SelectedItems() const {
  std::vector<long> items;
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].selected) items.push_back(static_cast<long>(i));
  return items;
}

// ------------------------------------------------------------------------------ downloads

std::vector<std::filesystem::path> CCameraView::DownloadItems(const std::vector<long>& items) {
  std::vector<std::filesystem::path> paths;
  CameraJob job(*this);
  for (long item : items) {
    const std::string name = Doc()->Pictures()[static_cast<std::size_t>(item)].name;
    std::filesystem::path path = DownloadToTemp(static_cast<std::uint32_t>(item + 1), name, job);
    if (path.empty()) {
      paths.clear();
      break;
    }
    Doc()->KeepTemporary(path);
    paths.push_back(path);
  }
  return paths;
}

void CCameraView::OpenItems(const std::vector<long>& items) {
  if (Busy()) return;
  {
    CameraJob job(*this);
    for (long item : items) {
      if (item < 0 || static_cast<std::size_t>(item) >= Doc()->Pictures().size()) continue;
      const std::string name = Doc()->Pictures()[static_cast<std::size_t>(item)].name;
      Bytes data;
      if (DownloadPicture(static_cast<std::uint32_t>(item + 1), name, job, data) != kCamDone) break;
      // The JPEG reader shows its own message for a picture it cannot decode.
      PictureFile file;
      if (!file.LoadPicture(data, name)) continue;
      if (ui::AppServices* app = ui::InstalledAppServices())
        app->OpenPicture({std::move(file.picture), file.comment, name});
    }
  }
  JobEnded();
}

std::vector<std::filesystem::path> CCameraView::DownloadSelected() {
  if (Busy()) return {};
  std::vector<long> items = SelectedItems();
  if (items.empty()) return {};
  std::vector<std::filesystem::path> paths = DownloadItems(items);
  JobEnded();
  return paths;
}

void CCameraView::CopySelected() {
  std::vector<std::filesystem::path> paths = DownloadSelected();
  if (paths.empty()) return;
  auto* files = new wxFileDataObject;
  for (const auto& path : paths) files->AddFile(wxString::FromUTF8(path.string()));
  if (wxTheClipboard->Open()) {
    wxTheClipboard->SetData(files);
    wxTheClipboard->Close();
  } else {
    delete files;
  }
}

void CCameraView::BeginGridDrag() {
  // A drop completes on this platform without asking the source first, so the pictures
  // come over the line before the drag starts and the files offered hold them.
  std::vector<std::filesystem::path> paths = DownloadSelected();
  if (paths.empty()) return;
  wxFileDataObject files;
  for (const auto& path : paths) files.AddFile(wxString::FromUTF8(path.string()));
  wxDropSource source(files, m_grid);
  source.DoDragDrop(wxDrag_CopyOnly);
}

void CCameraView::OpenGridItem(int i) {
  m_openItems = {i};
  // Opening starts after the click has been handled, as a double-click elsewhere would.
  GetFrame()->CallAfter([this] { OpenItems(m_openItems); });
}

// ------------------------------------------------------------------------------ saving

void CCameraView::SaveSelected() {
  if (Busy()) return;
  std::vector<long> items = SelectedItems();
  if (items.empty()) return;
  std::vector<std::uint32_t> numbers;
  for (long item : items) numbers.push_back(static_cast<std::uint32_t>(item + 1));
  RunCameraSave(GetFrame(), this, numbers, SaveKind::kSelected);
  JobEnded();
}

void SaveAllCameraImages(wxWindow* parent) { RunCameraSave(parent, nullptr, {}, SaveKind::kAll); }

// ------------------------------------------------------------------------------ commands

void CCameraView::SaveAll() {
  if (Busy()) return;
  RunCameraSave(GetFrame(), this, {}, SaveKind::kAll);
  JobEnded();
}

// ------------------------------------------------------------------------------ template

wxDocTemplate* CreateCameraTemplate(wxDocManager* manager) {
  return new wxDocTemplate(manager, _("Camera"), "", "", "", "Camera Document", "Camera View", CLASSINFO(CCameraDoc),
                           CLASSINFO(CCameraView), wxTEMPLATE_INVISIBLE);
}

}  // namespace tessaly::windows
