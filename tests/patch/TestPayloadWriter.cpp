// The test payload writer (see TestPayloadWriter.h).
#include "TestPayloadWriter.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "TestSupport.h"

namespace payload {

namespace {
std::uint32_t U32(const Bytes& b, std::size_t at) {
  if (at + 4 > b.size()) throw std::runtime_error("PE header outside the file");
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::runtime_error("PE header outside the file");
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
void PutU16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
}  // namespace

std::vector<Bytes> DefaultTrailer() {
  return {Bytes(16, 0xA5), Bytes{'v', 'a', 'n', 'd', 'o', 'l', 'i', 'n'}};
}

void AppendText(Bytes& out, const std::string& text) {
  PutU16(out, static_cast<std::uint16_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

Bytes Inflated(const Texts& texts, const Bytes& resourceImage, const std::vector<Bytes>& trailer,
               std::optional<std::uint16_t> trailerLength) {
  Bytes out;
  for (const std::string* t : {&texts.inputName, &texts.outputName, &texts.author, &texts.email,
                               &texts.authorNote, &texts.instructions})
    AppendText(out, *t);
  out.insert(out.end(), resourceImage.begin(), resourceImage.end());
  std::size_t t = 2;
  for (const Bytes& block : trailer) {
    PutU16(out, static_cast<std::uint16_t>(block.size()));
    out.insert(out.end(), block.begin(), block.end());
    t += 2 + block.size();
  }
  PutU16(out, trailerLength ? *trailerLength : static_cast<std::uint16_t>(t));
  return out;
}

Bytes Deflate(const Bytes& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

std::uint32_t Checksum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0x4037;
  for (std::size_t i = 1; i * 4 <= size; ++i) {
    const std::uint8_t* w = data + (i - 1) * 4;
    std::uint32_t word = static_cast<std::uint32_t>(w[0]) | static_cast<std::uint32_t>(w[1]) << 8 |
                         static_cast<std::uint32_t>(w[2]) << 16 |
                         static_cast<std::uint32_t>(w[3]) << 24;
    sum += static_cast<std::uint32_t>(i >> 1) ^ word;
  }
  return sum;
}

Bytes Payload(const Bytes& compressed, const Header& header) {
  Bytes out(header.magic.begin(), header.magic.end());
  out.resize(4, 0);
  PutU32(out, static_cast<std::uint32_t>(
                  header.compressedSize ? *header.compressedSize
                                        : static_cast<std::int32_t>(compressed.size())));
  PutU32(out, header.targetChecksum);
  PutU32(out, header.payloadChecksum ? *header.payloadChecksum
                                     : Checksum(compressed.data(), compressed.size()));
  out.insert(out.end(), compressed.begin(), compressed.end());
  return out;
}

std::uint32_t ImageEnd(const Bytes& exe) {
  std::uint32_t pe = U32(exe, 0x3C);
  std::uint16_t sections = U16(exe, pe + 6);
  std::uint16_t optionalSize = U16(exe, pe + 20);
  std::size_t table = pe + 24 + optionalSize;
  std::uint32_t end = 0;
  for (std::uint16_t i = 0; i < sections; ++i) {
    std::size_t s = table + 40u * i;
    end = std::max(end, U32(exe, s + 20) + U32(exe, s + 16));
  }
  return end;
}

void WritePatcher(const std::string& program, const std::string& patcherPath,
                  const Bytes& payloadBytes) {
  Bytes exe = testsupport::ReadBytes(program);
  exe.resize(std::min<std::size_t>(exe.size(), ImageEnd(exe)));
  exe.insert(exe.end(), payloadBytes.begin(), payloadBytes.end());
  testsupport::WriteBytes(patcherPath, exe);
}

}  // namespace payload
