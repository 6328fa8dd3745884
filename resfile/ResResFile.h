// A 32-bit resource image (.res) as a resource container: opened from a file (mapped
// read-only) or copied from the rest of a stream, checked to start with the empty entry,
// and written back as a whole image.
#pragma once

#include <memory>
#include <string>

#include "Exceptions.h"
#include "ResContainer.h"

namespace rtl {
class TStream;
}

// Bytes that are not a resource image.
class ENoResException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

class TResResFile : public TResContainer {
 public:
  // An empty file or an exhausted stream gives an empty image. Fewer than 32 bytes, or a
  // first entry other than the empty one: ENoResException "%s is not a valid resource
  // file." with the bare file name. Other opening failures are the container's.
  explicit TResResFile(const std::string& fileName);
  // Copies from the stream's position to its end.
  explicit TResResFile(rtl::TStream& stream);

  static std::unique_ptr<TResResFile> CreateFromFile(const std::string& fileName) {
    return std::make_unique<TResResFile>(fileName);
  }
  static std::unique_ptr<TResResFile> CreateFromStream(rtl::TStream& stream) {
    return std::make_unique<TResResFile>(stream);
  }

  // The whole tree as an image; no progress is reported.
  void SaveToFile(const std::string& fileName, const TProgressEvent& onProgress) override;

 protected:
  std::unique_ptr<TResSection> CreateSection() override;

 private:
  void CheckImageHeader();
};
