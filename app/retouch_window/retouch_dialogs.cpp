#include "retouch_window/retouch_dialogs.h"

#include <wx/dcclient.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/scrolbar.h>
#include <wx/settings.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include <sys/stat.h>

#include <fcntl.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>

#include "base/prompt.h"
#include "picture/depth_name.h"
#include "picture/renderer.h"
#include "retouch/dialog_rules.h"
#include "retouch/preview.h"
#include "retouch/tone.h"
#include "retouch/view_geometry.h"
#include "ui/dc_render_device.h"
#include "ui/wx_prompt.h"

namespace tessaly::retouch {
namespace {

using ui::Translated;

// The box around the preview: the 80 x 60 picture and a one-pixel frame outside it.
constexpr int kFrameWidth = kPreviewWidth + 2;
constexpr int kFrameHeight = kPreviewHeight + 2;

void ShowTranslated(const wxString& text) { Prompt().Show(std::string(text.utf8_str())); }

}  // namespace

bool ReadField(wxTextCtrl* edit, int minimum, int maximum, int& value) {
  const IntegerField field = ReadIntegerField(std::string(edit->GetValue().utf8_str()), minimum, maximum);
  if (field.value) {
    value = *field.value;
    return true;
  }
  wxString text = Translated(MessageText(field.message));
  text.Replace("%1", wxString::Format("%d", minimum));
  text.Replace("%2", wxString::Format("%d", maximum));
  ShowTranslated(text);
  edit->SetFocus();
  edit->SelectAll();
  return false;
}

// ---------------------------------------------------------------- New

CNewSizeDlg::CNewSizeDlg(wxWindow* parent) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_NEW_SIZE");
  Bind(wxEVT_BUTTON, &CNewSizeDlg::OnOk, this, wxID_OK);
}

void CNewSizeDlg::OnOk(wxCommandEvent&) {
  int width = 0, height = 0;
  if (!ReadField(XRCCTRL(*this, "IDC_NEW_WIDTH", wxTextCtrl), 1, kMaxPictureWidth, width)) return;
  if (!ReadField(XRCCTRL(*this, "IDC_NEW_HEIGHT", wxTextCtrl), 1, kMaxPictureHeight, height)) return;
  m_width = width;
  m_height = height;
  EndModal(wxID_OK);
}

// ---------------------------------------------------------------- tone previews

CTonePreviewBase::CTonePreviewBase(wxWindow* parent, const Picture& picture, const char* resourceName)
    : m_picture(picture) {
  wxXmlResource::Get()->LoadDialog(this, parent, resourceName);
  m_box = XRCCTRL(*this, "IDC_PREVIEW", wxPanel);
  m_vertical = XRCCTRL(*this, "IDC_PREVIEW_VSCROLL", wxScrollBar);
  m_horizontal = XRCCTRL(*this, "IDC_PREVIEW_HSCROLL", wxScrollBar);
  m_thumbnail = XRCCTRL(*this, "IDC_PREVIEW_THUMBNAIL", wxRadioButton);
  m_window = XRCCTRL(*this, "IDC_PREVIEW_WINDOW", wxRadioButton);
  LayOutPreview();
  m_box->Bind(wxEVT_PAINT, &CTonePreviewBase::OnPaintPreview, this);
  m_thumbnail->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
    if (!m_updating && m_thumbnail->GetValue()) ChoosePreviewType(0);
  });
  m_window->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
    if (!m_updating && m_window->GetValue()) ChoosePreviewType(1);
  });
  m_window->Enable(WindowPreviewOffered());
  for (auto type : {wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_PAGEUP, wxEVT_SCROLL_PAGEDOWN,
                    wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM}) {
    m_vertical->Bind(type, [this](wxScrollEvent& e) { OnScroll(e, true); });
    m_horizontal->Bind(type, [this](wxScrollEvent& e) { OnScroll(e, false); });
  }
  Bind(wxEVT_BUTTON, &CTonePreviewBase::OnOk, this, wxID_OK);
  ExtractPreview();
  UpdateScrollBars();
}

bool CTonePreviewBase::WindowPreviewOffered() const {
  return WindowPreviewAvailable(m_picture.width, m_picture.height);
}

