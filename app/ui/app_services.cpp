#include "ui/app_services.h"

#include <wx/mdi.h>

namespace tessaly::ui {
namespace {

AppServices* g_services = nullptr;

}  // namespace

void InstallAppServices(AppServices* services) { g_services = services; }

AppServices* InstalledAppServices() { return g_services; }

wxMDIParentFrame* MainWindow() { return g_services != nullptr ? g_services->MainWindow() : nullptr; }

void ShowStatusMessage(const wxString& text) {
  wxMDIParentFrame* frame = MainWindow();
  if (frame != nullptr && frame->GetStatusBar() != nullptr) frame->SetStatusText(text, kStatusPaneMessage);
}

}  // namespace tessaly::ui
