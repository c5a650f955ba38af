#include "base/messages.h"

#include <algorithm>
#include <array>

namespace tessaly {
namespace {

// Kept sorted by id; MessageText relies on it.
constexpr std::array kMessages = {
    MessageEntry{kMsgOleInitFailed,
                 "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    MessageEntry{kMsgDecompressing, "Decompressing ......"},
    MessageEntry{kMsgModifying, "Modifying ..."},
    MessageEntry{kMsgReducingColour, "Reducing color......"},
    MessageEntry{kMsgCompressing, "Compressing......"},
    MessageEntry{kMsgDepth8, "8 bit colors"},
    MessageEntry{kMsgDepth24, "24 bit colors"},
    MessageEntry{kMsgDepth1, "1 Bit color"},
    MessageEntry{kMsgDepthUnknown, "HHH"},
    MessageEntry{kMsgDepth4, "16 Colors (4 Bit)"},
    MessageEntry{kMsgUnknownType, "UNKNOWN TYPE"},
    MessageEntry{kMsgOpenFilter,
                 "ALL(*.*)|*.*|BMP(*.bmp)|*.bmp|JPEG(*.jpg)|*.jpg|TIFF(*.tif)|*.tif|"
                 "PNG(*.png)|*.png|WebP(*.webp)|*.webp|HEIF(*.heic;*.heif;*.avif)|*.heic;*.heif;*.avif|"},
    MessageEntry{kMsgAlbumFilter, "ALL(*.*)|*.*|"},
    MessageEntry{kMsgCameraSaveFilter, "JPEG(*.jpg)|*.jpg|"},
    MessageEntry{kMsgSaveCameraImagesTitle, "Save Camera Images To Disk"},
    MessageEntry{kMsgSaveFromAlbumTitle, "Save From Album"},

    MessageEntry{kMsgNotValidFileType, "This is not a valid file type."},
    MessageEntry{kMsgNotEnoughMemory, "Not enough memory."},
    MessageEntry{kMsgNoDataInCamera, "No data in camera."},
    MessageEntry{kMsgFailedToCommunicate, "Failed to communicate."},
    MessageEntry{kMsgPictureTooLarge, "The picture size is too large."},
    MessageEntry{kMsgFailedToReadFile, "Failed to read file."},
    MessageEntry{kMsgTypeNotSupported, "This file type is not supported."},
    MessageEntry{kMsgCannotSaveTiff, "Cannot save TIFF file with this color condition.\nConvert to 24 bit colors."},
    MessageEntry{kMsgCannotSaveJpeg, "Cannot save JPEG file with this color condition.\nConvert to 24 bit colors."},
    MessageEntry{kMsgAllTimersOccupied, "All timers are occupied."},
    MessageEntry{kMsgCannotSaveBmp, "Cannot save BMP file with this color condition.\nConvert to 24 bit colors."},
    MessageEntry{kMsgFailedToPutClipboard, "Failed to put the Clipboard."},
    MessageEntry{kMsgFileExistsReplace, "This file already exists.\nReplace existing file?"},
    MessageEntry{kMsgFailedToReadClipboard, "Failed to read from Clipboard."},
    MessageEntry{kMsgClipboardTooLarge, "Clipboard data is too large. "},
    MessageEntry{kMsgPastedSameSize, "The pasted picture is same size as the frame.\nAre you sure to confirm ?"},
    MessageEntry{kMsgConvertTo24Ask, "Convert to 24 bit colors data to edit.\nAre you sure?"},
    MessageEntry{kMsgNoDataAdjustColour, "No data exist. Adjust color?"},
    MessageEntry{kMsgNoDataAdjustContrast, "No data exist. Adjust contrast?"},
    MessageEntry{kMsgNoDataAdjustBrightness, "No data exist. Adjust brightness?"},
    MessageEntry{kMsgCannotRotate, "The picture size exceeds the maximum size.\nCannot rotate picture."},
    MessageEntry{kMsgEnlargeLimit, "An image can be enlarged up to maximum 1280x1024 pixels."},
    MessageEntry{kMsgRotateFailed, "Rotate Image failed !\nOut of system memory !"},
    MessageEntry{kMsgProcessingNow, "Processing now. Cannot finish it."},
    MessageEntry{kMsgInvalidPath, "Invalid path."},
    MessageEntry{kMsgDeviceBusy, "Device is busy.\nPlease try again after a while."},
    MessageEntry{kMsgDiskFullInsert, "Disk is full.\nInsert a new disk."},
    MessageEntry{kMsgMemoryCardFull, "Memory card is full."},
    MessageEntry{kMsgMemoryCardChanged, "Memory card is probably changed.\nOpen camera album again."},
    MessageEntry{kMsgNoDataSaveBlank, "No data to save.\nSave blank image ?"},
    MessageEntry{kMsgHardwareIoError, "Hardware I/O error is detected during access."},
    MessageEntry{kMsgInputNewSize, "Input new image size."},
    MessageEntry{kMsgNoDataInAlbum, "No data exist in album."},
    MessageEntry{kMsgWriteProtected, "It is write protected. \nUse it to release write protect property."},
    MessageEntry{kMsgFailedToAccessCard, "Failed to access memory card."},
    MessageEntry{kMsgFailedToSaveFromAlbum, "Failed to save data from album."},
    MessageEntry{kMsgDiskFull, "Disk is full."},
    MessageEntry{kMsgBadFileNameChars,
                 "The file name contains the characters which are not allowed to use.\nEnter it again."},
    MessageEntry{kMsgTooFewColours,
                 "The number of color palette is too small.\nRecommend to use it over than 256 colors setting."},
    MessageEntry{kMsgSerialPermission,
                 "Permission denied on the serial device.\n"
                 "Add your user to the \"dialout\" group and log in again."},
    MessageEntry{kMsgPictureTooSmall, "The picture would become smaller than one pixel."},
    MessageEntry{kMsgSerialBusy, "The serial device is in use by another program."},
    MessageEntry{kMsgSerialMissing, "The serial device does not exist."},
    MessageEntry{kMsgNeeds24BitColour, "Cannot edit with this color condition.\nConvert to 24 bit colors."},
    MessageEntry{kMsgNothingToUndo, "There is nothing to undo."},
    MessageEntry{kMsgSelectionOutsidePicture, "The selection lies outside the picture."},
    MessageEntry{kMsgSerialDisconnected, "The serial device was disconnected."},
    MessageEntry{kMsgNoSuchPicture, "The camera has no such picture; its pictures are numbered 1 to %1."},
    MessageEntry{kMsgNotSerialDevice, "The device is not a serial device."},
    MessageEntry{kMsgFolderCannotTakeFiles, "Files cannot be written into the folder %1:"},
    MessageEntry{kMsgCannotPrint, "This window cannot be printed."},
    MessageEntry{kMsgNoHelpFile, "There is no help file. The README that comes with the program describes it."},
    MessageEntry{kMsgReadOnlySaveAs, "File is \"Read-only\".\nSave with different file name."},
    MessageEntry{kMsgPictureOverLimit, "%1: the picture is too large to open (more than 100 megapixels)."},
    MessageEntry{kMsgPictureDataMissing, "%1: the file is damaged; its data cannot hold a picture of this size."},

    MessageEntry{kMsgFailedToStartPrint, "Could not start print job."},
    MessageEntry{kMsgParseInt, "Please enter an integer."},
    MessageEntry{kMsgParseIntRange, "Please enter an integer between %1 and %2."},
    MessageEntry{kMsgParseStringSize, "Please enter no more than %1 characters."},
    MessageEntry{kMsgOleRegisterFailed, "Failed to register. OLE features may not work properly."},
    MessageEntry{kMsgRegistryUpdateFailed, "Failed to update the system registry.\nPlease try using REGEDIT."},
    MessageEntry{kMsgFileGeneric, "An unknown error occurred while accessing %1."},
    MessageEntry{kMsgFileNotFound, "%1 was not found."},
    MessageEntry{kMsgFileBadPath, "%1 contains an invalid path."},
    MessageEntry{kMsgFileAccessDenied, "Access to %1 was denied."},
    MessageEntry{kMsgFileHardIo, "A hardware I/O error was reported while accessing %1."},
    MessageEntry{kMsgFileDiskFull, "Disk full while accessing %1."},
};

static_assert(std::is_sorted(kMessages.begin(), kMessages.end(),
                             [](const MessageEntry& a, const MessageEntry& b) { return a.id < b.id; }));

}  // namespace

std::string_view MessageText(MessageId id) {
  auto it = std::lower_bound(kMessages.begin(), kMessages.end(), id,
                             [](const MessageEntry& e, MessageId key) { return e.id < key; });
  return it != kMessages.end() && it->id == id ? it->english : std::string_view{};
}

std::string MessageTextWith(MessageId id, std::string_view argument) {
  std::string text(MessageText(id));
  if (auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

std::span<const MessageEntry> AllMessages() { return kMessages; }

}  // namespace tessaly
