// Sending picture files to the camera, as the album's "Save To Camera" does: each file
// is loaded, converted to 24 bits, fitted to one of the camera's canvases (320 x 240 or
// 640 x 480, on white), encoded as JPEG with the 512-byte header block, and sent.
#pragma once

#include <filesystem>
#include <vector>

#include "camera/camera_transfers.h"

namespace tessaly {

struct SendTally {
  int sent = 0;
  int failed = 0;
  SequenceEnd end = SequenceEnd::kDone;
};

// Sends the files in order; the first file that fails ends the run, and later files are
// not sent. Every failure has shown its message, except a cancel by the user.
SendTally SendPicturesToCamera(const std::vector<std::filesystem::path>& files, TransferObserver& observer);

}  // namespace tessaly
