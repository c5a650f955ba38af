// The retouch window's dialogs: New size, the three tone dialogs with their live
// previews, Rotate, and Photo Properties. Each is laid out in resources/retouch.xrc; the
// classes read and check their fields and keep the previews current. Their rules live in
// the core (retouch/dialog_rules.h, retouch/preview.h, retouch/tone.h).
#pragma once

#include <wx/dialog.h>

#include <string>

#include "picture/picture.h"

class wxPanel;
class wxRadioButton;
class wxScrollBar;
class wxScrollEvent;
class wxSlider;
class wxTextCtrl;
class wxPaintEvent;

namespace tessaly::retouch {

// Reads an unsigned integer field; shows the message of the field's rule and puts the
// focus into it when the text is no integer within minimum...maximum.
bool ReadField(wxTextCtrl* edit, int minimum, int maximum, int& value);

// "New" (template 172): the size of a new picture, 320 x 240 unless changed.
class CNewSizeDlg : public wxDialog {
 public:
  explicit CNewSizeDlg(wxWindow* parent);
  int PictureWidth() const { return m_width; }
  int PictureHeight() const { return m_height; }

 private:
  void OnOk(wxCommandEvent& event);
  int m_width = 320;
  int m_height = 240;
};

// The preview machinery the three tone dialogs share: an 80 x 60 box showing either the
// whole picture decimated ("Thumbnail") or an 80 x 60 region at full size ("Window") that
// the two scroll bars move. Every change of a value rebuilds the shown preview from the
// unadjusted copy, so that adjustments never accumulate.
class CTonePreviewBase : public wxDialog {
 public:
  // 0 "Thumbnail", 1 "Window".
  int PreviewType() const { return m_previewType; }
  bool WindowPreviewOffered() const;
  // The preview picture as it is drawn now (adjusted) and its unadjusted copy.
  const Picture& ShownPreview() const { return m_shown; }
  const Picture& UnadjustedPreview() const { return m_unadjusted; }
  // The top-left corner of the "Window" region in picture pixels.
  int RegionLeft() const { return m_regionLeft; }
  int RegionTop() const { return m_regionTop; }
  // Switches the preview type as its radio button does.
  void ChoosePreviewType(int type);
  // Moves the "Window" region as a scroll bar does (by a line, a page or a drag).
  void ScrollRegion(int dx, int dy);

 protected:
  CTonePreviewBase(wxWindow* parent, const Picture& picture, const char* resourceName);
  // Applies the dialog's current values to the preview picture.
  virtual void ApplyPreviewAdjustment(Picture& preview) const = 0;
  // Reads every edit field into the values; false (after the message) when one is wrong.
  virtual bool ReadFields(bool showMessage) = 0;
  // Rebuilds the shown preview from the unadjusted copy and draws it.
  void RefreshPreview();
  // Connects a slider and its edit field to a value.
  void ConnectValue(wxSlider* slider, wxTextCtrl* edit, int* value);

 private:
  void LayOutPreview();
  void ExtractPreview();
  void UpdateScrollBars();
  void OnPaintPreview(wxPaintEvent& event);
  void OnScroll(wxScrollEvent& event, bool vertical);
  void OnOk(wxCommandEvent& event);

  const Picture m_picture;  // a copy: the dialog may outlive the caller's picture
  Picture m_unadjusted;
  Picture m_shown;
  int m_previewType = 0;
  int m_regionLeft = 0;
  int m_regionTop = 0;
  bool m_updating = false;
  wxPanel* m_box = nullptr;
  wxScrollBar* m_vertical = nullptr;
  wxScrollBar* m_horizontal = nullptr;
  wxRadioButton* m_thumbnail = nullptr;
  wxRadioButton* m_window = nullptr;
};

// "Adjust Color" (template 138): red, green and blue, each 0...255, 128 neutral.
class CAdjustColorDlg : public CTonePreviewBase {
 public:
  CAdjustColorDlg(wxWindow* parent, const Picture& picture);
  int Red() const { return m_red; }
  int Green() const { return m_green; }
  int Blue() const { return m_blue; }

 protected:
  void ApplyPreviewAdjustment(Picture& preview) const override;
  bool ReadFields(bool showMessage) override;

 private:
  int m_red = 128;
  int m_green = 128;
  int m_blue = 128;
};

// One slider 0...255 (128 neutral) for contrast or brightness.
class CTonePreviewDlg : public CTonePreviewBase {
 public:
  int Value() const { return m_value; }

 protected:
  CTonePreviewDlg(wxWindow* parent, const Picture& picture, const char* resourceName);
  bool ReadFields(bool showMessage) override;
  int m_value = 128;
};

// "Adjust Contrast" (template 139): the slider value itself.
class CAdjustContrastDlg : public CTonePreviewDlg {
 public:
  CAdjustContrastDlg(wxWindow* parent, const Picture& picture);

 protected:
  void ApplyPreviewAdjustment(Picture& preview) const override;
};

// "Adjust Brightness" (template 140): slider - 128.
class CAdjustBrightnessDlg : public CTonePreviewDlg {
 public:
  CAdjustBrightnessDlg(wxWindow* parent, const Picture& picture);

 protected:
  void ApplyPreviewAdjustment(Picture& preview) const override;
};

// "Rotate" (template 157): 1...359 degrees, clockwise or counterclockwise.
class CRotateDlg : public wxDialog {
 public:
  explicit CRotateDlg(wxWindow* parent);
  // The clockwise angle chosen.
  int Angle() const { return m_angle; }

 private:
  void OnOk(wxCommandEvent& event);
  int m_angle = 0;
};

// What Photo Properties shows of a document.
struct PhotoProperties {
  std::string path;       // the document's file (empty when it came from the camera or New)
  bool fromFile = false;  // the creation date is shown only for a picture read from a file
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;
  std::string comment;  // UTF-8
};

// "Photo Properties" (template 142): read-only texts and the comment of a JPEG picture.
class CPhotoPropertiesDlg : public wxDialog {
 public:
  CPhotoPropertiesDlg(wxWindow* parent, const PhotoProperties& properties);
  bool IsJpeg() const { return m_jpeg; }
  // The edited comment (UTF-8) after OK.
  const std::string& Comment() const { return m_comment; }

 private:
  void OnOk(wxCommandEvent& event);
  bool m_jpeg = false;
  std::string m_comment;
};

}  // namespace tessaly::retouch
