// The embedded item's native data reader, as Paste feeds it from another program's
// clipboard and the embedded loading from a file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_check.h"
#include "retouch/clipboard_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  NativeItemData item;
  if (ReadNativeData(std::span(data, size), item) != NativeDataStatus::kOk) return 0;
  CheckPicture(item.picture, true);
  // What was accepted writes back as the very bytes it was read from.
  const auto back = MakeNativeData(item.picture, item.firstValue, item.secondValue);
  if (back.size() > size || !std::equal(back.begin(), back.end(), data)) std::abort();
  return 0;
}
