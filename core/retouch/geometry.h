// Geometry of a 24-bit picture: quarter and half turns, free rotation, nearest-neighbour
// resampling, padding onto a canvas, the fit to the camera's playback sizes, and
// trimming. Each computes into a new block and installs it at the end, so that a failure
// (std::bad_alloc) leaves the picture as it was. The size limits are checked by the
// callers (the retouch document), with the helpers below.
#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace tessaly {

// The camera's playback canvases.
inline constexpr int kCameraNormalWidth = 320;
inline constexpr int kCameraNormalHeight = 240;
inline constexpr int kCameraFineWidth = 640;
inline constexpr int kCameraFineHeight = 480;

// Padding colour of the camera fit: 0x00RRGGBB, white.
inline constexpr std::uint32_t kCanvasWhite = 0xFFFFFF;

// True when a width x height picture turned by 90 degrees stays within 1280 x 1024.
bool QuarterTurnFits(int width, int height);
// Size of a picture turned by degrees: trunc(|H sin| + |W cos| + 0.5) wide,
// trunc(|W sin| + |H cos| + 0.5) high, with the table values.
PictureSize FreeRotationSize(int width, int height, int degrees);
// True when a size lies within 1280 x 1024.
bool WithinSizeLimit(PictureSize size);
// percent * W div 100 by percent * H div 100.
PictureSize ScaledSize(int width, int height, int percent);

// Each operation that makes a picture of another shape comes in two forms: one that
// replaces the picture, and one that makes the new picture and leaves its source alone
// (an empty picture where the source is no 24-bit picture with pixels).

// Clockwise on screen: picture point (x, y) from the top-left goes to (H - 1 - y, x).
void Rotate90Right(Picture& picture);
Picture Rotated90Right(const Picture& picture);
// Counterclockwise on screen: (x, y) goes to (y, W - 1 - x).
void Rotate90Left(Picture& picture);
Picture Rotated90Left(const Picture& picture);
void Rotate180(Picture& picture);
Picture Rotated180(const Picture& picture);
// Turns clockwise on screen by whole degrees with bilinear interpolation about the centre,
// onto a white block of FreeRotationSize.
void RotateFree(Picture& picture, int degrees);
Picture RotatedFree(const Picture& picture, int degrees);

// Nearest-neighbour resampling to newWidth x newHeight (both at least 1) with one ratio
// W / newWidth for columns and rows; the row index is held inside the picture. A picture
// without pixels is left alone.
void Resample(Picture& picture, int newWidth, int newHeight);
Picture Resampled(const Picture& picture, int newWidth, int newHeight);

// Places the picture centred on a canvas of canvasWidth x canvasHeight filled with colour
// (0x00RRGGBB); an odd leftover pixel goes to the right and to the top. Nothing happens
// unless the canvas is at least as large as the picture.
void PadToCanvas(Picture& picture, int canvasWidth, int canvasHeight, std::uint32_t colour);

// The fit of a picture to the camera's canvases.
struct CameraFit {
  bool needed = false;  // false for a picture that already is 320 x 240 or 640 x 480
  PictureSize scaled;   // size after resampling
  PictureSize canvas;   // 320 x 240 or 640 x 480
};
CameraFit ComputeCameraFit(int width, int height);
// Resamples the picture with ComputeCameraFit and centres it on a white canvas; used by
// the retouch document and by the album's "Save To Camera".
void FitToCamera(Picture& picture);
Picture FittedToCamera(const Picture& picture);

// Keeps width x height pixels whose top-left corner is at (left, top); the rectangle is
// clipped to the picture, and nothing happens when nothing of it lies inside.
void Crop(Picture& picture, int left, int top, int width, int height);

}  // namespace tessaly
