#include "windows/slide_show_window.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <new>

#include "base/prompt.h"
#include "formats/picture_file.h"
#include "ui/dc_render_device.h"

namespace tessaly::windows {

// ---------------------------------------------------------------- the dialog

CSlideShowDlg::CSlideShowDlg(wxWindow* parent, const SlideShowSettings& settings) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_SLIDE_SHOW");
  m_fullScreen = XRCCTRL(*this, "ID_FULL_SCREEN", wxRadioButton);
  m_anyKey = XRCCTRL(*this, "ID_ANY_KEY", wxRadioButton);
  m_repeatYes = XRCCTRL(*this, "ID_REPEAT_YES", wxRadioButton);
  m_interval = XRCCTRL(*this, "ID_INTERVAL", wxTextCtrl);
  m_spin = XRCCTRL(*this, "ID_INTERVAL_SPIN", wxSpinButton);
  m_fullScreen->SetValue(settings.fullScreen);
  XRCCTRL(*this, "ID_ACTUAL_SIZE", wxRadioButton)->SetValue(!settings.fullScreen);
  m_anyKey->SetValue(!settings.automatic);
  XRCCTRL(*this, "ID_AUTOMATIC", wxRadioButton)->SetValue(settings.automatic);
  m_repeatYes->SetValue(settings.repeat);
  XRCCTRL(*this, "ID_REPEAT_NO", wxRadioButton)->SetValue(!settings.repeat);
  m_interval->ChangeValue(wxString::Format("%d", settings.intervalSeconds));
  // The spin button only reports its clicks; the value lives in the edit.
  m_spin->SetRange(-1000000, 1000000);
  m_spin->SetValue(0);
  m_interval->Enable(settings.automatic);
  m_spin->Enable(settings.automatic);
  Bind(wxEVT_RADIOBUTTON, &CSlideShowDlg::OnTrigger, this);
  m_spin->Bind(wxEVT_SPIN_UP, &CSlideShowDlg::OnSpinUp, this);
  m_spin->Bind(wxEVT_SPIN_DOWN, &CSlideShowDlg::OnSpinDown, this);
  Fit();
  CentreOnParent();
}

void CSlideShowDlg::OnTrigger(wxCommandEvent&) {
  bool automatic = !m_anyKey->GetValue();
  m_interval->Enable(automatic);
  m_spin->Enable(automatic);
}

void CSlideShowDlg::StepInterval(int delta) {
  long value = 0;
  if (!m_interval->GetValue().Trim().Trim(false).ToLong(&value)) value = 0;
  if ((delta > 0 && value >= kSlideIntervalMax) || (delta < 0 && value <= kSlideIntervalMin)) return;
  m_interval->ChangeValue(wxString::Format("%ld", value + delta));
}

void CSlideShowDlg::OnSpinUp(wxSpinEvent& event) {
  StepInterval(+1);
  event.Veto();
}

void CSlideShowDlg::OnSpinDown(wxSpinEvent& event) {
  StepInterval(-1);
  event.Veto();
}

SlideShowSettings CSlideShowDlg::Settings() const {
  SlideShowSettings settings;
  settings.fullScreen = m_fullScreen->GetValue();
  settings.automatic = !m_anyKey->GetValue();
  settings.repeat = m_repeatYes->GetValue();
  long value = 0;
  wxString text = m_interval->GetValue();
  if (text.Trim().Trim(false).ToLong(&value)) settings.intervalSeconds = static_cast<int>(value);
  return settings;
}

bool CSlideShowDlg::Validate() {
  long value = 0;
  wxString text = m_interval->GetValue();
  text.Trim().Trim(false);
  if (!text.ToLong(&value) || value < kSlideIntervalMin || value > kSlideIntervalMax) {
    std::string message(MessageText(kMsgParseIntRange));
    message.replace(message.find("%1"), 2, std::to_string(kSlideIntervalMin));
    message.replace(message.find("%2"), 2, std::to_string(kSlideIntervalMax));
    Prompt().Show(message);
    m_interval->SetFocus();
    m_interval->SelectAll();
    return false;
  }
  return wxDialog::Validate();
}

