// Writes the JPEG files that the command-line golden test for JPEG runs tessaly-cli
// over: files written by Tessaly and by the camera with comments, another program's
// file, and one of each kind the reader refuses.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "formats/jpeg_test_support.h"
#include "formats/jpg.h"

namespace tessaly {
namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  if (WriteFileAtomically(folder / name, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
    std::exit(1);
  }
}

Bytes Written(const Picture& picture, std::string_view comment) {
  CJPG jpg;
  jpg.EncodeJpeg(picture.width, picture.height, picture.pixels);
  jpg.SetJpegComment(comment);
  return jpg.FileImage();
}

}  // namespace
}  // namespace tessaly

int main(int argc, char** argv) {
  using namespace tessaly;
  if (argc != 2) return 2;
  const std::filesystem::path out = argv[1];
  const Picture photo = test::PhotoLike(40, 30, 7);

  Write(out, "commented.jpg", Written(photo, "Sunset over the bay"));
  Write(out, "long-comment.jpg",
        Written(photo, "This comment is eighty characters long, which is twenty more than a file keeps."));
  Write(out, "AUT_0001.JPG", test::CameraFile(test::Stream(photo), "From the camera"));
  Write(out, "AUT_0002.JPG", test::CameraFile(test::Stream(photo), "Moved by one byte", 0x070B));
  Write(out, "other.jpg", test::CompressWithLibrary({}, std::vector<std::uint8_t>(16 * 16 * 3, 120)));
  std::vector<std::uint8_t> samples(8 * 8);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 4);
  Write(out, "grey.jpg", test::CompressWithLibrary({8, 8, JCS_GRAYSCALE, 1, JCS_GRAYSCALE}, samples));
  Write(out, "cmyk.jpg",
        test::CompressWithLibrary({8, 8, JCS_CMYK, 4, JCS_CMYK}, std::vector<std::uint8_t>(8 * 8 * 4, 60)));
  // Cut inside the scan data: the picture keeps its size, the lost rows are black.
  const Bytes whole = Written(test::PhotoLike(160, 120, 3), "cut short");
  Write(out, "truncated.jpg", Bytes(whole.begin(), whole.end() - 300));
  // Cut inside the tables, before any row exists.
  Write(out, "cut-header.jpg", Bytes(whole.begin(), whole.begin() + 600));
  Write(out, "no-image.jpg", {0xFF, 0xD8, 0xFF, 0xD9});
  Write(out, "one-byte.jpg", {0xFF});
  Write(out, "text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'});
  test::LibraryJpeg wide;
  wide.width = 1281;
  wide.height = 960;
  Write(out, "wide.jpg", test::CompressWithLibrary(wide, std::vector<std::uint8_t>(1281 * 960 * 3, 200)));
  return 0;
}
