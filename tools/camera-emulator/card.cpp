#include "tools/camera-emulator/card.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/file_io.h"

namespace tessaly::emulator {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool MemoryCard::LoadFolder(const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string extension = Lower(it->path().extension().string());
    if (it->is_regular_file() && (extension == ".jpg" || extension == ".jpeg")) files.push_back(it->path());
  }
  if (ec) {
    error = folder.string() + ": " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return Lower(a.filename().string()) < Lower(b.filename().string()); });
  for (const auto& path : files) {
    CardPicture picture;
    picture.name = path.filename().string();
    if (auto readError = ReadWholeFile(path, picture.file)) {
      error = path.string() + ": " + readError.message();
      return false;
    }
    picture.thumbnail = ThumbnailOfJpeg(picture.file);
    m_pictures.push_back(std::move(picture));
  }
  m_folder = folder;
  return true;
}

void MemoryCard::Generate(int count, int width, int height) {
  for (int number = 1; number <= count; ++number) {
    RgbImage image = PatternPicture(number, width, height);
    CardPicture picture;
    char name[32];
    std::snprintf(name, sizeof name, "AUT_%04d.JPG", number);
    picture.name = name;
    picture.file = CameraJpeg(image, "Emulated picture " + std::to_string(number));
    picture.thumbnail = ThumbnailOf(image);
    m_pictures.push_back(std::move(picture));
  }
}

int MemoryCard::Add(Bytes file) {
  CardPicture picture;
  picture.thumbnail = ThumbnailOfJpeg(file);
  picture.file = std::move(file);
  int number = Count() + 1;
  char name[32];
  std::snprintf(name, sizeof name, "AUT_%04d.JPG", number);
  picture.name = name;
  if (m_folder) {
    // Never replace a file of the folder: the next free name.
    for (int n = number; std::filesystem::exists(*m_folder / picture.name); ++n) {
      std::snprintf(name, sizeof name, "AUT_%04d.JPG", n + 1);
      picture.name = name;
    }
    WriteNewFileAtomically(*m_folder / picture.name, {picture.file});
  }
  m_pictures.push_back(std::move(picture));
  return number;
}

const CardPicture* MemoryCard::Picture(std::uint32_t number) const {
  if (number == 0 || number > m_pictures.size()) return nullptr;
  return &m_pictures[number - 1];
}

}  // namespace tessaly::emulator