void CTonePreviewBase::LayOutPreview() {
  // The preview with its scroll bars along its right and bottom sits centred across the
  // "Preview Type" group, under its choices; the group ends below it, and the buttons
  // and the dialog's edge follow, so that no empty band is left under the controls.
  const int thickness = std::max(wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this), 8);
  const wxSize block(kFrameWidth + 2 + thickness, kFrameHeight + 2 + thickness);
  wxPoint at = m_box->GetPosition();
  if (auto* group = XRCCTRL(*this, "IDC_PREVIEW_GROUP", wxStaticBox)) {
    const wxRect box = group->GetRect();
    at = wxPoint(box.x + (box.width - block.x) / 2, m_window->GetRect().GetBottom() + 10);
    const int groupBottom = at.y + block.y + 12;
    group->SetSize(box.x, box.y, box.width, groupBottom - box.y);
    wxWindow* ok = FindWindow(wxID_OK);
    wxWindow* cancel = FindWindow(wxID_CANCEL);
    int lowest = groupBottom;
    for (wxWindow* child : GetChildren())
      if (child->IsShown() && child != ok && child != cancel && child->GetRect().GetRight() < box.x)
        lowest = std::max(lowest, child->GetRect().GetBottom());
    int bottom = lowest;
    for (wxWindow* button : {ok, cancel}) {
      if (button == nullptr) continue;
      button->Move(button->GetPosition().x, lowest + 8);
      bottom = std::max(bottom, button->GetRect().GetBottom());
    }
    SetClientSize(GetClientSize().GetWidth(), bottom + 10);
  }
  m_box->SetSize(at.x, at.y, kFrameWidth, kFrameHeight);
  m_vertical->SetSize(at.x + kFrameWidth + 2, at.y, thickness, kFrameHeight);
  m_horizontal->SetSize(at.x, at.y + kFrameHeight + 2, kFrameWidth, thickness);
}

