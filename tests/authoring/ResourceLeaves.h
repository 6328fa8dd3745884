// Every resource leaf of a file as a map from "type/name/language" to its bytes, read by
// the model's own readers, for comparing what a patch made with what was expected.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace authoringtest {

using LeafMap = std::map<std::string, std::vector<std::uint8_t>>;

// An executable (it starts with "MZ") or a resource image.
LeafMap Leaves(const std::string& path);
// The same without the version resources (numeric type 16).
LeafMap LeavesWithoutVersion(const std::string& path);
// The keys of the version resources and their bytes.
LeafMap VersionLeaves(const std::string& path);

}  // namespace authoringtest
