#include "retouch_window/retouch_embedding.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filename.h>

#include <algorithm>
#include <new>
#include <vector>

#include "base/file_io.h"
#include "base/prompt.h"
#include "retouch_window/retouch_doc.h"
#include "ui/wx_path.h"

namespace tessaly::retouch {
namespace {

struct EmbeddedRun {
  bool serving = false;  // started with -Embedding
  int documents = 0;     // embedded documents alive
  bool ending = false;   // the end of the main loop is asked for
  int status = 0;        // the exit status it ends with: the worst one asked for
};

EmbeddedRun& Run() {
  static EmbeddedRun run;
  return run;
}

// Ends the program's main loop once it runs. A failure asked for after the end was
// already on its way still decides the exit status.
void EndProgram(int status) {
  EmbeddedRun& run = Run();
  run.status = std::max(run.status, status);
  if (run.ending || wxTheApp == nullptr) return;
  run.ending = true;
  // The main loop itself ends, never a dialog's loop that happens to run at the time.
  wxTheApp->CallAfter([] {
    wxEventLoopBase* loop = wxTheApp->GetMainLoop();
    if (loop != nullptr && loop->IsRunning()) loop->Exit(Run().status);
  });
}

}  // namespace

CRetouchDoc* NewEmbeddedDocument(wxDocTemplate* retouchTemplate) {
  if (retouchTemplate == nullptr) return nullptr;
  // What the template does for a new document, with the document made embedded first.
  auto* doc = new CRetouchDoc(CRetouchDoc::Origin::kEmbedded);
  return retouchTemplate->InitDocument(doc, wxString(), wxDOC_NEW) ? doc : nullptr;
}

CRetouchDoc* OpenEmbeddedDocument(wxDocTemplate* retouchTemplate, const wxString& path) {
  std::vector<std::uint8_t> bytes;
  try {
    if (ReadWholeFile(ui::WxToPath(path), bytes)) {
      Prompt().Show(kMsgFailedToReadFile);
      return nullptr;
    }
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return nullptr;
  }
  CRetouchDoc* doc = NewEmbeddedDocument(retouchTemplate);
  if (doc == nullptr) return nullptr;
  if (!doc->LoadEmbedded(bytes)) {
    doc->Modify(false);
    doc->DeleteAllViews();
    return nullptr;
  }
  doc->SetTitle(wxFileName(path).GetFullName());
  for (wxView* view : doc->GetViewsVector()) view->OnChangeFilename();
  return doc;
}

void ServeEmbedded(wxDocTemplate* retouchTemplate, const std::string& file) {
  Run().serving = true;
  if (file.empty()) {
    EndProgram(0);
    return;
  }
  if (OpenEmbeddedDocument(retouchTemplate, wxString::FromUTF8(file)) == nullptr) EndProgram(1);
}

void EmbeddedDocumentOpened() { ++Run().documents; }

void EmbeddedDocumentClosed() {
  EmbeddedRun& run = Run();
  if (run.documents > 0) --run.documents;
  if (run.serving && run.documents == 0) EndProgram(0);
}

}  // namespace tessaly::retouch
