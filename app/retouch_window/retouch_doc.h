// The retouch document: one picture with its undo state, floating pasted picture and
// selection (the core's RetouchPictureState), loaded from a file, handed over by the
// camera window or made new.
//
// The document is the only one that changes the picture, its selection and its floating
// picture: the window asks it to run a command of the core's table or to make the edit
// its mouse handling came to. It tells its views through one funnel, Changed(): the
// modified mark and an update of every view, which rebuild their display copies; a change
// of the selection or of the floating picture's place alone updates them with
// OutlineHint(), which rebuilds nothing.
#pragma once

#include <wx/docview.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "formats/picture_file.h"
#include "picture/picture.h"
#include "retouch/commands.h"
#include "retouch/interaction.h"
#include "retouch/picture_state.h"
#include "ui/app_services.h"

namespace tessaly::retouch {

class CDscSrvrItem;

class CRetouchDoc : public wxDocument {
 public:
  // Where the document's picture came from.
  enum class Origin {
    kNone,      // no picture yet
    kBlank,     // File -> New, of the size the "New" dialog chose
    kFile,      // a picture file
    kHanded,    // a picture another window handed over (OpenHandedPicture)
    kEmbedded,  // another program's item: the document's own 200 x 200, or native data
  };

  CRetouchDoc();
  // A document made for another program's item (NewEmbeddedDocument).
  explicit CRetouchDoc(Origin origin);
  ~CRetouchDoc() override;

  // A new document takes the picture handed over to it when there is one; without one
  // it is refused while the program starts, and otherwise asks for its size ("New").
  bool OnNewDocument() override;
  // A new document without a picture asks for its size, and a picture file is read,
  // before the window is made, so that Cancel or a file that does not load leaves no
  // window behind, not even for a moment.
  bool OnCreate(const wxString& path, long flags) override;
  // The closing check: refused while a camera transfer runs.
  bool OnCloseDocument() override;
  bool Close() override;
  // Save: the rules for a missing file, a read-only file and a document without a path.
  bool Save() override;
  // Save As: the save dialog with its type rule; remembers the folder and the type.
  bool SaveAs() override;

  // The title, or else the file's name as the album shows it: a name whose bytes are
  // not UTF-8 is read as the camera's Japanese encoding.
  wxString GetUserReadableName() const override;
  // "(reduced from W x H)", for the title and the status bar.
  wxString ReducedNote() const;
  // What Save As offers for a picture that must not go over its file: the file's name
  // with "-reduced" for a reduced picture, as PNG for a kind that is only read.
  wxString SuggestedNewName() const;

  const RetouchPictureState& State() const { return m_state; }
  const Picture& GetPicture() const { return m_state.Current(); }
  Origin GetOrigin() const { return m_origin; }
  bool IsReadOnly() const { return m_readOnly; }
  // True while the picture was opened reduced from a larger file, until it is saved.
  bool IsReduced() const { return m_reducedFrom.x > 0; }
  const std::string& Comment() const { return m_comment; }
  // Clear while a camera transfer runs: the document cannot close then.
  bool IsIdle() const { return m_idle; }

  // The document's embedded item, made on first request; it lives as long as the
  // document.
  CDscSrvrItem* OnGetEmbeddedItem();
  CDscSrvrItem& GetEmbeddedItem() { return *OnGetEmbeddedItem(); }
  // Raised only while the embedded item is handed out by Copy or a drag: the item then
  // covers the selection instead of the whole picture.
  bool CopySelection() const { return m_copySelection; }
  void SetCopySelection(bool raised) { m_copySelection = raised; }

