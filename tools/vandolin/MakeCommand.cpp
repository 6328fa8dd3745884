// `vandolin make`: a patcher made of the Zedevaviz stub and a payload for one target
// executable, with its resources taken from a resource image or from the difference
// between the target and a translated copy of it.
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "DiffImage.h"
#include "ExceptionText.h"
#include "ForEachLeaf.h"
#include "Format.h"
#include "MyStreams.h"
#include "OpenContainer.h"
#include "PayloadWriter.h"
#include "Platform.h"
#include "ResResFile.h"
#include "Streams.h"
#include "UResPEFile.h"

namespace {

const char kUsage[] =
    "usage: vandolin make --stub STUB --target ORIGINAL\n"
    "                     (--res CHANGES.res | --translated TRANSLATED)\n"
    "                     [--input-name NAME] [--output-name NAME] [--author TEXT]\n"
    "                     [--email TEXT] [--note TEXT] [--instructions FILE] -o PATCHER\n"
    "\n"
    "Makes the patcher PATCHER: a copy of the program STUB (zedevaviz.exe, or a patcher\n"
    "whose own payload is then replaced) followed by a payload for the executable\n"
    "ORIGINAL: its code fingerprint, the texts below and the resources to merge.\n"
    "\n"
    "  --stub STUB            the Zedevaviz program to copy\n"
    "  --target ORIGINAL      the executable the patch is for\n"
    "  --res CHANGES.res      the resources to merge, as a resource image\n"
    "  --translated FILE      take the resources that FILE has and ORIGINAL lacks or\n"
    "                         holds with other bytes (version resources left out)\n"
    "  --input-name NAME      the name of the file to patch the patcher proposes\n"
    "                         (default: the file name of ORIGINAL)\n"
    "  --output-name NAME     the name of the file to write (default: the same)\n"
    "  --author TEXT, --email TEXT, --note TEXT\n"
    "                         texts the patcher shows (default: empty)\n"
    "  --instructions FILE    the instructions the patcher can show, from a text file\n"
    "  -o, --output PATCHER   the file to write\n"
    "\n"
    "Texts are stored as given; the patcher shows them in the system's ANSI code page.\n"
    "Each text holds at most 65535 bytes.\n";

// A file read whole; its failures name it.
TPayloadBytes ReadWholeFile(const std::string& name) {
  rtl::TFileStream file(name, plat::fmOpenRead | plat::fmShareDenyWrite);
  const std::int64_t size = file.Size();
  if (size > 0x7FFFFFFF) throw rtl::Exception(rtl::Format("%s is too large", {name}));
  TPayloadBytes bytes(static_cast<std::size_t>(size));
  if (size > 0) file.ReadBuffer(bytes.data(), static_cast<std::int32_t>(size));
  return bytes;
}

// The failure of one input, said with the part it plays.
[[noreturn]] void RaiseFor(const std::string& role, const std::string& name,
                           const std::exception& e) {
  throw rtl::Exception(rtl::Format("cannot use %s as the %s: %s", {name, role, ExceptionText(e)}));
}

// Version resources in an image: the patcher skips them, which the author should know.
int VersionLeaves(const TPayloadBytes& image) {
  TReadMemoryStream stream(image.data(), static_cast<std::int32_t>(image.size()));
  std::unique_ptr<TResResFile> file = TResResFile::CreateFromStream(stream);
  int count = 0;
  ForEachLeaf(*file->GetRootList(), [&count](TDataResItem& leaf) {
    if (!leaf.TypeIsNamed() && leaf.TypeId() == 16) ++count;
  });
  return count;
}

std::string Hex8(std::uint32_t value) {
  char buffer[12];
  std::snprintf(buffer, sizeof buffer, "0x%08X", value);
  return buffer;
}

}  // namespace

