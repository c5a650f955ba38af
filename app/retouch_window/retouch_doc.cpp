#include "retouch_window/retouch_doc.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "base/ini_file.h"
#include "base/prompt.h"
#include "retouch/clipboard_data.h"
#include "retouch_window/dsc_srvr_item.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window/retouch_dialogs.h"
#include "retouch_window/retouch_embedding.h"
#include "retouch_window/retouch_view.h"
#include "ui/app_services.h"
#include "ui/app_state.h"
#include "ui/file_dialog_rules.h"
#include "ui/file_dialogs.h"
#include "ui/processing_dlg.h"
#include "ui/wx_path.h"
#include "ui/wx_prompt.h"
#include "workflows/send_to_camera.h"

namespace tessaly::retouch {

wxIMPLEMENT_DYNAMIC_CLASS(CRetouchDoc, wxDocument);

namespace {

using ui::Translated;

}  // namespace

wxWindow* CRetouchDoc::DialogParent() const {
  for (wxView* view : const_cast<CRetouchDoc*>(this)->GetViewsVector())
    if (view->GetFrame()) return view->GetFrame();
  return ui::MainWindow();
}

CRetouchDoc::CRetouchDoc() = default;

CRetouchDoc::CRetouchDoc(Origin origin) : m_origin(origin) {
  if (IsEmbedded()) EmbeddedDocumentOpened();
}

CRetouchDoc::~CRetouchDoc() {
  if (IsEmbedded()) EmbeddedDocumentClosed();
}

CDscSrvrItem* CRetouchDoc::OnGetEmbeddedItem() {
  if (!m_item) m_item = std::make_unique<CDscSrvrItem>(*this);
  return m_item.get();
}

bool CRetouchDoc::LoadEmbedded(std::span<const std::uint8_t> nativeData) {
  NativeItemData item;
  try {
    const NativeDataStatus status = ReadNativeData(nativeData, item);
    if (status != NativeDataStatus::kOk) {
      Prompt().Show(status == NativeDataStatus::kTooLarge ? kMsgPictureTooLarge : kMsgNotValidFileType);
      return false;
    }
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return false;
  }
  m_state.SetPicture(std::move(item.picture));
  m_state.SetFurtherValues(item.firstValue, item.secondValue);
  m_state.SelectAll();
  Changed(false);
  return true;
}

bool CRetouchDoc::OnNewDocument() {
  ui::AppState& state = ui::TheAppState();
  if (IsEmbedded()) {
    // An embedded item starts as the document's own 200 x 200 white picture.
    if (!wxDocument::OnNewDocument()) return false;
    Changed(false);
    return true;
  }
  if (m_handed) {
    if (!wxDocument::OnNewDocument()) return false;
    ui::HandedPicture handed = std::move(*m_handed);
    m_handed.reset();
    m_state.SetPicture(std::move(handed.picture));
    m_comment = std::move(handed.comment);
    if (!handed.name.empty()) {
      SetTitle(wxString::FromUTF8(handed.name));
      for (wxView* view : GetViewsVector()) view->OnChangeFilename();
    }
    Changed(false);
    return true;
  }
  // No blank document and no dialog while the program starts.
  if (state.starting || m_newWidth <= 0) return false;
  if (!wxDocument::OnNewDocument()) return false;
  // The pixels are made white by the first tool that needs them.
  m_state.SetBlank(m_newWidth, m_newHeight);
  m_origin = Origin::kBlank;
  Changed(false);
  return true;
}

bool CRetouchDoc::OnCreate(const wxString& path, long flags) {
  const ui::AppState& state = ui::TheAppState();
  if ((flags & wxDOC_NEW) && m_origin == Origin::kNone) {
    if (state.starting) return false;
    CNewSizeDlg dialog(ui::MainWindow());
    if (dialog.ShowModal() != wxID_OK) return false;
    m_newWidth = dialog.PictureWidth();
    m_newHeight = dialog.PictureHeight();
  }
  if (!(flags & wxDOC_NEW) && !path.empty() && !IsEmbedded()) {
    // The loader has said why when the file does not load.
    if (!DoOpenDocument(path)) return false;
    m_readBeforeWindow = path;
  }
  return wxDocument::OnCreate(path, flags);
}

void CRetouchDoc::Changed(bool modified) {
  if (modified) Modify(true);
  UpdateAllViews();
}

EditResult CRetouchDoc::Apply(EditResult result) {
  if (result == EditResult::kDone) Changed(true);
  return result;
}

wxString CRetouchDoc::GetUserReadableName() const {
  wxString name = !GetTitle().empty() || GetFilename().empty()
                      ? wxDocument::GetUserReadableName()
                      : ui::DisplayName(ui::WxToPath(GetFilename()).filename().native());
  if (IsReduced()) name += " " + ReducedNote();
  return name;
}

wxString CRetouchDoc::ReducedNote() const {
  return wxString::Format(_("(reduced from %d x %d)"), m_reducedFrom.x, m_reducedFrom.y);
}

bool CRetouchDoc::DoOpenDocument(const wxString& file) {
  if (!m_readBeforeWindow.empty() && file == std::exchange(m_readBeforeWindow, wxString())) return true;
  PictureFile loader;
  // The loader shows its own message when it fails. A picture over the limit of editing
  // comes reduced to fit it, area by area, its aspect kept.
  if (!OpenPictureFileToFit(loader, std::string(file.fn_str()), kMaxPictureWidth, kMaxPictureHeight)) return false;
  m_reducedFrom = loader.IsReduced() ? wxSize(loader.width, loader.height) : wxSize();
  m_saveAsNew = IsReduced() || SaveFormatOfName(file.utf8_string()) == PictureFormat::kUnknown;
  if (IsReduced()) {
    // Said where it is seen, not in a box: the title (GetUserReadableName) and the status bar.
    ui::ShowStatusMessage(wxFileName(file).GetFullName() + " " + ReducedNote());
  }
  m_state.SetPicture(std::move(loader.picture));
  m_os2Header = loader.os2Header;
  m_comment = loader.comment;
  m_readOnly = ui::TheAppState().readOnlyChosen;
  if (!IsEmbedded()) m_origin = Origin::kFile;
  Changed(false);
  return true;
}

bool CRetouchDoc::DoSaveDocument(const wxString& file) {
  PictureFile saver;
  if (!CheckColourCondition(GetFilename().utf8_string(), file.utf8_string(), GetPicture().bitsPerPixel)) return false;
  // A new picture that no tool has touched yet is saved as the white picture it shows.
  if (!m_state.HasPixels() && !m_state.CreateWhitePicture()) {
    Prompt().Show(kMsgNotEnoughMemory);
    return false;
  }
  saver.InitFromDocument(GetPicture(), m_os2Header, m_comment);
  return saver.SavePicture(std::string(file.fn_str()));
}

bool CRetouchDoc::Save() {
  if (m_state.HasFloating() && !m_state.CommitFloating()) return false;
  // A reduced picture, or one of a kind that is only read, never goes over its file.
  if (m_saveAsNew) return SaveAs();
  const wxString path = GetFilename();
  bool saved = false;
  if (!path.empty()) {
    std::error_code error;
    const std::filesystem::path file(std::string(path.fn_str()));
    bool probed = false;
    if (!std::filesystem::exists(file, error)) {
      // An empty file tells whether the path can be written at all.
      std::ofstream probe(file, std::ios::binary);
      if (!probe) {
        const wxString title = wxFileName(path).GetFullName();
        Prompt().Show(std::string((title + Translated(MessageText(kMsgHardwareIoError))).utf8_str()));
        return false;
      }
      probed = true;
    }
    const bool writable = wxFileName::IsFileWritable(path);
    if (writable && !m_readOnly) {
      saved = OnSaveDocument(path);
      // The empty file that tested the path goes again when nothing could be saved in it.
      if (!saved && probed) std::filesystem::remove(file, error);
    } else {
      Prompt().Show(kMsgReadOnlySaveAs);
      return false;
    }
  } else {
    saved = SaveAs();
  }
  if (saved) {
    m_state.ClearSelection();
    m_state.ForgetUndo();
    Changed(false);
  }
  return saved;
}

bool CRetouchDoc::SaveAs() {
  if (m_state.HasFloating() && !m_state.CommitFloating()) return false;
  const ui::AppState& state = ui::TheAppState();
  wxString current = GetFilename().empty() ? GetTitle() : wxFileName(GetFilename()).GetFullName();
  if (m_saveAsNew && !GetFilename().empty()) current = SuggestedNewName();
  // The settings count the types from 1, as the name's type does; the dialog from 0.
  const int index = SaveAsFilterIndex(current.utf8_string(), state.retouchSaveFilterIndex);
  // Without a folder of its own, Save As starts where the picture is.
  wxString folder = wxString::FromUTF8(state.retouchSaveDir);
  if (folder.empty() && !GetFilename().empty()) folder = wxFileName(GetFilename()).GetPath();
  ui::CFileSaveDialog dialog(DialogParent(), _("Save As"), kSaveAsFilter, folder, wxFileName(current).GetName(),
                             ui::ToolkitFilterIndex(index));
  if (dialog.ShowModal() != wxID_OK) return false;
  // The dialog has given the name the extension of the chosen type.
  const wxFileName chosen(dialog.GetPath());
  const int type = ui::StoredFilterIndex(std::clamp(dialog.GetFilterIndex(), 0, 3));
  const wxString path = chosen.GetFullPath();
  if (m_saveAsNew && !GetFilename().empty() && wxFileName(GetFilename()).SameAs(chosen)) {
    Prompt().Show(
        std::string(_("A reduced picture is never saved over the file it came from. Choose another name.").utf8_str()));
    return false;
  }
  if (!OnSaveDocument(path)) return false;
  m_reducedFrom = wxSize();
  m_saveAsNew = false;
  SetTitle(wxString());  // the new file's name is the title now
  SetFilename(path, true);
  m_readOnly = false;
  ui::RememberChoice(ui::DialogChoice::kRetouchSave, chosen.GetPath().utf8_string(), type);
  m_state.ClearSelection();
  m_state.ForgetUndo();
  Changed(false);
  return true;
}

wxString CRetouchDoc::SuggestedNewName() const {
  const wxFileName original(GetFilename());
  wxString name = original.GetName();
  if (IsReduced()) name += "-reduced";
  // The kinds that are only read are offered as PNG, which keeps every pixel.
  const bool writable = SaveFormatOfName(original.GetFullName().utf8_string()) != PictureFormat::kUnknown;
  return name + "." + (writable ? original.GetExt() : wxString("png"));
}

bool CRetouchDoc::Close() {
  if (!m_idle) {
    Prompt().Show(kMsgProcessingNow);
    return false;
  }
  return wxDocument::Close();
}

bool CRetouchDoc::OnCloseDocument() {
  if (!m_idle) {
    Prompt().Show(kMsgProcessingNow);
    return false;
  }
  return wxDocument::OnCloseDocument();
}

// ---------------------------------------------------------------- edits

wxObject* CRetouchDoc::OutlineHint() {
  static wxObject hint;
  return &hint;
}

void CRetouchDoc::SelectionChanged() { UpdateAllViews(nullptr, OutlineHint()); }

EditResult CRetouchDoc::Make(const PictureEdit& edit) {
  if (edit.kind == PictureEdit::Kind::kNone) return EditResult::kUnchanged;
  std::optional<wxBusyCursor> busy;
  if (edit.kind == PictureEdit::Kind::kRotate) busy.emplace();
  const bool floating = m_state.HasFloating();
  const EditResult result = MakeEdit(m_state, edit);
  if (result == EditResult::kDone)
    Changed(true);
  else if (floating != m_state.HasFloating())
    Changed(false);
  else
    SelectionChanged();
  return result;
}

namespace {

// The copy-selection flag raised while the embedded item is handed out, and lowered again
// however that ends.
class CopySelectionRaised {
 public:
  explicit CopySelectionRaised(CRetouchDoc& doc) : m_doc(doc) { m_doc.SetCopySelection(true); }
  ~CopySelectionRaised() { m_doc.SetCopySelection(false); }
  CopySelectionRaised(const CopySelectionRaised&) = delete;
  CopySelectionRaised& operator=(const CopySelectionRaised&) = delete;