void CTonePreviewBase::ExtractPreview() {
  try {
    m_unadjusted =
        m_previewType == 0 ? ThumbnailPreview(m_picture) : WindowPreview(m_picture, m_regionLeft, m_regionTop);
  } catch (const std::bad_alloc&) {
    m_unadjusted = Picture{};
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

void CTonePreviewBase::UpdateScrollBars() {
  const bool window = m_previewType == 1;
  auto setUp = [window](wxScrollBar* bar, int position, int extent, int page) {
    const bool shown = PreviewScrollBarShown(extent, page);
    // A bar that could not be used (the thumbnail shows the whole picture) is not shown
    // as a grey slab either.
    bar->Show(shown && window);
    if (shown) bar->SetScrollbar(position, page, extent, page);
    bar->Enable(window && shown);
  };
  setUp(m_horizontal, m_regionLeft, m_picture.width, kPreviewWidth);
  setUp(m_vertical, m_regionTop, m_picture.height, kPreviewHeight);
}

void CTonePreviewBase::ChoosePreviewType(int type) {
  if (type == 1 && !WindowPreviewOffered()) type = 0;
  m_previewType = type;
  m_updating = true;
  (type == 0 ? m_thumbnail : m_window)->SetValue(true);
  m_updating = false;
  ExtractPreview();
  UpdateScrollBars();
  ReadFields(false);
  RefreshPreview();
}

void CTonePreviewBase::ScrollRegion(int dx, int dy) {
  if (m_previewType != 1) return;
  m_regionLeft = MovePreviewScroll(m_regionLeft, dx, m_picture.width, kPreviewWidth);
  m_regionTop = MovePreviewScroll(m_regionTop, dy, m_picture.height, kPreviewHeight);
  UpdateScrollBars();
  ExtractPreview();
  RefreshPreview();
}

void CTonePreviewBase::OnScroll(wxScrollEvent& event, bool vertical) {
  const int current = vertical ? m_regionTop : m_regionLeft;
  int delta = 0;
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_SCROLL_LINEUP)
    delta = -kPreviewLineStep;
  else if (type == wxEVT_SCROLL_LINEDOWN)
    delta = kPreviewLineStep;
  else if (type == wxEVT_SCROLL_PAGEUP)
    delta = -kPreviewPageStep;
  else if (type == wxEVT_SCROLL_PAGEDOWN)
    delta = kPreviewPageStep;
  else
    delta = event.GetPosition() - current;  // the thumb dragged to a place
  if (vertical)
    ScrollRegion(0, delta);
  else
    ScrollRegion(delta, 0);
}

void CTonePreviewBase::RefreshPreview() {
  try {
    m_shown = m_unadjusted;
    ApplyPreviewAdjustment(m_shown);
  } catch (const std::bad_alloc&) {
    m_shown = Picture{};
    Prompt().Show(kMsgNotEnoughMemory);
  }
  m_box->Refresh(false);
  m_box->Update();
}

void CTonePreviewBase::OnPaintPreview(wxPaintEvent&) {
  wxPaintDC dc(m_box);
  dc.SetBackground(wxBrush(m_box->GetBackgroundColour()));
  dc.Clear();
  dc.SetPen(*wxBLACK_PEN);
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(0, 0, kFrameWidth, kFrameHeight);
  if (m_shown.pixels.empty()) return;
  // A preview smaller than the box sits in its middle.
  dc.SetDeviceOrigin(1 + (kPreviewWidth - m_shown.width) / 2, 1 + (kPreviewHeight - m_shown.height) / 2);
  ui::DcRenderDevice device(dc, {});
  RendererSlot slot;
  try {
    if (CreateRenderer(slot, m_shown.width, m_shown.height, m_shown.pixels, 0, 0, m_shown.width, m_shown.height,
                       device))
      slot.renderer->DrawZoomed(device, 0, 0, 100);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

void CTonePreviewBase::ConnectValue(wxSlider* slider, wxTextCtrl* edit, int* value) {
  // Dragging the thumb shows the value at once; the preview follows when it is released.
  slider->Bind(wxEVT_SCROLL_THUMBTRACK, [slider, edit, value](wxScrollEvent&) {
    *value = slider->GetValue();
    edit->ChangeValue(wxString::Format("%d", *value));
  });
  slider->Bind(wxEVT_SCROLL_CHANGED, [this, slider, edit, value](wxScrollEvent&) {
    *value = slider->GetValue();
    edit->ChangeValue(wxString::Format("%d", *value));
    RefreshPreview();
  });
  edit->Bind(wxEVT_TEXT, [this, slider, edit, value](wxCommandEvent&) {
    if (m_updating) return;
    const IntegerField field = ReadIntegerField(std::string(edit->GetValue().utf8_str()), 0, 255);
    if (!field.value) return;  // a half-typed number is judged on OK
    *value = *field.value;
    slider->SetValue(*value);
    RefreshPreview();
  });
}

void CTonePreviewBase::OnOk(wxCommandEvent&) {
  if (!ReadFields(true)) return;
  EndModal(wxID_OK);
}

CAdjustColorDlg::CAdjustColorDlg(wxWindow* parent, const Picture& picture)
    : CTonePreviewBase(parent, picture, "IDD_ADJUST_COLOR") {
  ConnectValue(XRCCTRL(*this, "IDC_RED_SLIDER", wxSlider), XRCCTRL(*this, "IDC_RED_EDIT", wxTextCtrl), &m_red);
  ConnectValue(XRCCTRL(*this, "IDC_GREEN_SLIDER", wxSlider), XRCCTRL(*this, "IDC_GREEN_EDIT", wxTextCtrl), &m_green);
  ConnectValue(XRCCTRL(*this, "IDC_BLUE_SLIDER", wxSlider), XRCCTRL(*this, "IDC_BLUE_EDIT", wxTextCtrl), &m_blue);
  RefreshPreview();
}

void CAdjustColorDlg::ApplyPreviewAdjustment(Picture& preview) const {
  AdjustColor(preview, m_red - kToneSliderNeutral, m_green - kToneSliderNeutral, m_blue - kToneSliderNeutral);
}

bool CAdjustColorDlg::ReadFields(bool showMessage) {
  const char* edits[] = {"IDC_RED_EDIT", "IDC_GREEN_EDIT", "IDC_BLUE_EDIT"};
  int* values[] = {&m_red, &m_green, &m_blue};
  for (int i = 0; i < 3; ++i) {
    wxTextCtrl* edit = XRCCTRL(*this, edits[i], wxTextCtrl);
    if (showMessage) {
      if (!ReadField(edit, 0, 255, *values[i])) return false;
    } else if (const IntegerField f = ReadIntegerField(std::string(edit->GetValue().utf8_str()), 0, 255); f.value) {
      *values[i] = *f.value;
    }
  }
  return true;
}

CTonePreviewDlg::CTonePreviewDlg(wxWindow* parent, const Picture& picture, const char* resourceName)
    : CTonePreviewBase(parent, picture, resourceName) {
  ConnectValue(XRCCTRL(*this, "IDC_TONE_SLIDER", wxSlider), XRCCTRL(*this, "IDC_TONE_EDIT", wxTextCtrl), &m_value);
}

bool CTonePreviewDlg::ReadFields(bool showMessage) {
  wxTextCtrl* edit = XRCCTRL(*this, "IDC_TONE_EDIT", wxTextCtrl);
  if (showMessage) return ReadField(edit, 0, 255, m_value);
  if (const IntegerField f = ReadIntegerField(std::string(edit->GetValue().utf8_str()), 0, 255); f.value)
    m_value = *f.value;
  return true;
}

CAdjustContrastDlg::CAdjustContrastDlg(wxWindow* parent, const Picture& picture)
    : CTonePreviewDlg(parent, picture, "IDD_ADJUST_CONTRAST") {
  RefreshPreview();
}

void CAdjustContrastDlg::ApplyPreviewAdjustment(Picture& preview) const { AdjustContrast(preview, m_value); }

CAdjustBrightnessDlg::CAdjustBrightnessDlg(wxWindow* parent, const Picture& picture)
    : CTonePreviewDlg(parent, picture, "IDD_ADJUST_BRIGHTNESS") {
  RefreshPreview();
}

void CAdjustBrightnessDlg::ApplyPreviewAdjustment(Picture& preview) const {
  AdjustBrightness(preview, m_value - kToneSliderNeutral);
}

// ---------------------------------------------------------------- Rotate

CRotateDlg::CRotateDlg(wxWindow* parent) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_ROTATE");
  Bind(wxEVT_BUTTON, &CRotateDlg::OnOk, this, wxID_OK);
  wxTextCtrl* degrees = XRCCTRL(*this, "IDC_DEGREES", wxTextCtrl);
  Bind(wxEVT_INIT_DIALOG, [degrees](wxInitDialogEvent& event) {
    event.Skip();
    degrees->SetFocus();
    degrees->SelectAll();
  });
}

void CRotateDlg::OnOk(wxCommandEvent&) {
  int degrees = 0;
  if (!ReadField(XRCCTRL(*this, "IDC_DEGREES", wxTextCtrl), 1, 359, degrees)) return;
  m_angle = RotateDialogAngle(degrees, XRCCTRL(*this, "IDC_COUNTERCLOCKWISE", wxRadioButton)->GetValue());
  EndModal(wxID_OK);
}

// ---------------------------------------------------------------- Photo Properties

namespace {

// The file's creation time where the file system records one, else its last change.
std::optional<std::time_t> CreationTime(const std::string& path) {
  struct statx info {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) return std::nullopt;
  if (info.stx_mask & STATX_BTIME) return static_cast<std::time_t>(info.stx_btime.tv_sec);
  return static_cast<std::time_t>(info.stx_mtime.tv_sec);
}

}  // namespace

CPhotoPropertiesDlg::CPhotoPropertiesDlg(wxWindow* parent, const PhotoProperties& properties) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_PHOTO_PROPERTIES");
  const std::string title = std::filesystem::path(properties.path).filename().string().substr(0, 256);
  const std::string_view type = DataTypeText(title);
  m_jpeg = type == kJpegType;
  auto set = [this](const char* name, const wxString& text) { XRCCTRL(*this, name, wxStaticText)->SetLabel(text); };
  set("IDC_PROP_FILE_NAME", wxString::FromUTF8(title));
  set("IDC_PROP_DATA_TYPE", wxString::FromUTF8(type.data(), type.size()));
  const StatusText size = ByteSizeText(properties.width, properties.height, properties.bitsPerPixel);
  wxString sizeText = Translated(size.format);
  sizeText.Replace("%1", wxString::Format("%lld", size.arguments[0]));
  set("IDC_PROP_SIZE", sizeText);
  wxString date;
  if (properties.fromFile && !properties.path.empty())
    if (const auto when = CreationTime(properties.path)) date = wxString::FromUTF8(CreationDateText(*when));
  set("IDC_PROP_CREATION_DATE", date);
  set("IDC_PROP_RESOLUTION", wxString::FromUTF8(SizeText(properties.width, properties.height)));
  set("IDC_PROP_COLORS", Translated(DepthName(properties.bitsPerPixel)));
  wxTextCtrl* comment = XRCCTRL(*this, "IDC_PROP_COMMENT", wxTextCtrl);
  if (m_jpeg) {
    comment->ChangeValue(wxString::FromUTF8(properties.comment));
    m_comment = properties.comment;
  }
  comment->Enable(m_jpeg);
  Bind(wxEVT_BUTTON, &CPhotoPropertiesDlg::OnOk, this, wxID_OK);
}

void CPhotoPropertiesDlg::OnOk(wxCommandEvent&) {
  if (m_jpeg) {
    wxTextCtrl* comment = XRCCTRL(*this, "IDC_PROP_COMMENT", wxTextCtrl);
    const std::string text(comment->GetValue().utf8_str());
    if (CharacterCount(text) > kCommentLimit) {
      wxString message = Translated(MessageText(kMsgParseStringSize));
      message.Replace("%1", wxString::Format("%d", kCommentLimit));
      ShowTranslated(message);
      comment->SetFocus();
      return;
    }
    m_comment = text;
  }
  EndModal(wxID_OK);
}

}  // namespace tessaly::retouch
