// The album window tests' fixture: a main frame with its document manager, folders of
// generated pictures, and the scripted prompt.
#pragma once

#include <gtest/gtest.h>
#include <wx/docview.h>

#include <filesystem>
#include <memory>
#include <string>

#include "formats/picture_file.h"
#include "picture/album_thumbnail.h"
#include "shell/main_frame.h"
#include "shell/shell_test_support.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/dc_render_device.h"
#include "windows/album_window.h"
#include "x_screen.h"

namespace tessaly::test {

namespace fs = std::filesystem;

// Writes a picture through the file-type dispatch, as any file the album meets.
inline void SavePictureFile(const fs::path& path, const Picture& picture) {
  PictureFile file;
  file.picture = picture;
  ASSERT_TRUE(file.SavePicture(path)) << path;
}

// A picture of soft gradients that every format keeps.
inline Picture Gradient(int width, int height) {
  Picture p = Make24(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      Set(p, x, y, {(x * 255) / std::max(1, width - 1), (y * 255) / std::max(1, height - 1), 128});
  return p;
}

class AlbumWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_manager = new wxDocManager;
    m_frame = new shell::CMainFrame(m_manager);
    wxTheApp->SetTopWindow(m_frame);
    m_frame->SetSize(0, 0, 1000, 760);
    m_frame->Show();
    Pump(100);
  }
  void TearDown() override {
    windows::CConfirmDeleteDlg::answerHook = nullptr;
    m_manager->CloseDocuments(true);
    Pump(100);
    m_frame->Destroy();
    wxTheApp->SetTopWindow(nullptr);
    Pump(100);
    wxTheApp->ProcessIdle();
    delete m_manager;
  }

  // Opens an album and waits until its list is built.
  windows::CAlbumView* Open(const fs::path& folder, const std::string& pattern = "*.*") {
    windows::CAlbumDoc* doc = windows::OpenAlbumWindow(m_manager, folder, pattern);
    if (!doc) return nullptr;
    auto* view = dynamic_cast<windows::CAlbumView*>(doc->GetFirstView());
    PumpUntil([&] { return view->Built(); }, 20000);
    Pump(100);
    return view;
  }
  std::vector<std::string> ItemNames(windows::CAlbumView* view) {
    std::vector<std::string> names;
    for (const auto& item : view->Items()) names.push_back(item.name);
    return names;
  }
  void SelectAll(windows::CAlbumView* view) { view->SelectAll(); }

  wxDocManager* m_manager = nullptr;
  shell::CMainFrame* m_frame = nullptr;
  TempFolder m_folder;
  RecordedPrompt m_prompt;
};

}  // namespace tessaly::test
