#include "shell/wx_prompt.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>

namespace tessaly::shell {

PromptAnswer WxPrompt::Show(std::string_view text, PromptButtons buttons) {
  wxString message = wxGetTranslation(wxString::FromUTF8(text.data(), text.size()));
  long style = wxICON_INFORMATION | wxCENTRE;
  style |= buttons == PromptButtons::kOk ? wxOK : wxYES_NO;
  wxMessageDialog dialog(wxTheApp ? wxTheApp->GetTopWindow() : nullptr, message, wxTheApp->GetAppDisplayName(),
                         style);
  if (buttons == PromptButtons::kRetryCancel) dialog.SetYesNoLabels(_("&Retry"), _("Cancel"));
  int answer = dialog.ShowModal();
  switch (buttons) {
    case PromptButtons::kOk: return PromptAnswer::kOk;
    case PromptButtons::kYesNo: return answer == wxID_YES ? PromptAnswer::kYes : PromptAnswer::kNo;
    case PromptButtons::kRetryCancel: return answer == wxID_YES ? PromptAnswer::kRetry : PromptAnswer::kCancel;
  }
  return PromptAnswer::kOk;
}

}  // namespace tessaly::shell
