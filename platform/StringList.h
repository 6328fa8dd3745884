// The runtime's string list: lines of 8-bit text, set from a text, loaded from a stream,
// saved to a file. A line ends at CR, at LF or at CR LF; a text ends at its first zero byte.
#pragma once

#include <string>
#include <vector>

namespace rtl {

class TStream;

class TStringList {
 public:
  void SetText(const std::string& text);
  std::string Text() const;  // every line followed by CR LF
  void LoadFromStream(TStream& stream);
  void SaveToFile(const std::string& fileName) const;  // creates or overwrites the file

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const;  // EListError "List index out of bounds (%d)"
  void Add(const std::string& line) { lines_.push_back(line); }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace rtl
