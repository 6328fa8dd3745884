// The fuzz targets as plain functions, so that libFuzzer (fuzz/FuzzMain.cpp) and the
// regression tests of the normal build (tests/hardening) run the very same code. Each one
// takes any bytes, lets the program's own failures (rtl::Exception) go, and aborts on
// anything else: a foreign exception, or a result that contradicts what was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zedfuzz {

using TargetFn = int (*)(const std::uint8_t* data, std::size_t size);

// A patcher file: the bytes as they are, or (by the first byte) a compressed stream or an
// inflated payload wrapped into a sound patcher with the right header and checksum.
int RunPayload(const std::uint8_t* data, std::size_t size);
// An executable: classification, resource directory walk, merge of a fixed image, rebuild
// into memory, and the rebuilt image read back.
int RunPE(const std::uint8_t* data, std::size_t size);
// A resource image: read and walked, merged into a tree read from a .res and into a small
// executable, both written back and read again.
int RunRes(const std::uint8_t* data, std::size_t size);
// One resource (type by the first byte, the rest its data): its data handler's answers,
// export in every side format and import from the input in every side format.
int RunFormats(const std::uint8_t* data, std::size_t size);

// The target of that name ("payload", "pe", "res", "formats"), or nullptr.
TargetFn FindTarget(const std::string& name);

}  // namespace zedfuzz
