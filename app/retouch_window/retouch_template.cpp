#include "retouch_window/retouch_template.h"

#include "retouch_window/retouch_doc.h"
#include "retouch_window/retouch_view.h"

namespace tessaly::retouch {

wxDocTemplate* CreateRetouchTemplate(wxDocManager* manager) {
  return new wxDocTemplate(manager, _("Picture"), "*.bmp;*.dib;*.jpg;*.tif", "", "bmp", "Retouch Doc", "Retouch View",
                           CLASSINFO(CRetouchDoc), CLASSINFO(CRetouchView));
}

wxDocument* OpenHandedPicture(wxDocTemplate* retouchTemplate, ui::HandedPicture picture) {
  if (retouchTemplate == nullptr) return nullptr;
  // What the document manager does for a new document, with the picture given to the
  // document before it is created.
  auto* doc = new CRetouchDoc;
  doc->TakeHandedPicture(std::move(picture));
  // A document that refuses is gone again.
  if (!retouchTemplate->InitDocument(doc, wxString(), wxDOC_NEW)) return nullptr;
  doc->SetDocumentName(retouchTemplate->GetDocumentName());
  if (!doc->OnNewDocument()) {
    doc->DeleteAllViews();
    return nullptr;
  }
  doc->Activate();
  return doc;
}

}  // namespace tessaly::retouch
