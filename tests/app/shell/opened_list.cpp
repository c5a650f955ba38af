// Linked into tessaly-e2e, the program as the end-to-end tests run it: when
// TESSALY_TEST_OPENED names a file, the paths of the open documents are written there
// after start-up and after each hand-over (one a line, the file replaced as a whole), so
// that a test can see what a start opened.
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "shell/single_instance.h"

namespace {

const bool kListening = [] {
  const char* file = std::getenv("TESSALY_TEST_OPENED");
  if (file == nullptr || *file == '\0') return false;
  tessaly::shell::SetOpenedDocumentsListener([file = std::string(file)](const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += path + '\n';
    tessaly::WriteFileAtomically(file,
                                 tessaly::ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  });
  return true;
}();

}  // namespace
