// The section of a resource image: builds the whole tree in one pass over the container's
// bytes, and adds resources that the image lacks in memory.
#pragma once

#include <memory>

#include "ResContainer.h"

class TResResSection : public TResSection {
 public:
  using TResSection::TResSection;
  bool CanAddResources() override { return true; }

 protected:
  std::unique_ptr<TResourceList> CreateRootList() override;
  TDataResItem* DoAddResource(std::int32_t typeId, std::int32_t nameId, std::uint16_t languageId,
                              const std::string& typeName, const std::string& resName,
                              bool typeIsNamed, bool nameIsNamed, const std::uint8_t* rawData,
                              std::int32_t rawSize) override;
};
