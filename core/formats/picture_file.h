// The file-type dispatch: every picture file is loaded and saved through PictureFile.
// The camera's formats (".bmp", ".dib", ".jpg", ".tif") are read by the system's own
// readers exactly as they always were; what those refuse, and every other kind (".jpeg",
// ".jpe", ".tiff", ".png", ".webp", ".heic", ".heif", ".avif"), goes to the reader made
// for it. A file whose first bytes say it is another known kind than its name opens as
// what it is. A picture is taken within the 1280 x 1024 limit of editing, at any size up
// to kMaxOpenPixels, or reduced to fit a box while it is decoded.
//
// Loading shows its failures through Prompt() at the point of failure, as the program
// does with a message box; the boolean results only say whether it worked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/file_io.h"
#include "base/messages.h"
#include "formats/decode_target.h"
#include "formats/ppm.h"
#include "picture/picture.h"

namespace tessaly {

// The format of the file a picture came from or went to, with the values the documents
// keep (1 marks a PictureFile filled from a document for saving).
enum class PictureType : int {
  kNone = 0,
  kFromDocument = 1,
  kBmp = 2,
  kJpeg = 4,
  kTiff = 5,
  kPng = 6,
  kWebp = 7,
  kHeif = 8
};

enum class PictureFormat { kUnknown, kBmp, kJpeg, kTiff, kPng, kWebp, kHeif };
// The camera's format a file name asks for, by its last four characters without regard
// to case: ".bmp", ".dib", ".jpg", ".tif". Longer extensions (".jpeg", ".tiff") never match.
PictureFormat FormatOfName(std::string_view name);
// Every format a name can ask for, without regard to case: those of FormatOfName and
// ".jpeg", ".jpe", ".tiff", ".png", ".webp", ".heic", ".heif", ".avif".
PictureFormat FormatOfAnyName(std::string_view name);
// The format a file is by its first bytes (16 are enough), or kUnknown.
PictureFormat FormatOfBytes(ByteSpan head);
// True for the names of every format that can be read.
bool IsReadablePictureName(std::string_view name);
// The format a save under this name writes: the camera's formats and ".png"; kUnknown
// for any other name (the other kinds are read only).
PictureFormat SaveFormatOfName(std::string_view name);
// The extensions of every readable format, for file dialogs and the desktop entry.
std::span<const std::string_view> ReadablePictureExtensions();

// True for ".bmp", ".dib", ".jpg" and ".tif" names: the files an album lists.
bool IsPictureExtension(std::string_view name);
// True when the name is one of a kind that can be read and the file can be opened for
// reading and is not empty.
bool CanOpenPicture(const std::filesystem::path& path);
// "BMP TYPE" for ".bmp" and ".dib", "JPEG TYPE" for ".jpg", "TIFF TYPE" for ".tif", an
// empty text for anything else (the name of the camera's formats only).
std::string_view FileTypeName(std::string_view name);
// The names by the type a PictureFile recorded; also "PNG TYPE", "WEBP TYPE" and
// "HEIF TYPE" for the kinds beyond the camera's.
std::string_view FileTypeName(PictureType type);

// Save As of an indexed picture (fewer than 9 bits per pixel) under another format than
// the one of its current name is refused, since only the current format keeps its
// colours: the message for the chosen format ("Cannot save BMP/JPEG/TIFF file with this
// color condition.\nConvert to 24 bit colors."), or none when the save may go ahead.
// ".bmp" and ".dib" are one format. Saving under the current format is always allowed;
// a chosen name of no known format is left to SavePicture (which writes nothing).
std::optional<MessageId> ColourConditionRefusal(std::string_view currentName, std::string_view chosenName,
                                                int bitsPerPixel);
// Shows the refusal if there is one; true when the save may go ahead.
bool CheckColourCondition(std::string_view currentName, std::string_view chosenName, int bitsPerPixel);

// The filter of the retouch document's Save As dialog; the other dialogs take theirs from
// the message table (kMsgOpenFilter, kMsgAlbumFilter, kMsgCameraSaveFilter).
inline constexpr std::string_view kSaveAsFilter =
    "BMP(*.bmp)|*.bmp|JPEG(*.jpg)|*.jpg|TIFF(*.tif)|*.tif|PNG(*.png)|*.png|";
// The index of kSaveAsFilter (from 1) that Save As starts with for a document of this
// name: 1 for ".bmp", 2 for ".jpg", 3 for ".tif", 4 for ".png", else lastIndex (the
// index chosen last time in that document).
int SaveAsFilterIndex(std::string_view name, int lastIndex);
// The extensions the retouch document's template announces to the shell; only ".bmp",
// ".jpg" and ".tif" (and ".dib") of them load.
inline constexpr std::string_view kRetouchTemplateExtensions = ".bmp;*.ppm;*.jpg;*.tif;*.gif;*.pct";

// A picture encoded as JPEG for the camera: the 512-byte comment header block and the
// JPEG library's stream (which starts with FF D8). The retouch window sends the stream
// alone, the album both one after the other.
struct CameraJpeg {
  Bytes header;
  Bytes stream;
};

// How large a loaded picture may be: within the 1280 x 1024 limit of editing (a larger
// one is refused with "The picture size is too large."), or any size up to
// kMaxOpenPixels, for the windows that only show pictures and for tessaly-cli info.
enum class SizeLimit { kEditable, kAnySize };

// Which pictures LoadPictureToFit reduces: every one larger than the box, or only those
// over the limit of editing (the album's thumbnails: the others come whole, as they always
// did, and the large ones no larger than the thumbnail needs).
enum class ReduceWhen { kLargerThanBox, kOverEditable };

class PictureFile {
 public:
  // Loads the file at path by its name's extension (or its bytes, where they say another
  // kind). On success picture, type, fileSize, os2Header, comment, width and height
  // describe the file; on failure the message has been shown, false is returned and the
  // fields are as they were.
  bool LoadPicture(const std::filesystem::path& path, SizeLimit limit = SizeLimit::kEditable);
  // The same for a file image already in memory; name chooses the format.
  bool LoadPicture(ByteSpan file, std::string_view name, SizeLimit limit = SizeLimit::kEditable);
  // Loads the file at path reduced (never enlarged) to fit boxWidth x boxHeight, its
  // aspect kept, by area averaging; any size up to kMaxOpenPixels. JPEG files are
  // reduced by the library's DCT scaling first, WebP files by libwebp's scaling, and PNG,
  // TIFF and JPEG files are read a line or strip at a time from the file, so memory is
  // that of the result and a few lines. A picture that fits comes as LoadPicture gives
  // it (indexed pictures stay indexed); a reduced one is 24 bits. width and height
  // keep the picture's own size, so IsReduced() tells whether it was made smaller.
  bool LoadPictureToFit(const std::filesystem::path& path, int boxWidth, int boxHeight,
                        ReduceWhen when = ReduceWhen::kLargerThanBox);

