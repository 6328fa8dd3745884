// `vandolin show PATCHER [--target FILE]`: what a patcher carries, read by the patcher's
// own loader, so that what is shown is what the patcher will see. The header is also
// read here on its own, so that a payload the loader refuses can still be described.
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "ByteView.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExceptionText.h"
#include "Format.h"
#include "MyStreams.h"
#include "ResResFile.h"
#include "UResPEFile.h"
#include "UZedevaviz26.h"

namespace {

const char kUsage[] =
    "usage: vandolin show PATCHER [--target FILE]\n"
    "\n"
    "Shows the payload of the patcher PATCHER as the patcher itself reads it: the\n"
    "header fields and whether the payload checksum holds, the texts (quoted, with\n"
    "C escapes), the trailer's blocks and the resources it merges, listed as\n"
    "'vandolin list' lists them. A payload the patcher would refuse is reported\n"
    "with the reason, and the exit status is 1.\n"
    "\n"
    "  --target FILE  also tell whether FILE is the build the patch was made for\n"
    "                 (exit status 1 when it is not)\n";

const char* const kRefusals[] = {
    "",
    "the image ends beyond the end of the file",
    "the payload does not start with KQ26",
    "fewer bytes follow the header than its compressed size says",
    "the payload checksum does not hold",
    "the input name or the output name is empty",
    "the trailer is longer than what follows the texts",
};

[[noreturn]] void PayloadCut() { throw rtl::Exception("the payload is cut short"); }

std::string Hex8(std::uint32_t value) {
  char buffer[12];
  std::snprintf(buffer, sizeof buffer, "0x%08X", value);
  return buffer;
}

// A payload text as a quoted line: the bytes as they are, but quotes, backslashes and
// control bytes (zero bytes too) escaped, so that nothing of it is lost or hidden.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\x%02X", u);
          out += buffer;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// A block of the trailer: its text when it is printable, else its first bytes in hex.
std::string BlockText(const ByteView& block) {
  std::string text;
  bool printable = true;
  for (std::uint64_t i = 0; i < block.Size(); ++i) {
    const std::uint8_t b = block.U8(i);
    if (b < 0x20 || b >= 0x7F) printable = false;
    text += static_cast<char>(b);
  }
  if (printable) return Quoted(text);
  std::string hex;
  for (std::uint64_t i = 0; i < block.Size() && i < 16; ++i) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", block.U8(i));
    hex += (i ? " " : "") + std::string(buffer);
  }
  return block.Size() > 16 ? hex + " ..." : hex;
}

// The header as it lies in the file, and the checksum recomputed over the bytes after it.
struct HeaderProbe {
  std::int64_t imageEnd = 0;
  std::int64_t fileSize = 0;
  bool present = false;  // 16 bytes follow the image
  std::string magic;
  std::int32_t compressedSize = 0;
  std::uint32_t targetChecksum = 0;
  std::uint32_t payloadChecksum = 0;
  std::uint32_t computedChecksum = 0;
  std::int64_t compressedPresent = 0;
};

HeaderProbe ProbeHeader(const std::string& patcher) {
  HeaderProbe probe;
  std::unique_ptr<TPEFile> file = TPEFile::CreateFromFile(patcher);
  probe.imageEnd = file->ImageEnd();
  probe.fileSize = file->Size();
  if (probe.imageEnd + 16 > probe.fileSize) return probe;
  const ByteView payload = file->Image().From(static_cast<std::uint64_t>(probe.imageEnd));
  probe.present = true;
  probe.magic.assign(reinterpret_cast<const char*>(payload.Ptr(0, 4)), 4);
  probe.compressedSize = payload.I32(4);
  probe.targetChecksum = payload.U32(8);
  probe.payloadChecksum = payload.U32(12);
  probe.compressedPresent = static_cast<std::int64_t>(payload.Size()) - 16;
  probe.computedChecksum = ComputePayloadChecksum(payload.Ptr(16, payload.Size() - 16),
                                                  static_cast<std::int32_t>(payload.Size() - 16));
  return probe;
}

