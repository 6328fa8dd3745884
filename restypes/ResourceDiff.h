// The difference of two resource trees as a resource image: what a patch must carry to
// turn the first tree into the second. A patch can only replace and add, so the image
// holds every leaf of the second tree that the first lacks or holds with other bytes;
// version resources are left out (a patch never touches them) and only counted.
#pragma once

#include <cstdint>

namespace rtl {
class TStream;
}
class TResourceList;

struct TResourceDiffCounts {
  std::int32_t Written = 0;          // leaves in the image
  std::int32_t Added = 0;            // of these, leaves the first tree does not have
  std::int32_t VersionsLeftOut = 0;  // new or changed version leaves, not written
  std::int32_t EmptyLeftOut = 0;     // new or changed leaves without data, not writable
  std::int32_t Unchanged = 0;        // leaves of the second tree equal in the first
  std::int32_t OnlyInFirst = 0;      // leaves a patch made from the image cannot remove
};

// Writes the image (the empty entry, then one entry per leaf, in the second tree's order)
// to `out`, which must be at position 0. Both arguments are root lists.
TResourceDiffCounts WriteResourceDiff(TResourceList& first, TResourceList& second,
                                      rtl::TStream& out);
