// What every child window of the main window shares: its menus' help goes to the main
// window's status bar, the only one there is.
#pragma once

#include <wx/docmdi.h>

namespace tessaly::ui {

class CChildFrame : public wxDocMDIChildFrame {
 public:
  CChildFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent, const wxString& title,
              const wxSize& size = wxDefaultSize);

  // The help text of the menu item pointed at, in the main window's message pane.
  void DoGiveHelp(const wxString& text, bool show) override;
};

}  // namespace tessaly::ui
