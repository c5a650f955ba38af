// Tessaly started for another program's embedded item ("-Embedding FILE"): the file's
// native data opens as an embedded retouch document without the main window, and the
// program ends when it has nothing left to serve.
#pragma once

#include <wx/docview.h>
#include <wx/string.h>

#include <string>

namespace tessaly::retouch {

class CRetouchDoc;

// A new embedded document: 200 x 200, no size asked.
CRetouchDoc* NewEmbeddedDocument(wxDocTemplate* retouchTemplate);
// An embedded document loaded from a file of native data; null after the failure was
// shown ("Failed to read file." for a file that cannot be read, the loading's messages for
// one that is not native data).
CRetouchDoc* OpenEmbeddedDocument(wxDocTemplate* retouchTemplate, const wxString& path);

// The start of an embedded run: opens the command line's first file (empty when it names
// none) as an embedded document. With no file, or one that does not open, there is
// nothing to serve and the program ends at once (exit status 0 without a file, 1 for a
// file that did not open); otherwise it ends when its last embedded document closes.
void ServeEmbedded(wxDocTemplate* retouchTemplate, const std::string& file);

// Kept by the embedded documents themselves: while the program serves, the last one to go
// ends it.
void EmbeddedDocumentOpened();
void EmbeddedDocumentClosed();

}  // namespace tessaly::retouch
