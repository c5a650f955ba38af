#include "tools/camera-emulator/camera.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include <unistd.h>

namespace tessaly::emulator {
namespace {

constexpr int kAckTimeoutMs = 1000;       // for the host's ACK to our ENQ
constexpr int kFrameAckTimeoutMs = 4000;  // for the host's ACK to our frame
constexpr int kFrameTimeoutMs = 2000;     // for the host's frame after our ACK
constexpr int kSendAttempts = 5;
constexpr std::uint8_t kStrayByte = 0xFF;

// The speeds of the speed codes "0" to "6".
constexpr unsigned kSpeeds[] = {4800, 9600, 19200, 28800, 38400, 57600, 115200};

bool Is(const Letters& letters, const char (&text)[3]) { return letters == MakeLetters(text); }

// Letters as a JSON string: anything but plain printable text shows as '?'.
std::string LetterText(std::span<const std::uint8_t> frame) {
  std::string text;
  for (std::size_t i = 2; i < 4 && i < frame.size(); ++i) {
    char c = static_cast<char>(frame[i]);
    text += (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') ? c : '?';
  }
  return text;
}

}  // namespace

void Camera::Serve() {
  while (!g_stopRequested) {
    if (m_hostEnqPending) {
      m_hostEnqPending = false;
      OnHostEnq();
      continue;
    }
    auto byte = m_line.ReadByte(-1);
    if (!byte) continue;
    LogByte("host", *byte);
    if (*byte == kEnq) OnHostEnq();
  }
}

void Camera::LogPending() {
  std::array<std::uint8_t, 8192> pending{};
  std::size_t n = m_line.ReadPending(pending.data(), pending.size());
  if (n == 1)
    LogByte("host", pending[0]);
  else if (n > 1)
    LogEvent("\"from\":\"host\",\"pending\":\"" + Hex(std::span(pending).first(n)) + "\"");
}

void Camera::OnHostEnq() {
  ++m_hostEnqs;
  if (m_hostEnqs <= m_faults.silentEnqs) {
    LogEvent("\"fault\":\"silent-enq\",\"enq\":" + std::to_string(m_hostEnqs));
    return;
  }
  if (m_hostEnqs == m_faults.enqCollision || (m_uploading && m_uploadBlock == m_faults.cancelBlock)) {
    // We want to send too: our ENQ answers the host's, and our frame goes first.
    LogEvent("\"fault\":\"camera-cancel\",\"enq\":" + std::to_string(m_hostEnqs));
    SendCancel();
    return;
  }
  ServeHostFrame();
}

std::optional<std::size_t> Camera::ReceiveHostFrame(std::span<std::uint8_t> frame) {
  std::size_t got = m_line.Read(frame.data(), 4, kFrameTimeoutMs);
  std::size_t length = kCommandFrameSize;
  if (got == 4 && frame[2] == 'D' && frame[3] == 'T') length = std::min(m_packetSize, frame.size());
  if (got == 4) got += m_line.Read(frame.data() + 4, length - 4, kFrameTimeoutMs);
  if (got < length) {
    LogEvent("\"from\":\"host\",\"partial\":\"" + Hex(frame.first(got)) + "\"");
    return std::nullopt;
  }
  return length;
}

void Camera::ServeHostFrame() {
  Control(kAck);
  std::array<std::uint8_t, kReceiveBufferSize> buffer{};
  auto length = ReceiveHostFrame(buffer);
  if (!length) return;
  std::span<const std::uint8_t> frame(buffer.data(), *length);
  if (FrameLetters(frame) == MakeLetters("DT")) {
    OnUploadBlock(frame, *length);
    return;
  }
  auto command = ParseCommandFrame(frame);
  LogFrame("host", frame, command.has_value());
  if (!command) {
    Control(kNak);
    return;
  }
  Control(kAck);
  OnCommand(*command);
}

void Camera::OnUploadBlock(std::span<const std::uint8_t> frame, std::size_t) {
  auto block = m_uploading ? ParseDataFrame(frame, m_packetSize) : std::nullopt;
  bool accepted = block && block->block == m_uploadBlock;
  LogFrame("host", frame, accepted);
  if (!accepted) {
    Control(kNak);
    return;
  }
  Control(kAck);
  m_upload.insert(m_upload.end(), block->data.begin(), block->data.end());
  ++m_uploadBlock;
}

bool Camera::PictureCommandRefused(std::uint32_t number, const CardPicture*& picture) {
  ++m_pictureCommands;
  if (m_faults.cardChangedAfter >= 0 && m_pictureCommands > m_faults.cardChangedAfter) {
    LogEvent("\"fault\":\"card-changed\"");
    Answer("MC");
    return true;
  }
  picture = m_card.Picture(number);
  if (picture == nullptr) {
    Answer("NF");
    return true;
  }
  return false;
}

void Camera::OnCommand(const CommandFrame& command) {
  const Letters& letters = command.letters;
  const CardPicture* picture = nullptr;
  std::uint32_t number = GetU32BE(command.data, 0);
  if (Is(letters, "SM")) {
    Answer("OK");
  } else if (Is(letters, "SB")) {
    int code = command.data[0] - '0';
    if (code < 0 || code > 6) {
      Answer("NG");
      return;
    }
    Answer("OK");
    // Our answer went out at the old speed; from now on the line runs at the new one.
    m_line.SetSpeed(kSpeeds[code]);
    LogEvent("\"event\":\"speed\",\"bps\":" + std::to_string(kSpeeds[code]));
  } else if (Is(letters, "SP")) {
    std::size_t size = GetU16BE(command.data, 0);
    if (size < kMinPacketSize || size > kReceiveBufferSize) {
      LogEvent("\"event\":\"packet-refused\",\"size\":" + std::to_string(size));
      return;
    }
    m_packetSize = size;
    LogEvent("\"event\":\"packet\",\"size\":" + std::to_string(size));
  } else if (Is(letters, "AN")) {
    Answer("OK", m_freeMemory, true);
  } else if (Is(letters, "RN")) {
    Answer("OK", m_faults.reportCount.value_or(static_cast<std::uint32_t>(m_card.Count())), true);
  } else if (Is(letters, "FS")) {
    if (PictureCommandRefused(number, picture)) return;
    if (m_faults.sizeExtra != 0) LogEvent("\"fault\":\"size-extra\"");
    Answer("OK", static_cast<std::uint32_t>(picture->file.size()) + m_faults.sizeExtra, true);
  } else if (Is(letters, "RD")) {
    if (PictureCommandRefused(number, picture)) return;
    if (Answer("OK") == Sent::kAcknowledged) SendBlocks(picture->file);
  } else if (Is(letters, "RM")) {
    if (PictureCommandRefused(number, picture)) return;
    if (static_cast<int>(number) == m_faults.ngThumbnail || !picture->thumbnail) {
      if (static_cast<int>(number) == m_faults.ngThumbnail) LogEvent("\"fault\":\"ng-thumbnail\"");
      Answer("NG");
      return;
    }
    if (Answer("OK") == Sent::kAcknowledged) SendBlocks(*picture->thumbnail);
  } else if (Is(letters, "NW")) {
    m_uploading = true;
    m_uploadBlock = 1;
    m_upload.clear();
    Answer("OK");
  } else if (Is(letters, "DE")) {
    if (!m_uploading) {
      Answer("NG");
      return;
    }
    m_uploading = false;
    if (m_faults.refuseStore) {
      LogEvent("\"fault\":\"refuse-store\",\"bytes\":" + std::to_string(m_upload.size()));
      m_upload.clear();
      Answer("NG");
      return;
    }
    if (m_upload.size() > m_freeMemory) {
      LogEvent("\"event\":\"card-full\",\"bytes\":" + std::to_string(m_upload.size()));
      Answer("NG");
      return;
    }
    m_freeMemory -= static_cast<std::uint32_t>(m_upload.size());
    std::size_t size = m_upload.size();
    int stored = m_card.Add(std::move(m_upload));
    m_upload.clear();
    LogEvent("\"event\":\"stored\",\"picture\":" + std::to_string(stored) + ",\"bytes\":" + std::to_string(size));
    Answer("OK");
  } else if (Is(letters, "CC")) {
    m_uploading = false;
    m_upload.clear();
    Answer("OK");
  } else if (Is(letters, "OK")) {
    // The host's answer to our "DE" or "CC": nothing more to say.
  } else {
    Answer("NG");
  }
}

Camera::Sent Camera::Answer(const char (&letters)[3], std::uint32_t value, bool withValue) {
  std::array<std::uint8_t, kCommandFrameSize> frame{};
  FrameData data{};
  if (withValue) PutU32BE(data, 0, value);
  EncodeCommandFrame(frame, MakeLetters(letters), data);
  Sent sent = SendFrame(frame);
  if (sent == Sent::kHostEnq) m_hostEnqPending = true;
  return sent;
}

void Camera::SendBlocks(std::span<const std::uint8_t> data) {
  ++m_transfers;
  std::array<std::uint8_t, kReceiveBufferSize> frame{};
  std::array<std::uint8_t, kReceiveBufferSize> damaged{};
  const std::size_t room = m_packetSize - kDataFrameOverhead;
  std::uint16_t block = 1;
  for (std::size_t offset = 0; offset < data.size(); offset += room, ++block) {
    if (block == m_faults.cancelBlock) {
      LogEvent("\"fault\":\"camera-cancel\",\"block\":" + std::to_string(block));
      SendCancel();
      return;
    }
    auto part = data.subspan(offset, std::min(room, data.size() - offset));
    EncodeDataFrame(frame, m_packetSize, block, part);
    std::span<const std::uint8_t> first;
    if (block == m_faults.corruptBlock) {
      damaged = frame;
      damaged[8] ^= 0x5A;  // a data byte, so the checksum no longer matches
      first = std::span(damaged).first(m_packetSize);
      LogEvent("\"fault\":\"corrupt-block\",\"block\":" + std::to_string(block));
    } else if (block == m_faults.misnumberBlock) {
      EncodeDataFrame(damaged, m_packetSize, static_cast<std::uint16_t>(block + 1), part);
      first = std::span(damaged).first(m_packetSize);
      LogEvent("\"fault\":\"misnumbered-block\",\"block\":" + std::to_string(block));
    }
    Sent sent = SendFrame(std::span(frame).first(m_packetSize), first);
    if (sent == Sent::kHostEnq) m_hostEnqPending = true;
    // The line goes away after the first block of the transfer asked for, as when the
    // camera is switched off or the cable pulled in the middle of a picture.
    if (block == 1 && sent == Sent::kAcknowledged) {
      if (m_transfers == m_faults.dieAtTransfer) {
        LogEvent("\"fault\":\"die\",\"transfer\":" + std::to_string(m_transfers));
        ::_exit(3);
      }
      if (m_transfers == m_faults.hangUpAtTransfer) {
        LogEvent("\"fault\":\"hang-up\",\"transfer\":" + std::to_string(m_transfers));
        m_line.HangUp();
        return;
      }
    }
    if (sent != Sent::kAcknowledged) {
      LogEvent("\"event\":\"transfer-stopped\",\"block\":" + std::to_string(block));
      return;
    }
  }
  Answer("DE");
}

void Camera::SendCancel() {
  m_uploading = false;
  m_upload.clear();
  std::array<std::uint8_t, kCommandFrameSize> frame{};
  FrameData data{};
  PutU16BE(data, 0, m_faults.cancelCode);
  EncodeCommandFrame(frame, MakeLetters("CC"), data);
  if (SendFrame(frame) == Sent::kHostEnq) m_hostEnqPending = true;
}

Camera::Sent Camera::SendFrame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> firstAttempt) {
  // Like a real camera we are patient: once our frame is out we wait for the host's ACK.
  // A host that starts a new exchange instead is served, but its missing ACK is logged
  // and counted, since a camera that does not resynchronise would fail there.
  bool frameOut = false;
  auto missingAck = [&](const char* ended) {
    ++m_missingAcks;
    LogEvent("\"event\":\"missing-ack\",\"frame\":\"" + LetterText(frame) + "\",\"ended\":\"" + ended + "\"");
  };
  for (int attempt = 0; attempt < kSendAttempts && !g_stopRequested; ++attempt) {
    if (++m_cameraEnqs == m_faults.strayByte) {
      LogEvent("\"fault\":\"stray-byte\"");
      Control(kStrayByte);
    }
    Control(kEnq);
    auto reply = m_line.ReadByte(kAckTimeoutMs);
    if (!reply) continue;
    LogByte("host", *reply);
    if (*reply == kEnq) {
      if (frameOut) missingAck("host-enq");
      return Sent::kHostEnq;
    }
    if (*reply != kAck) continue;
    auto bytes = attempt == 0 && !firstAttempt.empty() ? firstAttempt : frame;
    LogFrame("camera", bytes, bytes.data() == frame.data());
    m_line.Write(bytes);
    frameOut = true;
    reply = m_line.ReadByte(kFrameAckTimeoutMs);
    if (!reply) continue;
    LogByte("host", *reply);
    if (*reply == kAck) return Sent::kAcknowledged;
    if (*reply == kEnq) {
      missingAck("host-enq");
      return Sent::kHostEnq;
    }
  }
  if (frameOut && !g_stopRequested) missingAck("gave-up");
  return Sent::kFailed;
}

void Camera::LogSummary() {
  LogEvent("\"event\":\"summary\",\"missing_acks\":" + std::to_string(m_missingAcks));
  std::fprintf(stderr, "tessaly-camera-emulator: %d missing ACKs\n", m_missingAcks);
}

void Camera::Control(std::uint8_t byte) {
  LogByte("camera", byte);
  m_line.Write(std::span(&byte, 1));
}

void Camera::LogByte(const char* from, std::uint8_t byte) {
  std::string fields = "\"from\":\"" + std::string(from) + "\",";
  switch (byte) {
    case kEnq: fields += "\"ctl\":\"ENQ\""; break;
    case kAck: fields += "\"ctl\":\"ACK\""; break;
    case kNak: fields += "\"ctl\":\"NAK\""; break;
    default: fields += "\"byte\":" + std::to_string(byte); break;
  }
  fields += ",\"bps\":" + std::to_string(m_line.Speed());
  if (from[0] == 'h') fields += ",\"host_bps\":" + std::to_string(m_line.HostSpeed());
  m_log.Write(fields);
}

void Camera::LogFrame(const char* from, std::span<const std::uint8_t> frame, bool valid) {
  std::string fields = "\"from\":\"" + std::string(from) + "\",\"frame\":\"" + LetterText(frame) +
                       "\",\"ok\":" + (valid ? "true" : "false") + ",\"bytes\":" + std::to_string(frame.size());
  if (FrameLetters(frame) == MakeLetters("DT") && frame.size() >= 8) {
    fields += ",\"block\":" + std::to_string(frame[4] << 8 | frame[5]) +
              ",\"count\":" + std::to_string(frame[6] << 8 | frame[7]);
  } else if (frame.size() >= 12) {
    fields += ",\"data\":\"" + Hex(frame.subspan(4, 8)) + "\"";
  }
  fields += ",\"bps\":" + std::to_string(m_line.Speed());
  if (from[0] == 'h') fields += ",\"host_bps\":" + std::to_string(m_line.HostSpeed());
  fields += ",\"hex\":\"" + Hex(frame) + "\"";
  m_log.Write(fields);
}

void Camera::LogEvent(const std::string& fields) { m_log.Write(fields); }

}  // namespace tessaly::emulator
