#include "formats/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_errors.h"
#include "base/file_io.h"
#include "base/prompt.h"
#include "formats/bmp.h"
#include "formats/byte_input.h"
#include "formats/jpeg_reader.h"
#include "formats/jpg.h"
#include "formats/jpg_glue.h"
#include "formats/png.h"
#include "formats/tiff.h"
#include "formats/tiff_library.h"
#include "formats/webp_heif.h"
#include "picture/pixel_index.h"

namespace tessaly {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares the last four characters of name with an extension such as ".bmp". Only
// ASCII letters are folded; the bytes of a multibyte character are never ASCII, so a
// name ending in one never matches.
bool EndsWithExtension(std::string_view name, std::string_view extension) {
  if (name.size() < extension.size()) return false;
  std::string_view tail = name.substr(name.size() - extension.size());
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (LowerAscii(tail[i]) != extension[i]) return false;
  return true;
}

// The extension table of the dispatch.
struct ExtensionEntry {
  std::string_view extension;
  PictureFormat format;
};
constexpr ExtensionEntry kExtensions[] = {
    {".bmp", PictureFormat::kBmp},
    {".dib", PictureFormat::kBmp},
    {".jpg", PictureFormat::kJpeg},
    {".tif", PictureFormat::kTiff},
};
// Every readable extension: the camera's four, then the others.
constexpr ExtensionEntry kReadableExtensions[] = {
    {".bmp", PictureFormat::kBmp},   {".dib", PictureFormat::kBmp},   {".jpg", PictureFormat::kJpeg},
    {".tif", PictureFormat::kTiff},  {".jpeg", PictureFormat::kJpeg}, {".jpe", PictureFormat::kJpeg},
    {".tiff", PictureFormat::kTiff}, {".png", PictureFormat::kPng},   {".webp", PictureFormat::kWebp},
    {".heic", PictureFormat::kHeif}, {".heif", PictureFormat::kHeif}, {".avif", PictureFormat::kHeif},
};
constexpr std::string_view kReadableExtensionNames[] = {".bmp",  ".dib", ".jpg",  ".tif",  ".jpeg", ".jpe",
                                                        ".tiff", ".png", ".webp", ".heic", ".heif", ".avif"};
static_assert(std::size(kReadableExtensionNames) == std::size(kReadableExtensions));

PictureType TypeOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::kBmp: return PictureType::kBmp;
    case PictureFormat::kJpeg: return PictureType::kJpeg;
    case PictureFormat::kTiff: return PictureType::kTiff;
    case PictureFormat::kPng: return PictureType::kPng;
    case PictureFormat::kWebp: return PictureType::kWebp;
    case PictureFormat::kHeif: return PictureType::kHeif;
    case PictureFormat::kUnknown: break;
  }
  return PictureType::kNone;
}

bool StartsWith(ByteSpan bytes, std::size_t at, std::string_view text) {
  if (at > bytes.size() || bytes.size() - at < text.size()) return false;
  return std::equal(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// A refusal's text: the size messages name the file and the size it declares.
std::string RefusalText(MessageId message, std::string_view name, const DecodeReport& report) {
  if (message != kMsgPictureOverLimit && message != kMsgPictureDataMissing) return std::string(MessageText(message));
  const std::string file = std::filesystem::path(name).filename().string();
  return MessageTextWith(message,
                         file + " (" + std::to_string(report.width) + " x " + std::to_string(report.height) + ")");
}

// An indexed picture as 24 bits, for the JPEG coder, which takes colours only.
Picture ExpandTo24(const Picture& source) {
  Picture out = Picture::Make(source.width, source.height, 24);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* from = source.Row(y);
    std::uint8_t* to = out.Row(y);
    for (int x = 0; x < source.width; ++x) {
      std::uint8_t index = IndexAt(from, x, source.bitsPerPixel);
      RgbQuad colour = index < source.colourTable.size() ? source.colourTable[index] : RgbQuad{};
      to[3 * x] = colour.blue;
      to[3 * x + 1] = colour.green;
      to[3 * x + 2] = colour.red;
    }
  }
  return out;
}

bool EncodeJpeg(const Picture& picture, std::string_view comment, CameraJpeg& out) {
  if (picture.bitsPerPixel == 24) return EncodeJpegPicture(picture, comment, out.header, out.stream);
  return EncodeJpegPicture(ExpandTo24(picture), comment, out.header, out.stream);
}

}  // namespace

PictureFormat FormatOfName(std::string_view name) {
  for (const auto& entry : kExtensions)
    if (EndsWithExtension(name, entry.extension)) return entry.format;
  return PictureFormat::kUnknown;
}

bool IsPictureExtension(std::string_view name) { return FormatOfName(name) != PictureFormat::kUnknown; }

