#include "ui/wx_prompt.h"

#include <wx/app.h>
#include <wx/arrstr.h>
#include <wx/stockitem.h>
#include <wx/translation.h>

#include <filesystem>
#include <string>

#include "album/album_scan.h"
#include "ui/app_services.h"
#include "ui/message_box.h"

namespace tessaly::ui {

wxString Translated(std::string_view english) {
  return wxGetTranslation(wxString::FromUTF8(english.data(), english.size()));
}

namespace {

// The translation of a text the core may have put together from several messages, one
// per line group: the longest run of leading lines that is a message of the catalogue is
// translated as one, then the rest the same way. Lines that are no message (a folder's
// name, the system's words for an error) stay as they are.
wxString TranslateLines(const wxArrayString& lines, std::size_t first) {
  if (first >= lines.size()) return {};
  for (std::size_t end = lines.size(); end > first; --end) {
    wxString run = lines[first];
    for (std::size_t i = first + 1; i < end; ++i) run += "\n" + lines[i];
    const wxString translated = wxGetTranslation(run);
    if (translated != run || end == first + 1) {
      const wxString rest = TranslateLines(lines, end);
      return rest.empty() ? translated : translated + "\n" + rest;
    }
  }
  return {};
}

}  // namespace

PromptAnswer WxPrompt::Show(std::string_view text, PromptButtons buttons) {
  const wxString original = wxString::FromUTF8(text.data(), text.size());
  wxString message = wxGetTranslation(original);
  if (message == original) message = TranslateLines(wxSplit(original, '\n', '\0'), 0);
  long style = wxCENTRE;
  MessageIcon icon = MessageIcon::kInformation;
  switch (KindOfMessage(text, buttons)) {
    case MessageKind::kInformation: style |= wxICON_INFORMATION; break;
    case MessageKind::kQuestion:
      style |= wxICON_QUESTION;
      icon = MessageIcon::kQuestion;
      break;
    case MessageKind::kWarning:
      style |= wxICON_WARNING;
      icon = MessageIcon::kWarning;
      break;
  }
  style |= buttons == PromptButtons::kOk ? wxOK : wxYES_NO;
  AppServices* services = InstalledAppServices();
  wxWindow* parent = services != nullptr ? services->MainWindow() : nullptr;
  wxMessageDialog dialog(parent, message, wxTheApp->GetAppDisplayName(), style);
  // The buttons in the program's language, which may not be the locale's (--lang).
  switch (buttons) {
    case PromptButtons::kOk: dialog.SetOKLabel(wxGetStockLabel(wxID_OK)); break;
    case PromptButtons::kYesNo: dialog.SetYesNoLabels(wxGetStockLabel(wxID_YES), wxGetStockLabel(wxID_NO)); break;
    case PromptButtons::kRetryCancel: dialog.SetYesNoLabels(_("&Retry"), _("Cancel")); break;
  }
  // The file the message is about, as the box's second text under the message.
  if (std::string_view subject = PromptSubject::Current(); !subject.empty()) {
    const std::string name = DisplayNameUtf8(std::filesystem::path(subject).filename().native());
    dialog.SetExtendedMessage(wxString::FromUTF8(name.data(), name.size()));
  }
  const int answer = ShowMessageBox(dialog, icon);
  switch (buttons) {
    case PromptButtons::kOk: return PromptAnswer::kOk;
    case PromptButtons::kYesNo: return answer == wxID_YES ? PromptAnswer::kYes : PromptAnswer::kNo;
    case PromptButtons::kRetryCancel: return answer == wxID_YES ? PromptAnswer::kRetry : PromptAnswer::kCancel;
  }
  return PromptAnswer::kOk;
}

}  // namespace tessaly::ui
