#include "retouch/window/retouch_doc.h"

#include <new>

#include "base/prompt.h"
#include "shell/app_state.h"

namespace tessaly::retouch {

wxIMPLEMENT_DYNAMIC_CLASS(CRetouchDoc, wxDocument);

namespace {

// The size of a new picture until the size dialog exists.
constexpr int kNewWidth = 320;
constexpr int kNewHeight = 240;

}  // namespace

bool CRetouchDoc::OnNewDocument() {
  shell::AppState& state = shell::TheAppState();
  if (state.pendingPicture && state.pendingPictureFile != nullptr) {
    if (!wxDocument::OnNewDocument()) return false;
    // The picture moves: the file object that decoded it no longer holds it.
    m_picture = std::move(state.pendingPictureFile->picture);
    state.pendingPictureFile->picture = Picture{};
    m_hasPicture = true;
    if (!state.pendingPictureName.empty()) {
      SetTitle(wxString::FromUTF8(state.pendingPictureName));
      for (wxView* view : GetViewsVector()) view->OnChangeFilename();
    }
    UpdateAllViews();
    return true;
  }
  if (state.starting) return false;
  if (!wxDocument::OnNewDocument()) return false;
  try {
    m_picture = Picture::Make(kNewWidth, kNewHeight, 24, 0xFF);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return false;
  }
  m_hasPicture = true;
  UpdateAllViews();
  return true;
}

void CRetouchDoc::Changed() {
  Modify(true);
  UpdateAllViews();
}

bool CRetouchDoc::DoOpenDocument(const wxString& file) {
  PictureFile loader;
  // The loader shows its own message when it fails.
  if (!OpenPictureFile(loader, file.utf8_string())) return false;
  m_picture = std::move(loader.picture);
  m_os2Header = loader.os2Header;
  m_comment = loader.comment;
  m_readOnly = shell::TheAppState().readOnlyChosen;
  m_hasPicture = true;
  UpdateAllViews();
  return true;
}

bool CRetouchDoc::DoSaveDocument(const wxString& file) {
  PictureFile saver;
  if (!CheckColourCondition(GetFilename().utf8_string(), file.utf8_string(), m_picture.bitsPerPixel)) return false;
  saver.InitFromDocument(m_picture, m_os2Header, m_comment);
  return saver.SavePicture(file.utf8_string());
}

}  // namespace tessaly::retouch
