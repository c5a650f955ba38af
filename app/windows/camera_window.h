// The camera window: the pictures in the camera as 80 x 60 thumbnails or as names, from
// which they are opened, copied, dragged out and saved into folders.
//
// Every camera access is one of the core's sequences (camera/camera_transfers.h), each
// connecting and disconnecting by itself; the window shows the "Processing Status"
// dialog while one runs, and the dialog's progress callback keeps the window alive.
#pragma once

#include <wx/docmdi.h>
#include <wx/docview.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "ui/child_frame.h"
#include "windows/icon_grid_window.h"

namespace tessaly::windows {

class CameraJob;

// One picture of the camera as the window lists it: its name, and its 80 x 60
// thumbnail (24 bits, or the 16-colour placeholder) when thumbnails are listed.
struct CameraListEntry {
  std::string name;
  Picture thumbnail;  // empty in the names mode
};

class CCameraDoc : public wxDocument {
 public:
  CCameraDoc() = default;
  ~CCameraDoc() override;
  bool OnNewDocument() override;
  // While a transfer runs the window cannot go: the transfer is asked to stop, and the
  // window closes once it has.
  bool OnSaveModified() override;
  // Remembers the name mode and removes the pictures fetched into the temporary folder.
  bool OnCloseDocument() override;

  // The pictures listed, in the camera's order (picture i + 1 is entry i).
  const std::vector<CameraListEntry>& Pictures() const { return m_pictures; }
  // True when the list holds names only.
  bool NameMode() const { return m_nameMode; }
  void SetNameMode(bool names) { m_nameMode = names; }
  // A new listing starts: the old one goes.
  void ClearPictures(std::size_t expected);
  void AddPicture(const std::string& name, Picture thumbnail = {});
  // A picture fetched into the temporary folder for another program, removed when the
  // window closes.
  void KeepTemporary(const std::filesystem::path& path) { m_tempFiles.insert(path); }

 private:
  std::vector<CameraListEntry> m_pictures;
  std::set<std::filesystem::path> m_tempFiles;
  bool m_nameMode = false;
  wxDECLARE_DYNAMIC_CLASS(CCameraDoc);
};

class CCameraFrame : public ui::CChildFrame {
 public:
  CCameraFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent);

 private:
  void OnClose(wxCloseEvent& event);
};

class CCameraView : public wxView, private IconGridOwner {
 public:
  CCameraView() = default;
  ~CCameraView() override;

  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC*) override {}
  bool OnClose(bool deleteWindow) override;

  // True while a camera transfer of this window runs.
  bool Busy() const { return m_job != nullptr; }
  // Asks the running transfer to stop, as its Cancel button does.
  void CancelJob();
  // Asks the window to close as soon as the running transfer has stopped.
  void CloseWhenIdle() { m_closeWhenIdle = true; }
  bool NameMode() const { return Doc()->NameMode(); }
  CIconGrid* Grid() const { return m_grid; }
  CCameraDoc* Doc() const;
  // The document's pictures as the grid draws them, in the camera's order; tests
  // select through them.
  std::vector<IconGridItem>& Items() { return m_items; }

  // The commands, also reached by tests.
  void ListPictures();
  void ShowNames();
  void ShowThumbnails();
  void SelectAll();
  void CopySelected();
  void SaveSelected();
  void SaveAll();
  void OpenItems(const std::vector<long>& items);

 private:
  friend class CameraJob;
  bool LoadThumbnails();
  bool LoadNames();
  void ClearList(bool thumbnails, int expected);
  // Adds the picture to the document and its item to the grid; the names mode shows
  // every name with the one icon.
  void AddItem(const std::string& name, Picture thumbnail, const wxBitmap& icon = wxBitmap());
  std::vector<long> SelectedItems() const;
  // Downloads the items into the private temporary folder; the paths, or an empty list
  // when one of them failed.
  std::vector<std::filesystem::path> DownloadItems(const std::vector<long>& items);
  // The selected items downloaded for Copy and a drag; empty while a job runs, with
  // nothing selected, or when a download failed.
  std::vector<std::filesystem::path> DownloadSelected();
  void JobEnded();

  std::vector<IconGridItem>& GridItems() override { return m_items; }
  void OpenGridItem(int i) override;
  void BeginGridDrag() override;
  void MakeGridIcon(int i) override;
  void OnListPictures(wxCommandEvent& event);
  void OnOpenItems(wxCommandEvent& event);

  CIconGrid* m_grid = nullptr;
  std::vector<IconGridItem> m_items;
  CameraJob* m_job = nullptr;
  bool m_closeWhenIdle = false;
  std::vector<long> m_openItems;
  // Every file this window wrote into the temporary folder, removed when it closes.

  wxDECLARE_DYNAMIC_CLASS(CCameraView);
};

// The document template of the camera window, made on first use.
wxDocTemplate* CreateCameraTemplate(wxDocManager* manager);

// "Save Camera Images To Disk...": every picture in the camera into a folder the user
// chooses. Runs without a camera window too.
void SaveAllCameraImages(wxWindow* parent);

}  // namespace tessaly::windows