PictureFormat FormatOfAnyName(std::string_view name) {
  for (const auto& entry : kReadableExtensions)
    if (EndsWithExtension(name, entry.extension)) return entry.format;
  return PictureFormat::kUnknown;
}

bool IsReadablePictureName(std::string_view name) { return FormatOfAnyName(name) != PictureFormat::kUnknown; }

std::span<const std::string_view> ReadablePictureExtensions() { return kReadableExtensionNames; }

PictureFormat SaveFormatOfName(std::string_view name) {
  if (EndsWithExtension(name, ".png")) return PictureFormat::kPng;
  return FormatOfName(name);
}

PictureFormat FormatOfBytes(ByteSpan head) {
  if (StartsWith(head, 0, "\x89PNG\r\n\x1a\n")) return PictureFormat::kPng;
  if (StartsWith(head, 0, "\xFF\xD8\xFF")) return PictureFormat::kJpeg;
  if (StartsWith(head, 0, "II*") && StartsWith(head, 3, std::string_view("\0", 1))) return PictureFormat::kTiff;
  if (StartsWith(head, 0, std::string_view("MM\0*", 4))) return PictureFormat::kTiff;
  if (StartsWith(head, 0, "RIFF") && StartsWith(head, 8, "WEBP")) return PictureFormat::kWebp;
  if (StartsWith(head, 4, "ftyp")) {
    for (std::string_view brand : {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"})
      if (StartsWith(head, 8, brand)) return PictureFormat::kHeif;
  }
  if (StartsWith(head, 0, "BM")) return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

bool CanOpenPicture(const std::filesystem::path& path) {
  if (!IsReadablePictureName(path.native())) return false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool usable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
  ::close(fd);
  return usable;
}

std::string_view FileTypeName(PictureType type) {
  switch (type) {
    case PictureType::kBmp: return "BMP TYPE";
    case PictureType::kJpeg: return "JPEG TYPE";
    case PictureType::kTiff: return "TIFF TYPE";
    case PictureType::kPng: return "PNG TYPE";
    case PictureType::kWebp: return "WEBP TYPE";
    case PictureType::kHeif: return "HEIF TYPE";
    case PictureType::kNone:
    case PictureType::kFromDocument: break;
  }
  return "";
}

std::string_view FileTypeName(std::string_view name) { return FileTypeName(TypeOf(FormatOfName(name))); }

std::optional<MessageId> ColourConditionRefusal(std::string_view currentName, std::string_view chosenName,
                                                int bitsPerPixel) {
  if (bitsPerPixel >= 9) return std::nullopt;
  PictureFormat chosen = FormatOfName(chosenName);
  if (chosen == PictureFormat::kUnknown || chosen == FormatOfName(currentName)) return std::nullopt;
  switch (chosen) {
    case PictureFormat::kBmp: return kMsgCannotSaveBmp;
    case PictureFormat::kJpeg: return kMsgCannotSaveJpeg;
    case PictureFormat::kTiff: return kMsgCannotSaveTiff;
    default: break;
  }
  return std::nullopt;
}

bool CheckColourCondition(std::string_view currentName, std::string_view chosenName, int bitsPerPixel) {
  if (auto refusal = ColourConditionRefusal(currentName, chosenName, bitsPerPixel)) {
    Prompt().Show(*refusal);
    return false;
  }
  return true;
}

int SaveAsFilterIndex(std::string_view name, int lastIndex) {
  switch (FormatOfName(name)) {
    case PictureFormat::kBmp: return 1;
    case PictureFormat::kJpeg: return 2;
    case PictureFormat::kTiff: return 3;
    default: break;
  }
  if (SaveFormatOfName(name) == PictureFormat::kPng) return 4;
  return lastIndex;
}

MessageId FileErrorMessage(std::error_code error) {
  switch (ClassifyFileError(error)) {
    case FileErrorKind::kMissing: return kMsgFileNotFound;
    case FileErrorKind::kNotAFolder:
    case FileErrorKind::kBadPath: return kMsgFileBadPath;
    case FileErrorKind::kAccessDenied:
    case FileErrorKind::kWriteProtected: return kMsgFileAccessDenied;
    case FileErrorKind::kDiskFull: return kMsgFileDiskFull;
    case FileErrorKind::kNotReady:
    case FileErrorKind::kHardware: return kMsgFileHardIo;
    case FileErrorKind::kBusy:
    case FileErrorKind::kExists:
    case FileErrorKind::kOther: break;
  }
  return kMsgFileGeneric;
}

void ReportFileError(std::error_code error, const std::filesystem::path& path) {
  Prompt().Show(MessageTextWith(FileErrorMessage(error), path.string()));
}

bool PictureFile::LoadPicture(const std::filesystem::path& path, SizeLimit limit) {
  PromptSubject subject(path.native());
  Bytes file;
  if (auto error = ReadWholeFile(path, file)) {
    ReportFileError(error, path);
    return false;
  }
  return LoadPicture(file, path.native(), limit);
}

bool PictureFile::LoadPicture(ByteSpan file, std::string_view name, SizeLimit limit) {
  SpanInput input(file);
  return Load(input, name, limit == SizeLimit::kEditable ? DecodeTarget::Editable() : DecodeTarget::AnySize());
}

bool PictureFile::LoadPictureToFit(const std::filesystem::path& path, int boxWidth, int boxHeight, ReduceWhen when) {
  PromptSubject subject(path.native());
  FileInput input;
  if (auto error = input.Open(path)) {
    ReportFileError(error, path);
    return false;
  }
  boxWidth = std::max(boxWidth, 1), boxHeight = std::max(boxHeight, 1);
  return Load(input, path.native(),
              when == ReduceWhen::kOverEditable ? DecodeTarget::EditableOrFit(boxWidth, boxHeight)
                                                : DecodeTarget::Fit(boxWidth, boxHeight));
}

// The camera's formats (by their names) go to their own readers first, which answer as
// they always have; what they refuse goes on to the reader of the kind, and should that
// refuse too, the user sees the first answer. Every other kind has its reader alone.
bool PictureFile::Load(ByteInput& input, std::string_view name, const DecodeTarget& target) {
  std::uint8_t headBytes[16] = {};
  const std::size_t headLength = input.Seek(0) ? input.Read(headBytes, sizeof headBytes) : 0;
  const PictureFormat byBytes = FormatOfBytes(ByteSpan(headBytes, headLength));
  // A name of no picture kind opens nothing; a name of one opens the file as what its
  // bytes say it is (a browser saves a PNG as ".jpg"), or else as the name says.
  const PictureFormat byName = FormatOfAnyName(name);
  const PictureFormat format =
      byName == PictureFormat::kUnknown || byBytes == PictureFormat::kUnknown ? byName : byBytes;
  const bool cameraName = FormatOfName(name) == format;

  Picture loaded;
  bool os2 = false;
  std::string loadedComment;
  DecodeReport report;
  ReadResult result = ReadResult::Refused(kMsgNotValidFileType);
  // The file image, for the readers that take one whole; read when first needed.
  Bytes storage;
  ByteSpan image;
  bool haveImage = false;
  auto whole = [&]() -> bool {
    if (!haveImage) {
      if (auto error = WholeImage(input, storage, image)) return false;
      haveImage = true;
    }
    return true;
  };
  // A file the own readers could take is small; a large one is left to the stream readers.
  constexpr std::uint64_t kOwnReaderFileLimit = 64u << 20;
  const bool ownReaderMayTake = input.Image() != nullptr || input.Size() <= kOwnReaderFileLimit;

  try {
    switch (format) {
      case PictureFormat::kBmp: {
        if (!whole()) break;
        BmpHeaderStyle style = BmpHeaderStyle::kWindows;
        result = CBMP::ReadBmpFile(image, loaded, style);
        os2 = style == BmpHeaderStyle::kOs2;
        if (!result.Ok()) {
          os2 = false;
          const ReadResult wider = CBMP::ReadWiderBmp(image, target, loaded, report);
          if (wider.Ok() || !cameraName) result = wider;
        }
        break;
      }
      case PictureFormat::kTiff:
        if (ownReaderMayTake && whole()) result = CTIFF::ReadTiffFile(image, loaded);
        if (!result.Ok()) {
          const ReadResult own = result;
          result = ReadTiffWithLibrary(input, target, loaded, report);
          // The own reader's answer stands for the files it was made for.
          if (!result.Ok() && haveImage && cameraName) result = own;
        }
        break;
      case PictureFormat::kJpeg: {
        // The camera's JPEG files keep their own decoding exactly (EXIF orientation
        // included, which it never applied); the rest goes to the full reader.
        const std::optional<JpegFacts> facts = ReadJpegFacts(input);
        const bool own = cameraName && ownReaderMayTake &&
                         (!facts || ((facts->colour || facts->grey) && facts->width <= kMaxPictureWidth &&
                                     facts->height <= kMaxPictureHeight));
        if (!own) {
          result = ReadJpegPicture(input, target, loaded, report);
          // The comment lies within the first two kilobytes in both of its layouts.
          std::uint8_t start[2048];
          if (result.Ok() && input.Seek(0))
            loadedComment = ReadJpegComment(ByteSpan(start, input.Read(start, sizeof start)));
        }
        // The coder's answer stands for the camera's files the full reader refuses too.
        if (own || (!result.Ok() && cameraName && ownReaderMayTake)) {
          if (!whole()) break;
          // The JPEG coder shows its own messages.
          if (!LoadJpegPicture(image, loaded, loadedComment)) return false;
          result = ReadResult::Accepted();
        }
        break;
      }
      case PictureFormat::kPng: result = ReadPngPicture(input, target, loaded, report); break;
      case PictureFormat::kWebp:
        if (whole()) result = ReadWebpPicture(image, target, loaded, report);
        break;
      case PictureFormat::kHeif:
        if (whole()) result = ReadHeifPicture(image, target, loaded, report);
        break;
      case PictureFormat::kUnknown: break;
    }
  } catch (const std::bad_alloc&) {
    result = ReadResult::Refused(kMsgNotEnoughMemory);
  }
  if (result.Ok() && report.width == 0) report = {loaded.width, loaded.height};
  // The own readers check the size before they allocate; the JPEG coder decodes first,
  // so its picture is checked here.
  if (result.Ok() && !target.Reduces() && (loaded.width > target.maxWidth || loaded.height > target.maxHeight))
    result = ReadResult::Refused(kMsgPictureTooLarge);
  if (!result.Ok()) {
    Prompt().Show(RefusalText(result.Message(), name, report));
    return false;
  }
  if (target.Reduces() && !target.Keeps(report.width, report.height)) {
    const PictureSize fit = FitInBox(loaded.width, loaded.height, target.boxWidth, target.boxHeight);
    if (fit.width != loaded.width || fit.height != loaded.height) {
      try {
        loaded = AreaAveraged(loaded, fit.width, fit.height);
      } catch (const std::bad_alloc&) {
        Prompt().Show(kMsgNotEnoughMemory);
        return false;
      }
    }
  }

  picture = std::move(loaded);
  type = TypeOf(format);
  fileSize = input.Size();
  os2Header = os2;
  comment = std::move(loadedComment);
  width = report.width;
  height = report.height;
  return true;
}

void PictureFile::InitFromDocument(const Picture& documentPicture, bool documentOs2Header,
                                   std::string_view documentComment) {
  type = PictureType::kFromDocument;
  m_document = &documentPicture;
  os2Header = documentOs2Header;
  comment = std::string(documentComment);
}

bool PictureFile::SavePicture(const std::filesystem::path& path) {
  PromptSubject subject(path.native());
  const Picture& source = PictureToSave();
  const PictureFormat format = SaveFormatOfName(path.native());
  if (format == PictureFormat::kUnknown || source.width <= 0 || source.height <= 0) return false;

  std::error_code error;
  switch (format) {
    case PictureFormat::kBmp:
      error = CBMP::WriteBmpFile(path, source, os2Header ? BmpHeaderStyle::kOs2 : BmpHeaderStyle::kWindows);
      break;
    case PictureFormat::kTiff: error = CTIFF::WriteTiffFile(path, source); break;
    case PictureFormat::kJpeg: {
      // Nothing is written unless the whole stream was made, so a failed encoding never
      // leaves a file that holds only the header block.
      CameraJpeg encoded;
      if (!EncodeJpeg(source, comment, encoded) || encoded.stream.empty()) return false;
      error = WriteFileAtomically(path, {encoded.header, encoded.stream});
      break;
    }
    case PictureFormat::kPng: error = WritePngFile(path, source); break;
    default: return false;
  }
  if (error) {
    ReportFileError(error, path);
    return false;
  }
  type = TypeOf(format);
  return true;
}

bool PictureFile::EncodeForCamera(const Picture& source, CameraJpeg& out) {
  type = PictureType::kJpeg;
  return EncodeJpeg(source, comment, out);
}

namespace {

// The file a path names: a symbolic link (the shortcut of this system) is replaced by
// its target. False after the message when the link leads nowhere.
bool ResolveShortcut(const std::filesystem::path& path, std::filesystem::path& target) {
  std::error_code error;
  std::optional<std::filesystem::path> followed = FollowShortcut(path, error);
  if (!followed) {
    ReportFileError(error, path);
    return false;
  }
  target = std::move(*followed);
  return true;
}

}  // namespace

bool OpenPictureFile(PictureFile& pictureFile, const std::filesystem::path& path, SizeLimit limit) {
  PromptSubject subject(path.native());
  std::filesystem::path target;
  return ResolveShortcut(path, target) && pictureFile.LoadPicture(target, limit);
}

bool OpenPictureFileToFit(PictureFile& pictureFile, const std::filesystem::path& path, int boxWidth, int boxHeight,
                          ReduceWhen when) {
  PromptSubject subject(path.native());
  std::filesystem::path target;
  return ResolveShortcut(path, target) && pictureFile.LoadPictureToFit(target, boxWidth, boxHeight, when);
}

}  // namespace tessaly