bool CSlideShowDlg::Run(wxWindow* parent, SlideShowSettings& settings) {
  CSlideShowDlg dialog(parent, settings);
  if (dialog.ShowModal() != wxID_OK) return false;
  settings = dialog.Settings();
  return true;
}

// ---------------------------------------------------------------- the show's window

// The one child of the show's frame: it takes the keys (a frame without a focusable
// child gets none) and the mouse, and paints.
class CSlideCanvas : public wxWindow {
 public:
  explicit CSlideCanvas(CSlide* slide)
      : wxWindow(slide, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS | wxBORDER_NONE), m_slide(slide) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetName("slide");
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
      wxPaintDC dc(this);
      m_slide->Draw(dc);
    });
    Bind(wxEVT_KEY_UP, [this](wxKeyEvent& event) {
      m_slide->Input(InputOfKey(event.GetKeyCode()));
      event.Skip();
    });
    // Key presses must not move the focus or beep; the show acts on the releases.
    Bind(wxEVT_KEY_DOWN, [](wxKeyEvent&) {});
    Bind(wxEVT_CHAR, [](wxKeyEvent&) {});
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) { m_slide->Input(SlideInput::kLeftButton); });
    Bind(wxEVT_RIGHT_UP, [this](wxMouseEvent&) { m_slide->Input(SlideInput::kRightButton); });
  }
  bool AcceptsFocus() const override { return true; }

  static SlideInput InputOfKey(int key) {
    switch (key) {
      case WXK_RETURN:
      case WXK_NUMPAD_ENTER: return SlideInput::kEnter;
      case WXK_RIGHT:
      case WXK_NUMPAD_RIGHT: return SlideInput::kRight;
      case WXK_LEFT:
      case WXK_NUMPAD_LEFT: return SlideInput::kLeft;
      case WXK_UP:
      case WXK_NUMPAD_UP: return SlideInput::kUp;
      case WXK_DOWN:
      case WXK_NUMPAD_DOWN: return SlideInput::kDown;
      case WXK_ESCAPE: return SlideInput::kEscape;
      case WXK_SPACE: return SlideInput::kSpace;
      default: return SlideInput::kOtherKey;
    }
  }

 private:
  CSlide* m_slide;
};

CSlide::CSlide(std::vector<std::filesystem::path> paths, const SlideShowSettings& settings, std::function<void()> onEnd)
    : wxFrame(nullptr, wxID_ANY, "slide", wxPoint(0, 0), wxGetDisplaySize(),
              wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR | wxBORDER_NONE),
      m_paths(std::move(paths)),
      m_state(m_paths.size(), settings),
      m_timer(this, 1),
      m_onEnd(std::move(onEnd)) {
  SetBackgroundColour(*wxBLACK);
  m_canvas = new CSlideCanvas(this);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_canvas, 1, wxEXPAND);
  SetSizer(sizer);
  Bind(wxEVT_TIMER, &CSlide::OnTimer, this, 1);
}

CSlide* CSlide::Start(std::vector<std::filesystem::path> paths, const SlideShowSettings& settings,
                      std::function<void()> onEnd) {
  if (paths.empty()) return nullptr;
  auto* slide = new CSlide(std::move(paths), settings, std::move(onEnd));
  if (!slide->LoadCurrent()) {
    // The show does not start; the loader has said why.
    slide->m_onEnd = nullptr;
    slide->Destroy();
    return nullptr;
  }
  slide->SetSize(wxGetDisplaySize());
  slide->Move(0, 0);
  slide->Show();
  slide->Raise();
  slide->m_canvas->SetFocus();
  slide->m_timerAfterDraw = slide->m_state.WantsTimer();
  return slide;
}

CSlide::~CSlide() {
  m_timer.Stop();
  if (m_onEnd) std::exchange(m_onEnd, nullptr)();
}

