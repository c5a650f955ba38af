#include "formats/tiff_library.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <new>
#include <vector>

#include "picture/orientation.h"

namespace tessaly {
namespace {

// libtiff never allocates a single block larger than this for us; the largest strip of
// a picture within kMaxOpenPixels fits.
constexpr tmsize_t kLargestBlock = tmsize_t{512} << 20;

struct Client {
  ByteInput* input;
  bool failed;
};

tmsize_t ReadProc(thandle_t handle, void* to, tmsize_t count) {
  auto* client = static_cast<Client*>(handle);
  if (count <= 0) return 0;
  return static_cast<tmsize_t>(client->input->Read(static_cast<std::uint8_t*>(to), static_cast<std::size_t>(count)));
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* client = static_cast<Client*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR)
    base = client->input->Position();
  else if (whence == SEEK_END)
    base = client->input->Size();
  const std::uint64_t position = base + offset;
  if (!client->input->Seek(position)) return static_cast<toff_t>(-1);
  return position;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<Client*>(handle)->input->Size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// Errors are recorded, never printed; any error refuses the file. Warnings are ignored.
int OnError(TIFF*, void* data, const char*, const char*, va_list) {
  static_cast<Client*>(data)->failed = true;
  return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// How many times its size a compressed block at most unpacks to; 0 when no bound is known.
std::uint64_t BestRatio(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;  // two bytes repeat one up to 128 times
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_LZW: return 4096 * 8 / 9;  // a code of 9 bits or more stands for at most 4096 bytes
    default: return 0;
  }
}

struct Closer {
  TIFF* tif;
  TIFFOpenOptions* options;
  ~Closer() {
    if (tif != nullptr) TIFFClose(tif);
    if (options != nullptr) TIFFOpenOptionsFree(options);
  }
};

// libtiff's colours come multiplied by their alpha already (it converts unassociated
// alpha so), so laying them over white only adds the white that shows through.
void PutBgr(const std::uint32_t* abgr, std::uint8_t* bgr, std::uint32_t width) {
  for (std::uint32_t x = 0; x < width; ++x) {
    const std::uint32_t p = abgr[x];
    const unsigned white = 255 - TIFFGetA(p);
    const unsigned rgb[3] = {TIFFGetR(p), TIFFGetG(p), TIFFGetB(p)};
    for (int c = 0; c < 3; ++c) bgr[3 * x + (2 - c)] = static_cast<std::uint8_t>(std::min(255u, rgb[c] + white));
  }
}

}  // namespace

ReadResult ReadTiffWithLibrary(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);
  if (!input.Seek(0)) return invalid;
  Client client{&input, false};
  Closer closer{nullptr, TIFFOpenOptionsAlloc()};
  if (closer.options == nullptr) return ReadResult::Refused(kMsgNotEnoughMemory);
  TIFFOpenOptionsSetMaxSingleMemAlloc(closer.options, kLargestBlock);
  TIFFOpenOptionsSetErrorHandlerExtR(closer.options, OnError, &client);
  TIFFOpenOptionsSetWarningHandlerExtR(closer.options, OnWarning, &client);
  // "m": no memory mapping, every byte comes through the input.
  closer.tif = TIFFClientOpenExt("picture", "rm", &client, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                 UnmapProc, closer.options);
  TIFF* tif = closer.tif;
  if (tif == nullptr || client.failed) return invalid;

  std::uint32_t width = 0, height = 0;
  std::uint16_t compression = COMPRESSION_NONE, bits = 1, samples = 1;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
    return invalid;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  report = {static_cast<int>(std::min<std::uint32_t>(width, 1 << 30)),
            static_cast<int>(std::min<std::uint32_t>(height, 1 << 30))};
  if (width > (1u << 30) || height > (1u << 30)) return ReadResult::Refused(kMsgPictureOverLimit);
  if (auto refusal = target.Refusal(width, height)) return ReadResult::Refused(*refusal);

  char why[1024];
  if (!TIFFRGBAImageOK(tif, why) || client.failed) return ReadResult::Refused(kMsgTypeNotSupported);

  const bool tiled = TIFFIsTiled(tif) != 0;
  const std::uint32_t blocks = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  std::uint64_t stored = 0;
  for (std::uint32_t i = 0; i < blocks; ++i) stored += TIFFGetStrileByteCount(tif, i);
  if (client.failed) return invalid;
  if (const std::uint64_t ratio = BestRatio(compression); ratio > 0) {
    const std::uint64_t needed = (static_cast<std::uint64_t>(width) * bits * samples + 7) / 8 * height;
    if (stored * ratio < needed) return ReadResult::Refused(kMsgPictureDataMissing);
  }

  // Decoded a band at a time (a strip, or a row of tiles) in stored order; the file's
  // orientation is applied to the result, as for a camera's JPEG file.
  std::uint32_t bandHeight = 0;
  if (tiled)
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &bandHeight);
  else
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &bandHeight);
  bandHeight = std::clamp<std::uint32_t>(bandHeight, 1, height);
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (orientation < 1 || orientation > 8) orientation = ORIENTATION_TOPLEFT;
  const PictureSize upright = OrientedSize(static_cast<int>(width), static_cast<int>(height), orientation);
  report = {upright.width, upright.height};
  const PictureSize wantedUpright = target.Output(upright.width, upright.height);
  const PictureSize wanted = OrientedSize(wantedUpright.width, wantedUpright.height, orientation);

  TIFFRGBAImage image{};
  if (!TIFFRGBAImageBegin(&image, tif, 0, why) || client.failed) return ReadResult::Refused(kMsgTypeNotSupported);
  struct ImageEnd {
    TIFFRGBAImage* image;
    ~ImageEnd() { TIFFRGBAImageEnd(image); }
  } imageEnd{&image};
  // Asking for the orientation the file has (the transposed ones read as their
  // counterparts) leaves the rows as they are stored, top first.
  image.req_orientation = static_cast<std::uint16_t>(orientation > 4 ? orientation - 4 : orientation);

  Picture decoded;
  try {
    LineReducer reducer(static_cast<int>(width), static_cast<int>(height), wanted.width, wanted.height);
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * bandHeight);
    for (std::uint32_t top = 0; top < height && !client.failed; top += bandHeight) {
      const std::uint32_t rows = std::min(bandHeight, height - top);
      image.row_offset = static_cast<int>(top);
      image.col_offset = 0;
      if (!TIFFRGBAImageGet(&image, raster.data(), width, rows)) client.failed = true;
      for (std::uint32_t i = 0; !client.failed && i < rows; ++i) {
        PutBgr(raster.data() + static_cast<std::size_t>(i) * width, bgr.data(), width);
        reducer.PutLine(bgr.data());
      }
    }
    if (client.failed) return invalid;
    decoded = Oriented(reducer.Take(), orientation);
  } catch (const std::bad_alloc&) {
    return ReadResult::Refused(kMsgNotEnoughMemory);
  }
  picture = std::move(decoded);
  return ReadResult::Accepted();
}

}  // namespace tessaly
