// What the fuzz targets share: the fixed inputs built into them, the tree walk that
// touches every byte a reader hands out, and small writers of resource images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TResourceList;

namespace zedfuzz {

using Bytes = std::vector<std::uint8_t>;

// Inputs compiled into the targets (fuzz/data, see its NOTES.md).
struct Blob {
  const std::uint8_t* data;
  std::size_t size;
};
Blob MergeImage();  // a small .res merged into every fuzzed executable
Blob BaseImage();   // the .res whose tree a fuzzed image is merged into
Blob StubProgram(); // a small stripped executable: the patcher's program and a merge target

// Makes TResResFile the opener of resource images for the import (a static link may drop
// the resource file unit's own registration).
void RegisterResImageOpener();

// Visits every node of the tree, filling the lists and reading every leaf's bytes; a leaf
// or a list that fails with the program's own exception is passed over. Answers the
// number of leaves with data.
int WalkTree(TResourceList* list);

// Stops the run: something the program did is wrong although nothing crashed. Under
// libFuzzer that is an abort; the regression replay installs a handler that throws, so
// that the test names the input and goes on.
[[noreturn]] void Fail(const std::string& what);
using FailureHandler = void (*)(const std::string& what);
void SetFailureHandler(FailureHandler handler);

// One entry of a resource image, with a numbered name 1.
void AppendResEntry(Bytes& image, std::uint16_t typeId, const std::u16string& typeName,
                    std::uint16_t language, const std::uint8_t* data, std::size_t size);
// The 32-byte empty entry that begins every image.
Bytes EmptyImage();

// A file name in the temporary directory, unique to this process.
std::string ScratchName(const std::string& tag);
void WriteWholeFile(const std::string& name, const Bytes& bytes);

}  // namespace zedfuzz
