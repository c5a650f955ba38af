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

#include "ui/child_frame.h"
#include "windows/icon_grid.h"

namespace tessaly::windows {

class CameraJob;

class CCameraDoc : public wxDocument {
 public:
  CCameraDoc() = default;
  ~CCameraDoc() override;
  bool OnNewDocument() override;
  // While a transfer runs the window cannot go: the transfer is asked to stop, and the
  // window closes once it has.
  bool OnSaveModified() override;

 private:
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
  bool NameMode() const { return m_nameMode; }
  CIconGrid* Grid() const { return m_grid; }
  // The pictures listed, in the camera's order; tests select through them.
  std::vector<IconGridItem>& Items() { return m_items; }

  // The commands, also reached by tests.
  void ListPictures();
  void ShowNames();
  void ShowThumbnails();
  void SelectAll();
  void CopySelected();
  void SaveSelected();
  void OpenItems(const std::vector<long>& items);

 private:
  friend class CameraJob;
  bool LoadThumbnails();
  bool LoadNames();
  void ClearList(bool thumbnails, int expected);
  void AddItem(const std::string& name, const wxBitmap& image);
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
  void OnListPictures(wxCommandEvent& event);
  void OnOpenItems(wxCommandEvent& event);
  void OnCommand(wxCommandEvent& event);
  void OnUpdateCommand(wxUpdateUIEvent& event);

  CIconGrid* m_grid = nullptr;
  std::vector<IconGridItem> m_items;
  bool m_nameMode = false;
  CameraJob* m_job = nullptr;
  bool m_closeWhenIdle = false;
  std::vector<long> m_openItems;
  // Every file this window wrote into the temporary folder, removed when it closes.
  std::set<std::filesystem::path> m_tempFiles;

  wxDECLARE_DYNAMIC_CLASS(CCameraView);
};

// The document template of the camera window, made on first use.
wxDocTemplate* CreateCameraTemplate(wxDocManager* manager);

// "Save Camera Images To Disk...": every picture in the camera into a folder the user
// chooses. Runs without a camera window too.
void SaveAllCameraImages(wxWindow* parent);

}  // namespace tessaly::windows
