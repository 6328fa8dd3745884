// Resource listings for the tests (see ResourceDump.h).
#include "ResourceDump.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "DataResItem.h"
#include "UResPEFile.h"

namespace resdump {

namespace {
std::uint32_t U32(const Bytes& b, std::size_t at) {
  if (at + 4 > b.size()) throw std::runtime_error("res image cut short");
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::runtime_error("res image cut short");
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
// A name-or-number field; ASCII names only, which is all the fixtures use.
std::string NameField(const Bytes& b, std::size_t& at) {
  if (U16(b, at) == 0xFFFF) {
    std::string s = std::to_string(U16(b, at + 2));
    at += 4;
    return s;
  }
  std::string s;
  for (; U16(b, at) != 0; at += 2) s += static_cast<char>(U16(b, at));
  at += 2;
  return s;
}
}  // namespace

std::string Key(const std::string& type, const std::string& name, int language) {
  return type + "/" + name + "/" + std::to_string(language);
}

ResMap FromResImage(const Bytes& image) {
  ResMap out;
  std::size_t at = 0;
  while (at + 8 <= image.size()) {
    std::uint32_t dataSize = U32(image, at);
    std::uint32_t headerSize = U32(image, at + 4);
    std::size_t p = at + 8;
    std::string type = NameField(image, p);
    std::string name = NameField(image, p);
    p = (p + 3) & ~std::size_t{3};
    int language = U16(image, p + 6);
    if (!(dataSize == 0 && type == "0" && name == "0")) {
      std::size_t data = at + headerSize;
      if (data + dataSize > image.size()) throw std::runtime_error("res data cut short");
      out[Key(type, name, language)] = Bytes(image.begin() + static_cast<long>(data),
                                             image.begin() + static_cast<long>(data + dataSize));
    }
    at = (at + headerSize + dataSize + 3) & ~std::size_t{3};
  }
  return out;
}

ResMap FromExecutable(const std::string& path) {
  ResMap out;
  std::unique_ptr<TPEFile> pe = TPEFile::CreateFromFile(path);
  TResourceList* types = pe->GetRootList();
  for (int t = 0; t < types->Count(); ++t) {
    TResourceList* names = types->ListItem(t)->GetSubList();
    for (int n = 0; n < names->Count(); ++n) {
      TResourceList* languages = names->ListItem(n)->GetSubList();
      for (int l = 0; l < languages->Count(); ++l) {
        TDataResItem* leaf = languages->DataItem(l);
        out[Key(types->Item(t)->IdText(), names->Item(n)->IdText(), leaf->Language())] =
            Bytes(leaf->Data(), leaf->Data() + leaf->Size());
      }
    }
  }
  return out;
}

ResMap FromExecutableByPefile(const std::string& path, bool* available) {
  ResMap out;
  *available = false;
#ifndef _WIN32
  std::string command = "/usr/bin/python3 " ZED_SOURCE_DIR "/tests/patch/pe_resources.py '" +
                        path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::string text;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  if (pclose(pipe) != 0) return out;
  *available = true;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    std::size_t blank = line.find(' ');
    std::string hex = blank == std::string::npos ? "" : line.substr(blank + 1);
    Bytes data;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      data.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    out[line.substr(0, blank)] = data;
  }
#else
  (void)path;
#endif
  return out;
}

}  // namespace resdump
