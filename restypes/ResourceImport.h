// Merging the resources of a 32-bit resource image into an existing resource tree: the
// heart of a patch. Same type, name and language is replaced, the rest added.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace rtl {
class TStream;
}
class TResourceList;

using TImportErrorEvent = std::function<void(const std::string& message)>;

// Imports every resource of the image at `source`'s position into `target` (a root list,
// or the list of one type); answers the number of replaced leaves. `added`, when given,
// receives the number of leaves created.
std::int32_t ImportResources(TResourceList* target, rtl::TStream& source, bool addMissing,
                             const TImportErrorEvent& onError, std::int32_t* added = nullptr);
