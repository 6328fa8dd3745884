// The resources of a file as a map "type/name/language" -> data, read three ways: from a
// .res image by a reader of its own, from an executable through the library's tree, and
// (natively) from an executable by python3-pefile, the independent judge.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace resdump {

using Bytes = std::vector<std::uint8_t>;
using ResMap = std::map<std::string, Bytes>;

ResMap FromResImage(const Bytes& image);
ResMap FromExecutable(const std::string& path);
// Empty when python3-pefile cannot be run (the Windows build); `available` tells which.
ResMap FromExecutableByPefile(const std::string& path, bool* available);

std::string Key(const std::string& type, const std::string& name, int language);

}  // namespace resdump