 private:
  CRetouchDoc& m_doc;
};

}  // namespace

void CRetouchDoc::CopySelectionToClipboard() {
  try {
    CopySelectionRaised raised(*this);
    if (!GetEmbeddedItem().CopyToClipboard()) Prompt().Show(kMsgFailedToPutClipboard);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

void CRetouchDoc::DragSelection(wxWindow* source) {
  try {
    CopySelectionRaised raised(*this);
    GetEmbeddedItem().DoDragDrop(source);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

void CRetouchDoc::Paste(FloatingPosition corner) {
  const auto dib = ReadClipboardDib();
  ClearSelection();
  if (!dib) {
    Prompt().Show(kMsgFailedToReadClipboard);
    return;
  }
  const bool hadFloating = m_state.HasFloating();
  if (m_state.Paste(*dib) != PasteResult::kLoaded) return;
  if (m_state.HasFloating()) {
    // The floating picture appears at the window's top-left corner.
    m_state.MoveFloating(corner);
    Changed(false);
  } else {
    // The same-size picture was stamped in at once.
    Changed(!hadFloating && m_state.CanUndo());
  }
}

void CRetouchDoc::MakeSavable() {
  if (m_state.HasFloating()) m_state.CommitFloating();
  if (!m_state.HasPixels()) m_state.CreateWhitePicture();
}

EditResult CRetouchDoc::AdjustBrightness(int offset) { return Apply(m_state.AdjustBrightness(offset)); }
EditResult CRetouchDoc::AdjustContrast(int value) { return Apply(m_state.AdjustContrast(value)); }
EditResult CRetouchDoc::AdjustColor(int redOffset, int greenOffset, int blueOffset) {
  return Apply(m_state.AdjustColor(redOffset, greenOffset, blueOffset));
}

template <typename Dialog, typename Operation>
EditResult CRetouchDoc::ToneCommand(MessageId question, Operation&& operation) {
  if (!m_state.IsTrueColour()) return EditResult::kRefused;
  if (!m_state.ConfirmToneOnEmpty(question)) return EditResult::kUnchanged;
  if (!m_state.HasPixels()) return EditResult::kFailed;  // the white picture could not be made
  Changed(false);
  Dialog dialog(DialogParent(), m_state.Current());
  if (dialog.ShowModal() != wxID_OK) return EditResult::kUnchanged;
  return operation(dialog);
}

EditResult CRetouchDoc::Run(RetouchCommand command) {
  using C = RetouchCommand;
  switch (command) {
    case C::kAdjustColor:
      return ToneCommand<CAdjustColorDlg>(kMsgNoDataAdjustColour, [this](const CAdjustColorDlg& d) {
        return AdjustColor(d.Red() - 128, d.Green() - 128, d.Blue() - 128);
      });
    case C::kAdjustContrast:
      return ToneCommand<CAdjustContrastDlg>(kMsgNoDataAdjustContrast,
                                             [this](const CAdjustContrastDlg& d) { return AdjustContrast(d.Value()); });
    case C::kAdjustBrightness:
      return ToneCommand<CAdjustBrightnessDlg>(kMsgNoDataAdjustBrightness, [this](const CAdjustBrightnessDlg& d) {
        return AdjustBrightness(d.Value() - 128);
      });
    case C::kPhotoProperties: PhotoPropertiesCommand(); return EditResult::kUnchanged;
    case C::kSave: Save(); return EditResult::kUnchanged;
    case C::kSaveAs: SaveAs(); return EditResult::kUnchanged;
    case C::kSaveToCamera: SaveToCamera(); return EditResult::kUnchanged;
    case C::kSelectAll:
      m_state.SelectAll();
      SelectionChanged();
      return EditResult::kUnchanged;
    case C::kRotateFree: {
      CRotateDlg dialog(DialogParent());
      if (dialog.ShowModal() != wxID_OK) return EditResult::kUnchanged;
      return Make({PictureEdit::Kind::kRotate, {}, {}, dialog.Angle()});
    }
    case C::kUndo: {
      if (!m_state.CanUndo()) return EditResult::kRefused;
      const EditResult result = m_state.Undo();
      if (result == EditResult::kDone) Changed(true);
      return result;
    }
    default: break;
  }
  wxBusyCursor busy;
  EditResult result = EditResult::kUnchanged;
  switch (command) {
    case C::kSharpen: result = m_state.Sharpen(); break;
    case C::kSoften: result = m_state.Soften(); break;
    case C::kMosaic: result = m_state.Mosaic(); break;
    case C::kConvertTo24: result = m_state.ConvertTo24(); break;
    // The trim takes the selection before it goes.
    case C::kTrimming: result = m_state.Crop(); break;
    case C::kRotate180: result = m_state.Rotate180(); break;
    case C::kRotate90Right: result = m_state.Rotate90Right(); break;
    case C::kRotate90Left: result = m_state.Rotate90Left(); break;
    case C::kSizeQuarter: result = m_state.ScalePercent(25); break;
    case C::kSizeHalf: result = m_state.ScalePercent(50); break;
    case C::kSizeDouble: result = m_state.ScalePercent(200); break;
    case C::kSizeFour: result = m_state.ScalePercent(400); break;
    case C::kFitCameraSize: result = m_state.FitCameraSize(); break;
    default: return EditResult::kUnchanged;
  }
  if (RetouchCommandRowOf(command).dropsSelection) {
    m_state.ClearSelection();
    if (result != EditResult::kDone) SelectionChanged();
  }
  return Apply(result);
}

// ---------------------------------------------------------------- Save To Camera

void CRetouchDoc::SaveToCamera() {
  if (m_state.HasFloating()) {
    if (!m_state.CommitFloating()) return;
    Changed(true);
  }
  if (!m_state.HasPixels()) {
    if (Prompt().Show(kMsgNoDataSaveBlank, PromptButtons::kYesNo) != PromptAnswer::kYes) return;
    if (!m_state.CreateWhitePicture()) {
      Prompt().Show(kMsgNotEnoughMemory);
      return;
    }
    Changed(false);
  }
  // The conversion and the fit are made on a copy, so that the document keeps its
  // picture, its undo step and its unmodified mark whatever happens below.
  m_idle = false;
  {
    ui::ProcessingObserver observer(DialogParent());
    SendPictureToCamera(GetPicture(), m_comment, GetUserReadableName().utf8_string(), SendFrom::kRetouchWindow,
                        observer);
  }
  m_idle = true;
}

// ---------------------------------------------------------------- Photo Properties

void CRetouchDoc::PhotoPropertiesCommand() {
  PhotoProperties properties;
  properties.path = GetFilename().utf8_string();
  if (properties.path.empty()) properties.path = GetTitle().utf8_string();
  properties.fromFile = m_origin == Origin::kFile;
  properties.width = GetPicture().width;
  properties.height = GetPicture().height;
  properties.bitsPerPixel = GetPicture().bitsPerPixel;
  properties.comment = m_comment;
  CPhotoPropertiesDlg dialog(DialogParent(), properties);
  if (dialog.ShowModal() != wxID_OK || !dialog.IsJpeg()) return;
  m_comment = dialog.Comment();
  if (!m_comment.empty()) Modify(true);
}

}  // namespace tessaly::retouch
