// A hostile payload that inflates far beyond its compressed size: the loader stops at its
// bound and refuses the payload as invalid patch data, holding no more than the bound. A
// payload just inside the bound still loads. The figures are printed, not judged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "PayloadWriter.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "UResPEFile.h"
#include "UZedevaviz26.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

void PutU16(Bytes& out, std::size_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

// Texts, then `zeros` zero bytes as the resource image, then a trailer of its length word
// alone, deflated piece by piece so that the inflated bytes never exist in the test.
Bytes DeflatedBomb(std::size_t zeros) {
  Bytes head;
  for (const char* text : {"a.exe", "b.exe", "", "", "", ""}) {
    const std::string t = text;
    PutU16(head, t.size());
    head.insert(head.end(), t.begin(), t.end());
  }
  Bytes tail;
  PutU16(tail, 2);

  z_stream z{};
  EXPECT_EQ(deflateInit(&z, Z_BEST_COMPRESSION), Z_OK);
  Bytes out;
  Bytes buffer(1 << 16);
  const Bytes block(1 << 20, 0);
  auto feed = [&](const std::uint8_t* data, std::size_t size, int flush) {
    z.next_in = const_cast<std::uint8_t*>(data);
    z.avail_in = static_cast<uInt>(size);
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      deflate(&z, flush);
      out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
    } while (z.avail_out == 0);
  };
  feed(head.data(), head.size(), Z_NO_FLUSH);
  for (std::size_t left = zeros; left > 0;) {
    const std::size_t n = std::min(left, block.size());
    feed(block.data(), n, Z_NO_FLUSH);
    left -= n;
  }
  feed(tail.data(), tail.size(), Z_FINISH);
  deflateEnd(&z);
  return out;
}

// The stub program cut at its image end, then the header and the compressed bytes.
std::string WritePatcher(const Bytes& compressed, const std::string& dir) {
  const std::string stub = testsupport::Fixture("patch_stub.exe");
  const std::int32_t imageEnd = TPEFile::CreateFromFile(stub)->ImageEnd();
  Bytes file = testsupport::ReadBytes(stub);
  file.resize(static_cast<std::size_t>(imageEnd));
  const Bytes payload = BuildPayload(0, compressed);
  file.insert(file.end(), payload.begin(), payload.end());
  const std::string name = dir + "patcher.exe";
  testsupport::WriteBytes(name, file);
  return name;
}

TEST(PayloadBound, AnInflatedSizeBeyondTheBoundIsRefusedAsInvalidPatchData) {
  const std::string dir = testsupport::MakeScratchDir("bomb");
  struct Case {
    const char* what;
    std::size_t zeros;
    bool accepted;
  };
  const Case cases[] = {
      {"60 MiB from a few kilobytes: inside the floor of the bound", std::size_t{60} << 20, true},
      {"200 MiB from a few hundred kilobytes", std::size_t{200} << 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes compressed = DeflatedBomb(c.zeros);
    const std::int64_t limit = InflateLimit(static_cast<std::int64_t>(compressed.size()));
    ASSERT_EQ(static_cast<std::int64_t>(c.zeros) < limit, c.accepted) << "case outside its side";
    const std::string patcher = WritePatcher(compressed, dir);

    TKitmend26 patch;
    const auto start = std::chrono::steady_clock::now();
    std::string message;
    try {
      patch.LoadFromFile(patcher, TProgressEvent(), TStatusEvent());
    } catch (const rtl::Exception& e) {
      message = e.Message();
    }
    const double ms = std::chrono::duration<double, std::milli>(
                          std::chrono::steady_clock::now() - start).count();
    const std::int64_t held = patch.Data ? patch.Data->BlockSize() : 0;
    std::cout << "[ figures ] " << compressed.size() << " compressed bytes, " << c.zeros
              << " inflated: " << (message.empty() ? "loaded" : "refused") << " in "
              << static_cast<long long>(ms) << " ms, " << held << " bytes held (bound " << limit
              << ")" << std::endl;

    if (c.accepted) {
      EXPECT_EQ(message, "");
      EXPECT_EQ(patch.ResourceSize, static_cast<std::int32_t>(c.zeros));
    } else {
      EXPECT_EQ(message, rtl::LoadStr(SInvalidPatchData) + "\r\n(" + rtl::LoadStr(SOutOfMemory) + ")");
      EXPECT_LE(held, limit) << "inflated past the bound";
    }
  }
  testsupport::RemoveTree(dir);
}

}  // namespace
