// The camera's thumbnails and the picture shown in their place.
#pragma once

#include <cstdint>
#include <span>

#include "picture/picture.h"

namespace tessaly {

// A thumbnail as the camera sends it: a 40 x 30 picture in planar YCbCr with 4:2:0
// sub-sampling. 1200 luminance samples (40 per row, top row first), then 300 Cb and 300
// Cr samples (20 per row), each covering a 2 x 2 block of luminance samples.
inline constexpr int kThumbnailWidth = 40;
inline constexpr int kThumbnailHeight = 30;
inline constexpr std::size_t kThumbnailBytes = 1800;

// The size the windows show thumbnails at.
inline constexpr int kShownThumbnailWidth = 80;
inline constexpr int kShownThumbnailHeight = 60;

// Converts the camera's thumbnail into an 80 x 60 24-bit picture: each pixel of the
// 40 x 30 thumbnail becomes a 2 x 2 block. Fewer than 1800 bytes give an empty picture.
Picture ConvertThumbnail(std::span<const std::uint8_t> thumbnail);

// The picture shown for a thumbnail the camera could not give: 80 x 60, 16 colours.
const Picture& PlaceholderPicture();

}  // namespace tessaly
