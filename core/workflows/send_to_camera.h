// Sending pictures to the camera, as the album's "Save To Camera" and the retouch
// window's "Save To Camera" do: a copy of the picture is converted to 24 bits, fitted to
// one of the camera's canvases (320 x 240 or 640 x 480, on white), encoded as JPEG with
// the header block made from its comment, and put to the camera.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture.h"
#include "workflows/camera_transfers.h"

namespace tessaly {

// Who sends. The two windows hand the camera different bytes and word failures their
// own way; everything else is the same.
enum class SendFrom {
  kAlbum,          // the header block and the stream; each result's own message
  kRetouchWindow,  // the stream alone; "Failed to communicate." unless the card is full
};

// Sends one picture between a connect and a disconnect, with the transfer's progress on
// observer under the given name. The picture is taken by value: the caller's copy is
// never converted or fitted. Returns the camera's result: kCamDone when the camera has
// the picture, kCamCancelled when the user stopped, anything else after its message
// (kCamNotGood when the picture could not be prepared, kCamNoMemory when memory ran out).
int SendPictureToCamera(Picture picture, const std::string& comment, std::string_view name, SendFrom from,
                        TransferObserver& observer);

struct SendTally {
  int sent = 0;
  int failed = 0;
  SequenceEnd end = SequenceEnd::kDone;
};

// Sends the album's files in order; the first file that fails ends the run, and later
// files are not sent. Every failure has shown its message, except a cancel by the user.
SendTally SendPicturesToCamera(const std::vector<std::filesystem::path>& files, TransferObserver& observer);

}  // namespace tessaly