  // Prepares a save of a document's picture: type becomes kFromDocument, and the picture,
  // its BMP header style and its comment are taken from the document. The picture is
  // borrowed, not copied: it must stay unchanged until the save is done.
  void InitFromDocument(const Picture& picture, bool os2Header, std::string_view comment);
  // Saves the document's picture (after InitFromDocument) or else this object's picture
  // by the extension of path, through a temporary file renamed into place, so that a
  // failed save leaves an old file as it was. 1- and 4-bit pictures are written to TIFF
  // as 8 bits and indexed pictures to JPEG as 24 bits; PNG keeps every depth (indexed
  // pictures as a palette). A name of no format that can be written
  // nothing and returns false without a message; a failed write shows the file error.
  bool SavePicture(const std::filesystem::path& path);

  // Encodes a picture for sending to the camera, with this object's comment. type
  // becomes kJpeg. On failure the message has been shown (where there is one) and false
  // is returned.
  bool EncodeForCamera(const Picture& picture, CameraJpeg& out);

  PictureType type = PictureType::kNone;  // the format last loaded or saved
  std::uint64_t fileSize = 0;             // bytes of the file the picture was loaded from
  bool os2Header = false;                 // the picture came from a BMP with the 12-byte OS/2 header
  std::string comment;                    // the JPEG comment; empty for BMP and TIFF files
  Picture picture;                        // the loaded picture; the document takes it over by moving it
  CPPM ppm;                               // not used by the dispatch
  int width = 0;                          // the size of the file's picture standing upright, before
  int height = 0;                         // any reduction

  // True when the picture was loaded smaller than the file's.
  bool IsReduced() const { return picture.width != width || picture.height != height; }

 private:
  const Picture& PictureToSave() const { return m_document ? *m_document : picture; }
  bool Load(class ByteInput& input, std::string_view name, const DecodeTarget& target);

  const Picture* m_document = nullptr;  // the document's picture while a save is prepared
};

// Loads the picture file at path into pictureFile. A symbolic link (the shortcut of this
// system) is replaced by its target first, and the target's name chooses the format. A
// file that cannot be opened is reported with the file error message. Used by the
// album, the slide show and the file dialogs' preview.
bool OpenPictureFile(PictureFile& pictureFile, const std::filesystem::path& path,
                     SizeLimit limit = SizeLimit::kEditable);
// The same, reduced to fit a box (PictureFile::LoadPictureToFit): for the album's
// thumbnails, the slide show and the retouch window's opening of a large picture.
bool OpenPictureFileToFit(PictureFile& pictureFile, const std::filesystem::path& path, int boxWidth, int boxHeight,
                          ReduceWhen when = ReduceWhen::kLargerThanBox);

// The message for a file that could not be read or written, with %1 for the file's name.
MessageId FileErrorMessage(std::error_code error);

// Shows the message for a file that could not be read or written (not found, access
// denied, disk full, ...), with the file's name.
void ReportFileError(std::error_code error, const std::filesystem::path& path);

}  // namespace tessaly
