// Tone adjustments of a 24-bit picture: brightness, contrast and the colour curve of one
// channel. They change the picture in place, allocate nothing and cannot fail; the
// retouch document applies them after its undo snapshot and the tone dialogs apply them
// to their 80 x 60 preview copies. Pictures that are not 24-bit are left alone.
#pragma once

#include <array>
#include <cstdint>

#include "picture/picture.h"

namespace tessaly {

// Channel numbers of the colour curve: the byte offset of the component in a pixel.
inline constexpr int kChannelBlue = 0;
inline constexpr int kChannelGreen = 1;
inline constexpr int kChannelRed = 2;

// Sliders run 0...255; 128 is neutral and the offsets are slider - 128.
inline constexpr int kToneSliderNeutral = 128;

using ToneTable = std::array<std::uint8_t, 256>;

// out = in + offset, clamped to 0...255, for every byte of the pixel block, row padding
// included.
void AdjustBrightness(Picture& picture, int offset);

// The contrast factor of a slider value, computed in single precision: 0.5 + value / 256.
float ContrastFactor(int value);
// out = trunc(f * (in - 128) + 128), clamped, for every byte of the pixel block, row
// padding included.
void AdjustContrast(Picture& picture, int value);

// Knee of the colour curve for an offset: 127 - offset / 2 (division truncating).
int ColorCurveKnee(int offset);
// The colour curve: a two-segment line through (0, 0), (K, 255 - K) and (255, 255).
ToneTable ColorCurveTable(int offset);
// Applies the curve to one component (channel 0 blue, 1 green, 2 red) of every pixel;
// row padding is left alone.
void AdjustColorChannel(Picture& picture, int offset, int channel);
// The three curves of the colour dialog in one pass; the same result as the dialog's
// calls for red, then green, then blue.
void AdjustColor(Picture& picture, int redOffset, int greenOffset, int blueOffset);

ToneTable BrightnessTable(int offset);
ToneTable ContrastTable(int value);

}  // namespace tessaly
