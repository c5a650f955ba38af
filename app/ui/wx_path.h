// File-system paths as wx carries them.
#pragma once

#include <wx/string.h>

#include <filesystem>

namespace tessaly::ui {

// Names that are not valid UTF-8 survive the trip through wxString (wx keeps their bytes
// as escapes) and come back unchanged.
wxString PathToWx(const std::filesystem::path& path);
std::filesystem::path WxToPath(const wxString& text);

}  // namespace tessaly::ui
