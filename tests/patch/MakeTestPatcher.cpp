// make_test_patcher: a patcher file for the script tests and the benchmark, made with the
// test payload writer (the authoring command is not this test's subject).
//
//   make_test_patcher STUB RES OUT --input NAME --output NAME [--target EXE]
//                     [--author TEXT] [--email TEXT] [--note TEXT] [--instructions TEXT]
//
// STUB is the program the payload is appended to (zedevaviz.exe), RES the resource image,
// EXE the executable whose version checksum the patch carries (none: 0).
#include <cstdio>
#include <map>
#include <string>

#include "TestPayloadWriter.h"
#include "TestSupport.h"
#include "UResPEFile.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: make_test_patcher STUB RES OUT [--input NAME] ...\n");
    return 2;
  }
  std::map<std::string, std::string> options;
  for (int i = 4; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
  try {
    payload::Texts texts;
    texts.inputName = options["--input"];
    texts.outputName = options.count("--output") ? options["--output"] : texts.inputName;
    texts.author = options["--author"];
    texts.email = options["--email"];
    texts.authorNote = options["--note"];
    texts.instructions = options["--instructions"];
    payload::Header header;
    if (options.count("--target"))
      header.targetChecksum = TPEFile::CreateFromFile(options["--target"])->VersionChecksum();
    payload::Bytes image = testsupport::ReadBytes(argv[2]);
    payload::WritePatcher(argv[1], argv[3],
                          payload::Payload(payload::Deflate(payload::Inflated(texts, image)),
                                           header));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_test_patcher: %s\n", e.what());
    return 1;
  }
  return 0;
}
