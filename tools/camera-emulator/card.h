// The emulated memory card: pictures numbered from 1, with their thumbnails.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/camera-emulator/pictures.h"

namespace tessaly::emulator {

struct CardPicture {
  std::string name;
  Bytes file;
  std::optional<Thumbnail> thumbnail;  // none when the file is no picture the camera can read
};

class MemoryCard {
 public:
  // The JPEG files (".jpg", ".jpeg", any case) of a folder in name order; pictures that
  // arrive later are written into the folder too.
  bool LoadFolder(const std::filesystem::path& folder, std::string& error);
  // count pictures of width x height in the camera's layout, kept in memory.
  void Generate(int count, int width, int height);
  // Adds a picture sent by the host; returns its number.
  int Add(Bytes file);

  int Count() const { return static_cast<int>(m_pictures.size()); }
  // Picture 1..Count(), or null.
  const CardPicture* Picture(std::uint32_t number) const;

 private:
  std::vector<CardPicture> m_pictures;
  std::optional<std::filesystem::path> m_folder;
};

}  // namespace tessaly::emulator
