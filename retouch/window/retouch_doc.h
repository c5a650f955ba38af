// The retouch document: one picture, loaded from a file, handed over by another window
// or made new.
#pragma once

#include <wx/docview.h>

#include <string>

#include "formats/picture_file.h"
#include "picture/picture.h"

namespace tessaly::retouch {

class CRetouchDoc : public wxDocument {
 public:
  // A new document takes the application's pending picture when there is one; without
  // one it is refused while the program starts, and otherwise gets a white picture.
  bool OnNewDocument() override;

  const Picture& GetPicture() const { return m_picture; }
  bool HasPicture() const { return m_hasPicture; }
  bool IsReadOnly() const { return m_readOnly; }
  const std::string& Comment() const { return m_comment; }

  // The one way a change reaches the views: marks the document modified and asks every
  // view to rebuild its display copy.
  void Changed();

 protected:
  bool DoOpenDocument(const wxString& file) override;
  bool DoSaveDocument(const wxString& file) override;

 private:
  Picture m_picture;
  bool m_hasPicture = false;
  bool m_readOnly = false;
  bool m_os2Header = false;
  std::string m_comment;

  wxDECLARE_DYNAMIC_CLASS(CRetouchDoc);
};

}  // namespace tessaly::retouch