wxWindow* CSlide::Canvas() const { return m_canvas; }

void CSlide::End() {
  if (m_ending) return;
  m_ending = true;
  m_timer.Stop();
  if (m_state.Paused()) {
    wxEndBusyCursor();
    if (m_canvas->HasCapture()) m_canvas->ReleaseMouse();
  }
  m_slot.Clear();
  m_indexed.reset();
  m_picture = {};
  if (m_onEnd) std::exchange(m_onEnd, nullptr)();
  Hide();
  Destroy();
}

bool CSlide::LoadCurrent() {
  if (m_state.Current() == SlideShowState::npos) return false;
  // The renderer borrows the picture's pixels, so it goes first.
  m_slot.Clear();
  m_indexed.reset();
  m_picture = {};
  PictureFile file;
  // A picture over the limit of editing comes reduced to it (a screen shows no more).
  if (!OpenPictureFileToFit(file, m_paths[m_state.Current()], kMaxPictureWidth, kMaxPictureHeight)) return false;
  m_picture = std::move(file.picture);
  try {
    if (m_picture.bitsPerPixel == 24) {
      wxClientDC dc(m_canvas);
      ui::DcRenderDevice device(dc);
      CreateRenderer(m_slot, m_picture.width, m_picture.height, m_picture.pixels, 0, 0, m_picture.width,
                     m_picture.height, device);
    } else {
      m_indexed = CreateIndexedRenderer(m_picture);
    }
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
  }
  return true;
}

void CSlide::StartTimer() {
  int ms = m_state.Settings().intervalSeconds * 1000;
  if (!m_timer.StartOnce(ms)) Prompt().Show(kMsgAllTimersOccupied);
}

bool CSlide::ShowCurrent() {
  wxBusyCursor wait;
  if (!LoadCurrent()) return false;
  m_timerAfterDraw = m_state.WantsTimer();
  return true;
}

void CSlide::OnTimer(wxTimerEvent&) { Input(SlideInput::kTimer); }

void CSlide::Input(SlideInput input) {
  if (m_ending) return;
  SlideStep step = m_state.Handle(input);
  if (step.stopTimer) m_timer.Stop();
  if (step.pause) {
    wxBeginBusyCursor();
    m_canvas->CaptureMouse();
    m_timer.Stop();
  }
  if (step.resume) {
    wxEndBusyCursor();
    if (m_canvas->HasCapture()) m_canvas->ReleaseMouse();
    StartTimer();
  }
  switch (step.outcome) {
    case SlideStep::Outcome::kNothing: break;
    case SlideStep::Outcome::kRedraw: m_canvas->Refresh(); break;
    case SlideStep::Outcome::kLoad:
      if (!ShowCurrent()) {
        End();
        return;
      }
      m_canvas->Refresh();
      break;
    case SlideStep::Outcome::kEnd: End(); return;
  }
}

void CSlide::Draw(wxDC& dc) {
  m_state.SetBusy(true);
  PictureRenderer* renderer = m_slot.renderer ? m_slot.renderer.get() : m_indexed.get();
  wxSize client = m_canvas->GetClientSize();
  ui::DcRenderDevice device(dc);
  if (m_state.Settings().fullScreen) {
    if (renderer) renderer->DrawStretched(device, client.x, client.y);
  } else {
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    // Integer division towards zero: a picture larger than the screen loses equal parts
    // on both sides.
    if (renderer)
      renderer->DrawZoomed(device, (client.x - m_picture.width) / 2, (client.y - m_picture.height) / 2, 100);
  }
  m_state.SetBusy(false);
  // An automatic show's clock runs from the moment the picture is on the screen: a
  // tick before the first drawing would be ignored and the show would stand still, and
  // with an interval of 0 every picture is still seen once.
  if (m_timerAfterDraw) {
    m_timerAfterDraw = false;
    if (m_state.WantsTimer()) StartTimer();
  }
}

}  // namespace tessaly::windows
