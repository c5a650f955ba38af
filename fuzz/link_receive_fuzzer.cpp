// The link's receiving side fed with arbitrary bytes as the camera's.
//
// Input: a scenario byte, the packet size (16 bits), the room of the destination (16
// bits), then chunks of camera bytes, each a length byte and that many bytes. The first
// chunk is on the line at the start; each later one arrives in answer to one write of
// the host, so that the bytes meet the link in every state of its handshake. The
// destination is a vector of exactly its room, so the sanitizer sees any overrun.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "camera/link.h"
#include "fuzz/line_script.h"

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto fakeLine = fuzz::InstallFakeLine();
  auto& line = *fakeLine;
  ByteReader reader(std::span(data, size));
  std::uint8_t scenario = reader.U8();
  std::uint16_t packetSize = reader.U16BE();
  std::uint16_t room = reader.U16BE();
  if (!reader.Ok()) return 0;

  line = test::FakeLineState{};
  fuzz::PlayChunks(line, reader, 1);

  LinkReset();
  PortReset(1);
  PortOpen(kBaseSpeed, 1);
  LinkSetPacketSize(packetSize);
  std::vector<std::uint8_t> destination(room);
  std::vector<std::uint8_t> source(room, 0xA5);
  int code = kAnswerOk;
  switch (scenario % 4) {
    case 0: ReceiveBlocks(destination, room, code); break;
    case 1:
      LinkAwaitAnswer(kAnswerTimeoutMs);
      AnswerCode();
      break;
    case 2: LinkRequest(kCmdRD, FrameData{}, Answered::kYes); break;
    default:
      if (LinkPacketSize() <= kTransmitBufferSize) SendBlocks(source, code);
      break;
  }
  PortClose();
  line.camera = nullptr;
  return 0;
}
