// A program of its own on the test's display, standing for any other program that shares
// pictures through the clipboard:
//   clipboard_peer get TYPE FILE     writes the clipboard's data of TYPE (image/png) to FILE
//   clipboard_peer put TYPE FILE S   offers FILE's bytes as TYPE for S seconds
// It exits 0 when it did what it was asked, 1 otherwise.
#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/ffile.h>
#include <wx/timer.h>

#include <cstdio>
#include <vector>

class PeerApp : public wxApp {
 public:
  bool OnInit() override {
    if (argc < 4) return false;
    const wxString mode = argv[1];
    const wxDataFormat format(argv[2]);
    const wxString file = argv[3];
    if (mode == "get") {
      m_result = Get(format, file) ? 0 : 1;
      return false;
    }
    if (mode == "put" && argc >= 5) {
      if (!Put(format, file)) return false;
      long seconds = 5;
      argv[4].ToLong(&seconds);
      m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ExitMainLoop(); });
      m_timer.StartOnce(static_cast<int>(seconds * 1000));
      m_result = 0;
      return true;
    }
    return false;
  }
  int OnRun() override {
    if (m_result != 0) return m_result;
    return wxApp::OnRun();
  }
  int Result() const { return m_result; }

 private:
  bool Get(const wxDataFormat& format, const wxString& file) {
    wxClipboardLocker lock;
    if (!lock || !wxTheClipboard->IsSupported(format)) return false;
    wxCustomDataObject data(format);
    if (!wxTheClipboard->GetData(data)) return false;
    wxFFile out(file, "wb");
    return out.IsOpened() && out.Write(data.GetData(), data.GetSize()) == data.GetSize();
  }
  bool Put(const wxDataFormat& format, const wxString& file) {
    wxFFile in(file, "rb");
    if (!in.IsOpened()) return false;
    std::vector<char> bytes(static_cast<std::size_t>(in.Length()));
    if (in.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
    auto* data = new wxCustomDataObject(format);
    data->SetData(bytes.size(), bytes.data());
    wxClipboardLocker lock;
    if (!lock) return false;
    return wxTheClipboard->SetData(data);
  }

  wxTimer m_timer;
  int m_result = 1;
};

wxIMPLEMENT_APP_NO_MAIN(PeerApp);

int main(int argc, char** argv) {
  wxApp::SetInstance(new PeerApp);
  if (!wxEntryStart(argc, argv)) return 2;
  auto* app = static_cast<PeerApp*>(wxTheApp);
  int rc = 1;
  if (app->CallOnInit()) {
    app->OnRun();
    rc = 0;
  } else {
    rc = app->Result();
  }
  wxTheClipboard->Flush();
  wxEntryCleanup();
  return rc;
}
