// `vandolin diff ORIGINAL TRANSLATED -o CHANGES.res`: the resources a patch must carry to
// turn ORIGINAL into TRANSLATED, written as a resource image.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "DiffImage.h"
#include "OpenContainer.h"
#include "OutputFile.h"
#include "Streams.h"

namespace {

const char kUsage[] =
    "usage: vandolin diff ORIGINAL TRANSLATED -o CHANGES.res\n"
    "\n"
    "Writes the resource image a patch needs to turn ORIGINAL into TRANSLATED: every\n"
    "resource of TRANSLATED whose type, name and language ORIGINAL lacks or holds\n"
    "with other bytes. Version resources are left out, since a patch never changes\n"
    "them; resources of ORIGINAL missing from TRANSLATED are counted, since a patch\n"
    "cannot remove them. Both files may be executables or resource images.\n"
    "\n"
    "  -o, --output CHANGES.res  the file to write\n";

}  // namespace

std::vector<std::uint8_t> DiffImage(TResContainer& original, TResContainer& changed,
                                    TResourceDiffCounts& counts) {
  rtl::TMemoryStream image;
  counts = WriteResourceDiff(*original.GetRootList(), *changed.GetRootList(), image);
  const std::uint8_t* bytes = image.Memory();
  return std::vector<std::uint8_t>(bytes, bytes + image.BlockSize());
}

void ReportDiff(const TResourceDiffCounts& counts, std::ostream& out) {
  out << counts.Written << " resources differ (" << counts.Added << " new, "
      << counts.Written - counts.Added << " changed), " << counts.Unchanged << " unchanged\n";
  if (counts.VersionsLeftOut > 0)
    out << "left out " << counts.VersionsLeftOut
        << " version resource(s): a patch never changes version resources\n";
  if (counts.EmptyLeftOut > 0)
    out << "left out " << counts.EmptyLeftOut << " empty resource(s): they carry no data\n";
  if (counts.OnlyInFirst > 0)
    out << counts.OnlyInFirst
        << " resource(s) of the original are missing from the translation; a patch cannot "
           "remove them\n";
}

int DiffCommand(const CommandArgs& args) {
  cli::Arguments a = cli::Parse(args, {{"output", 'o', true}});
  if (a.help) {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  if (a.positional.size() != 2) throw cli::EUsage("expected ORIGINAL and TRANSLATED");
  const std::string out = a.Value("output");
  if (out.empty()) throw cli::EUsage("no output file given (-o CHANGES.res)");

  TResourceDiffCounts counts;
  std::vector<std::uint8_t> image;
  {
    std::unique_ptr<TResContainer> original = OpenContainer(a.positional[0]);
    std::unique_ptr<TResContainer> translated = OpenContainer(a.positional[1]);
    image = DiffImage(*original, *translated, counts);
  }  // both closed: OUT may name one of them

  const std::string temp = TempNameFor(out);
  try {
    rtl::TFileStream file(temp, plat::fmCreate);
    file.WriteBuffer(image.data(), static_cast<std::int32_t>(image.size()));
    file.Close();
  } catch (...) {
    DiscardTemp(temp);
    throw;
  }
  MoveIntoPlace(temp, out);
  ReportDiff(counts, std::cout);
  std::cout << "wrote " << out << " (" << image.size() << " bytes)\n";
  return cli::kExitOk;
}
