// The album window: a folder of pictures shown as thumbnails in rows, from which the
// user opens, copies, drags, deletes, saves, sends, prints and shows pictures.
//
// CAlbumDoc owns the album (album/album_model.h): the folder, the pattern, the names
// and the thumbnails. CAlbumView draws its entries through the icon grid
// (windows/icon_grid_window.h), which lays them out and takes the mouse and keyboard, keeps
// which of them are selected, and hands the user's commands to the album; CAlbumFrame
// is the child frame with the album's menu.
#pragma once

#include <wx/bitmap.h>
#include <wx/dataobj.h>
#include <wx/dialog.h>
#include <wx/docmdi.h>
#include <wx/docview.h>
#include <wx/scrolwin.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "album/album_model.h"
#include "picture/render_device.h"
#include "picture/slide_show.h"
#include "ui/child_frame.h"
#include "windows/icon_grid_window.h"

namespace tessaly::windows {

class CSlide;

// The album's document template, made on first use; null before a document manager exists.
wxDocTemplate* AlbumTemplate(wxDocManager* manager);
// Opens a new album window over folder with the file pattern ("*.jpg", "*.*").
// Returns the document, or null when it could not be made.
class CAlbumDoc;
CAlbumDoc* OpenAlbumWindow(wxDocManager* manager, const std::filesystem::path& folder, const std::string& pattern);

// "Open Album...": the folder chooser with its list of types. On OK the folder (a link
// followed) and the pattern of the chosen type go to open, and both are kept as the
// album's "Last Used Dir" and "Last Used Ext".
void RunOpenAlbum(wxWindow* parent, const std::function<void(const std::filesystem::path&, const std::string&)>& open);

class CAlbumDoc : public wxDocument {
 public:
  // Sets the folder (a link to a folder is followed) and the pattern, and the title.
  void SetFolder(const std::filesystem::path& folder, const std::string& pattern);
  const std::filesystem::path& Folder() const { return m_album.Folder(); }
  const std::string& Pattern() const { return m_album.Pattern(); }
  AlbumModel& Album() { return m_album; }
  const AlbumModel& Album() const { return m_album; }

  // The album reads and writes no document file of its own.
  bool OnOpenDocument(const wxString& path) override;
  bool OnSaveDocument(const wxString&) override { return false; }
  bool IsModified() const override { return false; }

 private:
  AlbumModel m_album;
  wxDECLARE_DYNAMIC_CLASS(CAlbumDoc);
};

// One thumbnail of the album as the grid draws it: the entry's name, its caption, its
// bitmap (made when first drawn) and whether it is selected. Item i is the album's entry i.
using AlbumItem = IconGridItem;

// What happens when a drag of the album's items ends.
enum class DragEnd { kNothing, kOpenInWindows };
// A drag that no program accepted and that ended over the main window but outside the
// album opens the items there; everything else does nothing more.
DragEnd DecideDragEnd(bool accepted, const PixelRect& mainWindow, const PixelRect& albumClient, int x, int y);

// When an album command can be used (the window's command table).
enum class AlbumRule;

class CAlbumView : public wxView, private IconGridOwner {
 public:
  CAlbumView();
  ~CAlbumView() override;

  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC*) override {}
  bool OnClose(bool deleteWindow) override;
  wxPrintout* OnCreatePrintout() override;

  CAlbumDoc* Doc() const;
  CIconGrid* Grid() const { return m_grid; }
  wxFrame* Frame() const;

  // Builds the thumbnail list: the folder scan (once), then each file loaded and turned
  // into its thumbnail, with the progress dialog and Cancel. False when no item was made.
  bool BuildList();
  bool Built() const { return m_built; }

  std::vector<AlbumItem>& Items() { return m_items; }
  const std::vector<std::string>& Files() const;
  std::vector<int> Selected() const;
  std::filesystem::path PathOf(int item) const;

  // The commands, also reachable by tests without their menus.
  void SelectAll();
  void CopySelected();
  void DeleteSelected();
  void SaveFromAlbum();
  void SaveToCamera();
  void StartSlideShow();
  void Print();
  void Preview();
  void OpenItems(const std::vector<int>& items);
  void BeginDrag();
  CSlide* Slide() const { return m_slide; }

  // Where opening an item sends its path; the document manager by default.
  std::function<void(const std::filesystem::path&)> openHook;
  // Asks for the destination folder of Save From Album; a dialog by default.
  std::function<std::filesystem::path()> chooseFolderHook;
  // Runs the slide show dialog; the dialog by default. False for Cancel.
  std::function<bool(SlideShowSettings&)> slideSettingsHook;

 private:
  std::vector<IconGridItem>& GridItems() override { return m_items; }
  void OpenGridItem(int i) override { OpenItems({i}); }
  void BeginGridDrag() override { BeginDrag(); }
  void MakeGridIcon(int i) override;
  // The items added since the grid last showed new ones go on the screen.
  void ShowNewItems();
  void OnBuild();
  // Whether a command of the given rule can be used now.
  bool Allows(AlbumRule rule) const;

  CIconGrid* m_grid = nullptr;
  std::vector<AlbumItem> m_items;
  int m_itemsShown = 0;  // items the grid has been told of while the list is built
  CSlide* m_slide = nullptr;
  bool m_built = false;
  bool m_building = false;
  wxDECLARE_DYNAMIC_CLASS(CAlbumView);
};

class CAlbumFrame : public ui::CChildFrame {
 public:
  CAlbumFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent, const wxString& title);

 private:
  void OnMove(wxMoveEvent&) {}  // the album keeps no position of its own
};

// "Confirm File Delete": Yes, No, All (for every file still to come) or Cancel.
class CConfirmDeleteDlg : public wxDialog {
 public:
  enum Choice { kAll = 0, kYes = 1, kNo = 2 };
  // All is disabled when exactly one file is to be deleted.
  CConfirmDeleteDlg(wxWindow* parent, int selectedCount);
  void SetFileName(const wxString& name);
  int Choice() const { return m_choice; }
  // Shows the dialog; wxID_CANCEL, or 0 with Choice() set.
  int Ask();

  // Tests answer the dialog without showing it: the hook returns the button pressed
  // (wxID_YES, wxID_NO, wxID_YESTOALL or wxID_CANCEL).
  static std::function<int(CConfirmDeleteDlg&)> answerHook;

 private:
  // The dialog's result and choice for a button.
  int Apply(int button);
  int m_choice = kNo;
};

// The files offered by Copy and by a drag: a "text/uri-list" whose file names keep their
// bytes (each byte that is not plain ASCII written as %XX), and the same list in the
// form file managers paste from.
class FileListDataObject : public wxDataObjectComposite {
 public:
  explicit FileListDataObject(const std::vector<std::filesystem::path>& paths);
};
// The uri-list text for paths.
std::string UriList(const std::vector<std::filesystem::path>& paths);

}  // namespace tessaly::windows
