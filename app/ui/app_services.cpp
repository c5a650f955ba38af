#include "ui/app_services.h"

#include <wx/app.h>
#include <wx/mdi.h>

// The toolkit's own layout pass (its headers are not needed for it).
extern "C" void gtk_container_check_resize(void* container);

namespace tessaly::ui {
namespace {

AppServices* g_services = nullptr;

}  // namespace

void InstallAppServices(AppServices* services) { g_services = services; }

AppServices* InstalledAppServices() { return g_services; }

wxMDIParentFrame* MainWindow() { return g_services != nullptr ? g_services->MainWindow() : nullptr; }

void ShowStatusMessage(const wxString& text) {
  wxMDIParentFrame* frame = MainWindow();
  if (frame == nullptr || frame->GetStatusBar() == nullptr) return;
  frame->SetStatusText(text, kStatusPaneMessage);
}

void LayOutMainWindowNow() {
  // Never while windows are going: the layout would reach parts already half taken down.
  if (!wxPendingDelete.empty()) return;
  if (wxMDIParentFrame* main = MainWindow(); main != nullptr && main->IsShown() && !main->IsBeingDeleted())
    if (void* widget = main->GetHandle()) gtk_container_check_resize(widget);
}

}  // namespace tessaly::ui