  // An embedded document: made for another program's item, it starts at 200 x 200
  // without asking for a size, and loads native data instead of a picture file.
  bool IsEmbedded() const { return m_origin == Origin::kEmbedded; }
  // The embedded loading: the native data's picture and its two document values; the
  // selection becomes the whole picture. Native data that does not read shows "This is
  // not a valid file type." (or "The picture size is too large."), memory running out
  // "Not enough memory."; the document then keeps what it had.
  bool LoadEmbedded(std::span<const std::uint8_t> nativeData);
  // Gives a document not yet created the picture another window hands over
  // (OpenHandedPicture).
  void TakeHandedPicture(ui::HandedPicture picture) {
    m_handed = std::move(picture);
    m_origin = Origin::kHanded;
  }

  // The one way a change reaches the views. modified: the picture itself changed.
  void Changed(bool modified = true);
  // Runs an operation's result through the funnel: a change marks the document.
  EditResult Apply(EditResult result);
  // The hint of an update in which only the selection or the floating picture's place
  // changed.
  static wxObject* OutlineHint();

  // A command of the retouch table that edits the picture or asks about it: the tools
  // (with their dialogs), the turns and sizes, Trimming, the conversion, Select All,
  // Undo, Photo Properties, Save, Save As and Save to camera. A command that drops the
  // selection drops it whatever the command's outcome.
  EditResult Run(RetouchCommand command);

  // The edit the window's mouse handling came to.
  EditResult Make(const PictureEdit& edit);
  // Copy, and the drag of a selection: the embedded item handed out covering the
  // selection.
  void CopySelectionToClipboard();
  void DragSelection(wxWindow* source);

  void Select(const PictureRect& rect) { Make({PictureEdit::Kind::kSelect, rect, {}, 0}); }
  void ClearSelection() { Make({PictureEdit::Kind::kClearSelection, {}, {}, 0}); }
  // Esc, Delete, the right button: the floating picture goes and the selection with it.
  void DiscardFloatingAndSelection() { Make({PictureEdit::Kind::kDiscard, {}, {}, 0}); }
  // Paste: the clipboard's picture floats at `corner` (or is stamped in at once when it
  // has the picture's size).
  void Paste(FloatingPosition corner);
  // What the window shows, ready to be written: a floating picture stamped in, a new
  // picture made white.
  void MakeSavable();

  // The tone commands' OK path, with signed offsets (slider - 128) and the contrast
  // slider value.
  EditResult AdjustBrightness(int offset);
  EditResult AdjustContrast(int value);
  EditResult AdjustColor(int redOffset, int greenOffset, int blueOffset);
  // "Save To Camera": the floating picture stamped in, the blank-picture question, the
  // picture converted and fitted for the camera (on a copy: the document keeps its
  // picture and stays unmodified), the JPEG stream sent with the Processing Status dialog.
  void SaveToCamera();
  // "Photo Properties": the dialog; the comment of a JPEG picture.
  void PhotoPropertiesCommand();

 protected:
  bool DoOpenDocument(const wxString& file) override;
  bool DoSaveDocument(const wxString& file) override;

 private:
  wxWindow* DialogParent() const;
  // The tone commands: the empty-picture question, the dialog, the snapshot and the
  // operation.
  template <typename Dialog, typename Operation>
  EditResult ToneCommand(MessageId question, Operation&& operation);
  void SelectionChanged();

  RetouchPictureState m_state;
  Origin m_origin = Origin::kNone;
  bool m_readOnly = false;
  // The picture was opened reduced from a larger file (its size then), or from a kind
  // that is only read: Save asks for a new name rather than write over that file.
  wxSize m_reducedFrom;
  bool m_saveAsNew = false;
  bool m_os2Header = false;
  bool m_idle = true;
  int m_newWidth = 0;  // the size the "New" dialog chose; 0 when it was not asked
  int m_newHeight = 0;
  std::string m_comment;
  bool m_copySelection = false;
  // The file read before the window was made, which the open that follows need not
  // read again.
  wxString m_readBeforeWindow;
  std::unique_ptr<CDscSrvrItem> m_item;
  std::optional<ui::HandedPicture> m_handed;  // until the document is made with it

  wxDECLARE_DYNAMIC_CLASS(CRetouchDoc);
};

}  // namespace tessaly::retouch
