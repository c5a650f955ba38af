#include "ui/wx_path.h"

#include <string>

namespace tessaly::ui {

wxString PathToWx(const std::filesystem::path& path) { return wxString(path.native().c_str(), wxConvFile); }

std::filesystem::path WxToPath(const wxString& text) {
  wxCharBuffer bytes = text.fn_str();
  return std::filesystem::path(std::string(bytes.data() ? bytes.data() : ""));
}

}  // namespace tessaly::ui
