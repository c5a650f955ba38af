// The system's message texts, by id.
//
// Every failure and question a user can see has an id here and one English text; the
// English text is also the key of its translation in resources/po/ja.po. The core never
// translates: it passes ids or English texts to the prompt, and the program's prompt
// looks the translation up.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tessaly {

enum MessageId : int {
  kMsgOleInitFailed = 100,
  kMsgDecompressing = 132,
  kMsgModifying = 133,
  kMsgReducingColour = 136,
  kMsgCompressing = 137,
  kMsgDepth8 = 138,
  kMsgDepth24 = 139,
  kMsgDepth1 = 140,
  kMsgDepthUnknown = 141,
  kMsgDepth4 = 150,
  kMsgUnknownType = 154,
  kMsgOpenFilter = 158,
  kMsgAlbumFilter = 159,
  kMsgCameraSaveFilter = 160,
  kMsgSaveCameraImagesTitle = 161,
  kMsgSaveFromAlbumTitle = 162,

  kMsgNotValidFileType = 200,
  kMsgNotEnoughMemory = 201,
  kMsgNoDataInCamera = 202,
  kMsgFailedToCommunicate = 203,
  kMsgPictureTooLarge = 204,
  kMsgFailedToReadFile = 205,
  kMsgTypeNotSupported = 206,
  kMsgCannotSaveTiff = 207,
  kMsgCannotSaveJpeg = 208,
  kMsgAllTimersOccupied = 209,
  kMsgCannotSaveBmp = 210,
  kMsgFailedToPutClipboard = 211,
  kMsgFileExistsReplace = 212,
  kMsgFailedToReadClipboard = 213,
  kMsgClipboardTooLarge = 214,
  kMsgPastedSameSize = 215,
  kMsgConvertTo24Ask = 216,
  kMsgNoDataAdjustColour = 217,
  kMsgNoDataAdjustContrast = 218,
  kMsgNoDataAdjustBrightness = 219,
  kMsgCannotRotate = 220,
  kMsgEnlargeLimit = 221,
  kMsgRotateFailed = 222,
  kMsgProcessingNow = 223,
  kMsgInvalidPath = 224,
  kMsgDeviceBusy = 225,
  kMsgDiskFullInsert = 226,
  kMsgMemoryCardFull = 227,
  kMsgMemoryCardChanged = 228,
  kMsgNoDataSaveBlank = 229,
  kMsgHardwareIoError = 230,
  kMsgInputNewSize = 231,
  kMsgNoDataInAlbum = 232,
  kMsgWriteProtected = 234,
  kMsgFailedToAccessCard = 235,
  kMsgFailedToSaveFromAlbum = 236,
  kMsgDiskFull = 238,
  kMsgBadFileNameChars = 240,
  kMsgTooFewColours = 243,
  kMsgSerialPermission = 244,
  kMsgPictureTooSmall = 245,
  kMsgSerialBusy = 246,
  kMsgSerialMissing = 247,
  kMsgNeeds24BitColour = 260,
  kMsgNothingToUndo = 261,
  kMsgSelectionOutsidePicture = 262,
  kMsgSerialDisconnected = 263,
  kMsgNoSuchPicture = 264,
  kMsgNotSerialDevice = 265,
  kMsgFolderCannotTakeFiles = 266,
  kMsgCannotPrint = 272,
  kMsgNoHelpFile = 273,
  kMsgReadOnlySaveAs = 280,
  kMsgPictureOverLimit = 281,
  kMsgPictureDataMissing = 282,

  kMsgFailedToStartPrint = 61702,
  kMsgParseInt = 61712,
  kMsgParseIntRange = 61714,
  kMsgParseStringSize = 61716,
  kMsgOleRegisterFailed = 61833,
  kMsgRegistryUpdateFailed = 61834,
  kMsgFileGeneric = 61857,
  kMsgFileNotFound = 61858,
  kMsgFileBadPath = 61859,
  kMsgFileAccessDenied = 61861,
  kMsgFileHardIo = 61866,
  kMsgFileDiskFull = 61869,
};

struct MessageEntry {
  MessageId id;
  std::string_view english;
};

// The English text of a message, or an empty view for an id that does not exist.
std::string_view MessageText(MessageId id);

// The text of a message with its "%1" replaced by argument (a file name, a number).
std::string MessageTextWith(MessageId id, std::string_view argument);

// Every message, in id order (for the catalogue check and the CLI's listing).
std::span<const MessageEntry> AllMessages();

}  // namespace tessaly