void PrintHeader(const HeaderProbe& probe, std::ostream& out) {
  out << "image end:        " << probe.imageEnd << " (file size " << probe.fileSize << ")\n";
  if (probe.imageEnd > probe.fileSize) {
    out << "payload:          none (the sections end beyond the end of the file)\n";
    return;
  }
  if (!probe.present) {
    out << "payload:          none (" << probe.fileSize - probe.imageEnd
        << " bytes after the image)\n";
    return;
  }
  out << "magic:            " << Quoted(probe.magic) << "\n"
      << "compressed size:  " << probe.compressedSize << " (" << probe.compressedPresent
      << " bytes present)\n"
      << "target checksum:  " << Hex8(probe.targetChecksum) << "\n"
      << "payload checksum: " << Hex8(probe.payloadChecksum);
  if (probe.computedChecksum == probe.payloadChecksum)
    out << " (holds)\n";
  else
    out << " (does not hold: the bytes sum to " << Hex8(probe.computedChecksum) << ")\n";
}

// The trailer's blocks, walked from its start to its length word.
void PrintTrailer(const TKitmend26& patch, std::ostream& out) {
  const rtl::TMemoryStream& data = *patch.Data;
  const ByteView inflated(data.Memory(), static_cast<std::uint64_t>(data.BlockSize()), PayloadCut);
  const std::uint64_t size = inflated.Size();
  const std::uint16_t length = inflated.U16(size - 2);
  const ByteView trailer = inflated.Sub(size - length, length - 2u);
  std::ostringstream blocks;
  std::ostringstream sizes;
  std::uint64_t at = 0;
  int count = 0;
  while (at < trailer.Size()) {
    if (!trailer.Contains(at, 2) || !trailer.Contains(at + 2, trailer.U16(at))) {
      blocks << "  the rest, " << trailer.Size() - at << " bytes, is no block\n";
      break;
    }
    const std::uint16_t n = trailer.U16(at);
    sizes << (count ? ", " : "") << n;
    blocks << "  block " << ++count << ": " << n << " bytes " << BlockText(trailer.Sub(at + 2, n))
           << "\n";
    at += 2u + n;
  }
  out << "trailer:          " << length << " bytes, " << count << " block(s)";
  if (count) out << " of " << sizes.str() << " bytes";
  out << "\n" << blocks.str();
}

}  // namespace

int ShowCommand(const CommandArgs& args) {
  cli::Arguments a = cli::Parse(args, {{"target", 0, true}});
  if (a.help) {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  if (a.positional.size() != 1) throw cli::EUsage("expected one PATCHER");
  const std::string patcher = a.positional[0];
  const std::string target = a.Value("target");

  std::ostringstream out;
  out << "patcher:          " << patcher << "\n";
  PrintHeader(ProbeHeader(patcher), out);

  TKitmend26 patch;
  try {
    patch.LoadFromFile(patcher, TProgressEvent(), TStatusEvent());
  } catch (const EKM26Error& e) {
    std::cout << out.str();
    const int code = e.Code >= 1 && e.Code <= 6 ? e.Code : 0;
    throw rtl::Exception(
        rtl::Format("the patcher refuses this payload: %s (check %d)", {kRefusals[code], e.Code}));
  } catch (const std::exception& e) {
    std::cout << out.str();
    throw rtl::Exception("the patcher refuses this payload: " + ExceptionText(e));
  }

  out << "inflated size:    " << patch.Data->BlockSize() << "\n"
      << "input name:       " << Quoted(patch.InputName) << "\n"
      << "output name:      " << Quoted(patch.OutputName) << "\n"
      << "author:           " << Quoted(patch.Author) << "\n"
      << "e-mail:           " << Quoted(patch.Email) << "\n"
      << "note:             " << Quoted(patch.AuthorNote) << "\n"
      << "instructions:     " << Quoted(patch.Instructions) << "\n"
      << "resource image:   " << patch.ResourceSize << " bytes\n";
  PrintTrailer(patch, out);
  {
    TReadMemoryStream image(patch.ResourceData, patch.ResourceSize);
    std::unique_ptr<TResResFile> resources = TResResFile::CreateFromStream(image);
    out << "resources:\n" << ResourceListing(*resources->GetRootList(), false);
  }

  int status = cli::kExitOk;
  if (!target.empty()) {
    const std::uint32_t checksum = TPEFile::CreateFromFile(target)->VersionChecksum();
    out << "target:           " << target << " (version checksum " << Hex8(checksum) << ") ";
    if (checksum == patch.TargetChecksum) {
      out << "is the build the patch was made for\n";
    } else {
      out << "is not the build the patch was made for\n";
      status = cli::kExitFailure;
    }
  }
  // Gathered first, so that a failure half-way prints no partial description.
  std::cout << out.str();
  return status;
}