int MakeCommand(const CommandArgs& args) {
  cli::Arguments a = cli::Parse(args, {{"stub", 0, true},
                                       {"target", 0, true},
                                       {"res", 0, true},
                                       {"translated", 0, true},
                                       {"input-name", 0, true},
                                       {"output-name", 0, true},
                                       {"author", 0, true},
                                       {"email", 0, true},
                                       {"note", 0, true},
                                       {"instructions", 0, true},
                                       {"output", 'o', true}});
  if (a.help) {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  if (!a.positional.empty()) throw cli::EUsage("unexpected argument " + a.positional[0]);
  const std::string stub = a.Value("stub");
  const std::string target = a.Value("target");
  const std::string res = a.Value("res");
  const std::string translated = a.Value("translated");
  const std::string out = a.Value("output");
  if (stub.empty()) throw cli::EUsage("no stub given (--stub STUB)");
  if (target.empty()) throw cli::EUsage("no target given (--target ORIGINAL)");
  if (res.empty() == translated.empty())
    throw cli::EUsage("give either --res CHANGES.res or --translated TRANSLATED");
  if (out.empty()) throw cli::EUsage("no output file given (-o PATCHER)");

  TPatcherParts parts;
  parts.StubFile = stub;
  std::ostringstream notes;
  // Checked first so that its failure names its part; the writer reads it again.
  try {
    TPEFile::CreateFromFile(stub);
  } catch (const std::exception& e) {
    RaiseFor("stub", stub, e);
  }
  {
    std::unique_ptr<TPEFile> original;
    try {
      original = TPEFile::CreateFromFile(target);
    } catch (const std::exception& e) {
      RaiseFor("target", target, e);
    }
    parts.TargetChecksum = original->VersionChecksum();
    if (!translated.empty()) {
      std::unique_ptr<TResContainer> changed;
      try {
        changed = OpenContainer(translated);
      } catch (const std::exception& e) {
        RaiseFor("translation", translated, e);
      }
      TResourceDiffCounts counts;
      parts.ResourceImage = DiffImage(*original, *changed, counts);
      ReportDiff(counts, notes);
      if (counts.Written == 0) notes << "warning: the patch carries no resources\n";
    }
  }
  if (!res.empty()) {
    try {
      parts.ResourceImage = ReadWholeFile(res);
    } catch (const std::exception& e) {
      RaiseFor("resource image", res, e);
    }
  }
  CheckResourceImage(parts.ResourceImage, res.empty() ? "the difference" : res);
  if (!res.empty()) {
    const int versions = VersionLeaves(parts.ResourceImage);
    if (versions > 0)
      notes << res << " carries " << versions
            << " version resource(s); the patcher leaves version resources alone\n";
  }

  TPatchTexts& texts = parts.Texts;
  texts.InputName = a.Value("input-name", plat::ExtractFileName(target));
  texts.OutputName = a.Value("output-name", plat::ExtractFileName(target));
  texts.Author = a.Value("author");
  texts.Email = a.Value("email");
  texts.AuthorNote = a.Value("note");
  const std::string instructions = a.Value("instructions");
  if (!instructions.empty()) {
    try {
      const TPayloadBytes bytes = ReadWholeFile(instructions);
      texts.Instructions.assign(bytes.begin(), bytes.end());
    } catch (const std::exception& e) {
      RaiseFor("instructions", instructions, e);
    }
  }
  parts.TrailerBlocks = {std::string("vandolin ") + VANDOLIN_VERSION};

  const TPatcherSummary summary = WritePatcherFile(parts, out);
  std::cout << notes.str();
  std::cout << "wrote " << out << ": the stub's image (" << summary.ImageEnd << " bytes";
  if (summary.DroppedBytes > 0)
    std::cout << ", " << summary.DroppedBytes << " bytes after it dropped";
  std::cout << ") and a payload of " << 16 + summary.CompressedSize << " bytes\n"
            << "target checksum " << Hex8(parts.TargetChecksum) << ", payload checksum "
            << Hex8(summary.PayloadChecksum) << ", " << parts.ResourceImage.size()
            << " bytes of resources\n";
  return cli::kExitOk;
}
