#include "retouch/window/retouch_doc.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>
#include <utility>

#include "base/ini_file.h"
#include "base/prompt.h"
#include "retouch/clipboard_data.h"
#include "retouch/window/dsc_srvr_item.h"
#include "retouch/window/retouch_dialogs.h"
#include "retouch/window/retouch_embedding.h"
#include "retouch/window/retouch_view.h"
#include "ui/app_state.h"
#include "ui/former_names.h"
#include "ui/file_dialog_rules.h"
#include "ui/file_dialogs.h"
#include "ui/processing_dlg.h"
#include "workflows/send_to_camera.h"

namespace tessaly::retouch {

wxIMPLEMENT_DYNAMIC_CLASS(CRetouchDoc, wxDocument);

namespace {

wxString Translated(std::string_view english) {
  return wxGetTranslation(wxString::FromUTF8(english.data(), english.size()));
}

}  // namespace

wxWindow* CRetouchDoc::DialogParent() const {
  for (wxView* view : const_cast<CRetouchDoc*>(this)->GetViewsVector())
    if (view->GetFrame()) return view->GetFrame();
  return wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
}

CRetouchDoc::CRetouchDoc() : m_embedded(CreatingEmbedded()) {
  if (m_embedded) EmbeddedDocumentOpened();
}

CRetouchDoc::~CRetouchDoc() {
  if (m_embedded) EmbeddedDocumentClosed();
}

bool& CRetouchDoc::CreatingEmbedded() {
  static bool creating = false;
  return creating;
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
  m_hasPicture = true;
  m_fromFile = false;
  Changed(false);
  return true;
}

bool CRetouchDoc::OnNewDocument() {
  shell::AppState& state = shell::TheAppState();
  if (m_embedded) {
    // An embedded item starts as the document's own 200 x 200 white picture.
    if (!wxDocument::OnNewDocument()) return false;
    m_hasPicture = true;
    m_fromFile = false;
    Changed(false);
    return true;
  }
  if (m_handed) {
    if (!wxDocument::OnNewDocument()) return false;
    ui::HandedPicture handed = std::move(*m_handed);
    m_handed.reset();
    m_state.SetPicture(std::move(handed.picture));
    m_comment = std::move(handed.comment);
    m_hasPicture = true;
    m_fromFile = false;
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
  m_hasPicture = true;
  m_fromFile = false;
  Changed(false);
  return true;
}

bool CRetouchDoc::OnCreate(const wxString& path, long flags) {
  const shell::AppState& state = shell::TheAppState();
  if ((flags & wxDOC_NEW) && !m_embedded && !m_handed) {
    if (state.starting) return false;
    CNewSizeDlg dialog(wxTheApp ? wxTheApp->GetTopWindow() : nullptr);
    if (dialog.ShowModal() != wxID_OK) return false;
    m_newWidth = dialog.PictureWidth();
    m_newHeight = dialog.PictureHeight();
  }
  if (!(flags & wxDOC_NEW) && !path.empty() && !m_embedded) {
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
  if (!GetTitle().empty() || GetFilename().empty()) return wxDocument::GetUserReadableName();
  return windows::DisplayName(windows::WxToPath(GetFilename()).filename().native());
}

bool CRetouchDoc::DoOpenDocument(const wxString& file) {
  if (!m_readBeforeWindow.empty() && file == std::exchange(m_readBeforeWindow, wxString())) return true;
  PictureFile loader;
  // The loader shows its own message when it fails.
  if (!OpenPictureFile(loader, std::string(file.fn_str()))) return false;
  m_state.SetPicture(std::move(loader.picture));
  m_os2Header = loader.os2Header;
  m_comment = loader.comment;
  m_readOnly = shell::TheAppState().readOnlyChosen;
  m_hasPicture = true;
  m_fromFile = true;
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
  shell::AppState& state = shell::TheAppState();
  const wxString current = GetFilename().empty() ? GetTitle() : wxFileName(GetFilename()).GetFullName();
  // The settings count the types from 1, as the name's type does; the dialog from 0.
  const int index = SaveAsFilterIndex(current.utf8_string(), state.retouchSaveFilterIndex);
  // Without a folder of its own, Save As starts where the picture is.
  wxString folder = wxString::FromUTF8(state.retouchSaveDir);
  if (folder.empty() && !GetFilename().empty()) folder = wxFileName(GetFilename()).GetPath();
  shell::CFileSaveDialog dialog(DialogParent(), _("Save As"), kSaveAsFilter, folder, wxFileName(current).GetName(),
                                shell::ToolkitFilterIndex(index));
  if (dialog.ShowModal() != wxID_OK) return false;
  // The dialog has given the name the extension of the chosen type.
  const wxFileName chosen(dialog.GetPath());
  const int type = shell::StoredFilterIndex(std::clamp(dialog.GetFilterIndex(), 0, 2));
  const wxString path = chosen.GetFullPath();
  if (!OnSaveDocument(path)) return false;
  SetTitle(wxString());  // the new file's name is the title now
  SetFilename(path, true);
  m_readOnly = false;
  state.retouchSaveDir = chosen.GetPath().utf8_string();
  state.retouchSaveFilterIndex = type;
  WriteProfileString("Last Saved Dir", "Retouch", state.retouchSaveDir);
  WriteProfileInt("Last Saved Ext", "Retouch", type);
  m_state.ClearSelection();
  m_state.ForgetUndo();
  Changed(false);
  return true;
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

// ---------------------------------------------------------------- tone commands

namespace {

template <typename Dialog, typename Apply>
void RunToneCommand(CRetouchDoc& doc, MessageId question, wxWindow* parent, Apply&& apply) {
  RetouchPictureState& state = doc.State();
  if (!state.IsTrueColour()) return;
  if (!state.ConfirmToneOnEmpty(question)) return;
  if (!state.HasPixels()) return;  // the white picture could not be made
  doc.Changed(false);
  Dialog dialog(parent, state.Current());
  if (dialog.ShowModal() != wxID_OK) return;
  doc.Apply(apply(state, dialog));
}

}  // namespace

void CRetouchDoc::AdjustColorCommand() {
  RunToneCommand<CAdjustColorDlg>(*this, kMsgNoDataAdjustColour, DialogParent(),
                                  [](RetouchPictureState& s, const CAdjustColorDlg& d) {
                                    return s.AdjustColor(d.Red() - 128, d.Green() - 128, d.Blue() - 128);
                                  });
}

void CRetouchDoc::AdjustContrastCommand() {
  RunToneCommand<CAdjustContrastDlg>(*this, kMsgNoDataAdjustContrast, DialogParent(),
                                     [](RetouchPictureState& s, const CAdjustContrastDlg& d) {
                                       return s.AdjustContrast(d.Value());
                                     });
}

void CRetouchDoc::AdjustBrightnessCommand() {
  RunToneCommand<CAdjustBrightnessDlg>(*this, kMsgNoDataAdjustBrightness, DialogParent(),
                                       [](RetouchPictureState& s, const CAdjustBrightnessDlg& d) {
                                         return s.AdjustBrightness(d.Value() - 128);
                                       });
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
    windows::ProcessingObserver observer(DialogParent());
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
  properties.fromFile = m_fromFile;
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
