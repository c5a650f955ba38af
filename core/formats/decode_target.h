// What the readers beyond the camera's own formats are asked to make of a file: the
// picture at its size within a limit, or reduced to fit a box while it is decoded.
#pragma once

#include <cstdint>
#include <optional>

#include "base/messages.h"
#include "formats/read_result.h"
#include "picture/picture.h"
#include "picture/reduce.h"

namespace tessaly {

struct DecodeTarget {
  // The largest upright picture taken at its own size; a larger one is refused with
  // "The picture size is too large.". Without a box these are the editing limits.
  int maxWidth = kMaxPictureWidth;
  int maxHeight = kMaxPictureHeight;
  // When both are above 0 the picture is reduced (never enlarged) to fit, and any size
  // up to kMaxOpenPixels is taken.
  int boxWidth = 0;
  int boxHeight = 0;
  // With a box, a picture within keepWidth x keepHeight still comes at its own size: the
  // album takes the pictures that can be edited whole, and makes the thumbnails of the
  // larger ones from a decode no larger than the thumbnail needs.
  int keepWidth = 0;
  int keepHeight = 0;

  static DecodeTarget Editable() { return {}; }
  static DecodeTarget AnySize() { return {1 << 30, 1 << 30, 0, 0}; }
  static DecodeTarget Fit(int width, int height) { return {1 << 30, 1 << 30, width, height}; }
  static DecodeTarget EditableOrFit(int width, int height) {
    return {1 << 30, 1 << 30, width, height, kMaxPictureWidth, kMaxPictureHeight};
  }

  bool Reduces() const { return boxWidth > 0 && boxHeight > 0; }
  bool Keeps(int width, int height) const { return width <= keepWidth && height <= keepHeight; }

  // Why a picture that stands width x height upright cannot be had, if it cannot: more
  // than kMaxOpenPixels, or over the limits without a box.
  std::optional<MessageId> Refusal(std::int64_t width, std::int64_t height) const {
    if (width <= 0 || height <= 0) return kMsgNotValidFileType;
    // Each side is at least 1, so a side beyond the limit is over it, and the product of
    // two sides within it cannot overflow.
    if (width > kMaxOpenPixels || height > kMaxOpenPixels || width * height > kMaxOpenPixels)
      return kMsgPictureOverLimit;
    if (!Reduces() && (width > maxWidth || height > maxHeight)) return kMsgPictureTooLarge;
    return std::nullopt;
  }

  // The size of the picture made of an upright width x height one.
  PictureSize Output(int width, int height) const {
    return Reduces() && !Keeps(width, height) ? FitInBox(width, height, boxWidth, boxHeight)
                                              : PictureSize{width, height};
  }
};

// What a reader found out besides the picture: the size the file declares (upright), for
// the messages that name it and for a reduced picture's real size.
struct DecodeReport {
  int width = 0;
  int height = 0;
};

}  // namespace tessaly
