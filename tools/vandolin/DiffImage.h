// The difference of two files with resources as a resource image, shared by `diff` and
// `make --translated`, and the notes that go with it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "ResContainer.h"
#include "ResourceDiff.h"

// The image of every resource of `changed` that `original` lacks or holds with other bytes
// (version resources left out).
std::vector<std::uint8_t> DiffImage(TResContainer& original, TResContainer& changed,
                                    TResourceDiffCounts& counts);
// What a patch made from the image will and will not do, one line each.
void ReportDiff(const TResourceDiffCounts& counts, std::ostream& out);
