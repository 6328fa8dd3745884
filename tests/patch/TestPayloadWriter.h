// A small writer of patch payloads for the tests: the inflated layout (six counted texts,
// a resource image, the trailer), zlib compression, the 16-byte header with its checksum,
// and a patcher file made of a program cut at its image end followed by the payload. It
// reads the section table and sums the words itself, so it judges the loader
// independently, and every field can be forced to a wrong value for the failure tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace payload {

using Bytes = std::vector<std::uint8_t>;

struct Texts {
  std::string inputName = "target.exe";
  std::string outputName = "target.exe";
  std::string author = "A. Translator";
  std::string email = "translator@example.org";
  std::string authorNote = "Перевод 2026";
  std::string instructions = "Run the patcher.\r\nPress Start.";
};

// Blocks of the trailer; the writer appends the length word T after them.
std::vector<Bytes> DefaultTrailer();

// The inflated payload. `trailerLength`, when given, replaces the correct T.
Bytes Inflated(const Texts& texts, const Bytes& resourceImage,
               const std::vector<Bytes>& trailer = DefaultTrailer(),
               std::optional<std::uint16_t> trailerLength = std::nullopt);
// Counted text: the 16-bit length and the bytes.
void AppendText(Bytes& out, const std::string& text);

Bytes Deflate(const Bytes& raw, int level = 9);

struct Header {
  std::string magic = "KQ26";
  std::uint32_t targetChecksum = 0;
  std::optional<std::int32_t> compressedSize;    // default: the bytes that follow
  std::optional<std::uint32_t> payloadChecksum;  // default: the right sum
};

// The sum of the words of a range, computed here on its own.
std::uint32_t Checksum(const std::uint8_t* data, std::size_t size);
// Header and compressed bytes, as appended to a program.
Bytes Payload(const Bytes& compressed, const Header& header);

// Where the image of a PE file ends: the largest raw end of its sections.
std::uint32_t ImageEnd(const Bytes& exe);
// `program` cut at its image end, then `payloadBytes`, written to `patcherPath`.
void WritePatcher(const std::string& program, const std::string& patcherPath,
                  const Bytes& payloadBytes);

}  // namespace payload
