#include "formats/webp_heif.h"

#include <libheif/heif.h>
#include <webp/decode.h>

#include <memory>
#include <new>
#include <vector>

namespace tessaly {
namespace {

// Lines of blue, green, red, alpha (stride bytes apart) into the reducer, over white.
void PutBgraLines(const std::uint8_t* pixels, std::size_t stride, int width, int height, LineReducer& reducer) {
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = pixels + stride * static_cast<std::size_t>(y);
    for (int x = 0; x < width; ++x) {
      const unsigned alpha = from[4 * x + 3];
      for (int c = 0; c < 3; ++c)
        bgr[3 * static_cast<std::size_t>(x) + c] =
            static_cast<std::uint8_t>((from[4 * x + c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
    reducer.PutLine(bgr.data());
  }
}

}  // namespace

ReadResult ReadWebpPicture(ByteSpan file, const DecodeTarget& target, Picture& picture, DecodeReport& report) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return invalid;
  if (WebPGetFeatures(file.data(), file.size(), &config.input) != VP8_STATUS_OK) return invalid;
  const int width = config.input.width, height = config.input.height;
  report = {width, height};
  if (auto refusal = target.Refusal(width, height)) return ReadResult::Refused(*refusal);
  const PictureSize wanted = target.Output(width, height);
  if (wanted.width != width || wanted.height != height) {
    config.options.use_scaling = 1;
    config.options.scaled_width = wanted.width;
    config.options.scaled_height = wanted.height;
  }
  // libwebp writes into a block of ours, so that running out of memory is an exception
  // here rather than a failure inside the library.
  const std::size_t stride = static_cast<std::size_t>(wanted.width) * 4;
  Picture decoded;
  try {
    std::vector<std::uint8_t> bgra(stride * static_cast<std::size_t>(wanted.height));
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = bgra.data();
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = bgra.size();
    const VP8StatusCode status = WebPDecode(file.data(), file.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) return invalid;
    LineReducer reducer(wanted.width, wanted.height, wanted.width, wanted.height);
    PutBgraLines(bgra.data(), stride, wanted.width, wanted.height, reducer);
    decoded = reducer.Take();
  } catch (const std::bad_alloc&) {
    return ReadResult::Refused(kMsgNotEnoughMemory);
  }
  picture = std::move(decoded);
  return ReadResult::Accepted();
}

namespace {

struct HeifFree {
  void operator()(heif_context* p) const { heif_context_free(p); }
  void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
  void operator()(heif_image* p) const { heif_image_release(p); }
};

}  // namespace

ReadResult ReadHeifPicture(ByteSpan file, const DecodeTarget& target, Picture& picture, DecodeReport& report) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);
  std::unique_ptr<heif_context, HeifFree> context(heif_context_alloc());
  if (!context) return ReadResult::Refused(kMsgNotEnoughMemory);
  heif_context_set_maximum_image_size_limit(context.get(), 1 << 16);
  if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code !=
      heif_error_Ok)
    return invalid;
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return invalid;
  std::unique_ptr<heif_image_handle, HeifFree> handle(rawHandle);
  // The size once the file's own rotation and mirroring are applied, as decoding does.
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  report = {width, height};
  if (auto refusal = target.Refusal(width, height)) return ReadResult::Refused(*refusal);

  heif_image* rawImage = nullptr;
  if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code !=
      heif_error_Ok)
    return invalid;
  std::unique_ptr<heif_image, HeifFree> image(rawImage);
  int stride = 0;
  const std::uint8_t* rgba = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int decodedWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int decodedHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
  // A file whose picture decodes to another size than it declares is damaged.
  if (rgba == nullptr || decodedWidth != width || decodedHeight != height || stride < decodedWidth * 4) return invalid;
  const PictureSize wanted = target.Output(decodedWidth, decodedHeight);
  Picture decoded;
  try {
    LineReducer reducer(decodedWidth, decodedHeight, wanted.width, wanted.height);
    // The samples come red first; swapped to blue first a line at a time.
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(decodedWidth) * 4);
    for (int y = 0; y < decodedHeight; ++y) {
      const std::uint8_t* from = rgba + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
      for (int x = 0; x < decodedWidth; ++x) {
        bgra[4 * x] = from[4 * x + 2];
        bgra[4 * x + 1] = from[4 * x + 1];
        bgra[4 * x + 2] = from[4 * x];
        bgra[4 * x + 3] = from[4 * x + 3];
      }
      PutBgraLines(bgra.data(), bgra.size(), decodedWidth, 1, reducer);
    }
    decoded = reducer.Take();
  } catch (const std::bad_alloc&) {
    return ReadResult::Refused(kMsgNotEnoughMemory);
  }
  picture = std::move(decoded);
  return ReadResult::Accepted();
}

}  // namespace tessaly
