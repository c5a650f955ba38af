#include "formats/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_errors.h"
#include "base/prompt.h"
#include "formats/bmp.h"
#include "formats/jpg_glue.h"
#include "picture/pixel_index.h"
#include "formats/tiff.h"

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

PictureType TypeOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::kBmp: return PictureType::kBmp;
    case PictureFormat::kJpeg: return PictureType::kJpeg;
    case PictureFormat::kTiff: return PictureType::kTiff;
    case PictureFormat::kUnknown: break;
  }
  return PictureType::kNone;
}

bool TooLarge(const Picture& picture) {
  return picture.width > kMaxPictureWidth || picture.height > kMaxPictureHeight;
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

bool CanOpenPicture(const std::filesystem::path& path) {
  if (!IsPictureExtension(path.native())) return false;
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
    case PictureFormat::kUnknown: break;
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
    case PictureFormat::kUnknown: break;
  }
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

bool PictureFile::LoadPicture(const std::filesystem::path& path) {
  PromptSubject subject(path.native());
  Bytes file;
  if (auto error = ReadWholeFile(path, file)) {
    ReportFileError(error, path);
    return false;
  }
  return LoadPicture(file, path.native());
}

bool PictureFile::LoadPicture(ByteSpan file, std::string_view name) {
  const PictureFormat format = FormatOfName(name);
  Picture loaded;
  bool os2 = false;
  std::string loadedComment;
  ReadResult result = ReadResult::Success();

  switch (format) {
    case PictureFormat::kBmp: {
      BmpHeaderStyle style = BmpHeaderStyle::kWindows;
      result = CBMP::ReadBmpFile(file, loaded, style);
      os2 = style == BmpHeaderStyle::kOs2;
      break;
    }
    case PictureFormat::kTiff:
      result = CTIFF::ReadTiffFile(file, loaded);
      break;
    case PictureFormat::kJpeg:
      // The JPEG coder shows its own messages.
      if (!LoadJpegPicture(file, loaded, loadedComment)) return false;
      break;
    case PictureFormat::kUnknown:
      result = ReadResult::Refused(kMsgNotValidFileType);
      break;
  }
  // The BMP and TIFF readers check the size before they allocate; the JPEG coder
  // decodes first, so its picture is checked here.
  if (result.Ok() && TooLarge(loaded)) result = ReadResult::Refused(kMsgPictureTooLarge);
  if (!result.Ok()) {
    Prompt().Show(result.Message());
    return false;
  }

  picture = std::move(loaded);
  type = TypeOf(format);
  fileSize = file.size();
  os2Header = os2;
  comment = std::move(loadedComment);
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
  const PictureFormat format = FormatOfName(path.native());
  if (format == PictureFormat::kUnknown || source.width <= 0 || source.height <= 0) return false;

  std::error_code error;
  switch (format) {
    case PictureFormat::kBmp:
      error = CBMP::WriteBmpFile(path, source, os2Header ? BmpHeaderStyle::kOs2 : BmpHeaderStyle::kWindows);
      break;
    case PictureFormat::kTiff:
      error = CTIFF::WriteTiffFile(path, source);
      break;
    case PictureFormat::kJpeg: {
      // Nothing is written unless the whole stream was made, so a failed encoding never
      // leaves a file that holds only the header block.
      CameraJpeg encoded;
      if (!EncodeJpeg(source, comment, encoded) || encoded.stream.empty()) return false;
      error = WriteFileAtomically(path, {encoded.header, encoded.stream});
      break;
    }
    case PictureFormat::kUnknown: return false;
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

bool OpenPictureFile(PictureFile& pictureFile, const std::filesystem::path& path) {
  PromptSubject subject(path.native());
  std::filesystem::path target = path;
  std::error_code error;
  if (std::filesystem::is_symlink(path, error)) {
    target = std::filesystem::canonical(path, error);
    if (error) {
      ReportFileError(error, path);
      return false;
    }
  }
  return pictureFile.LoadPicture(target);
}

}  // namespace tessaly
