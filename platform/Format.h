// Message formatting with "%s" and "%d" placeholders. The format always comes from the
// program (a string-table text); file names and user texts are only ever arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace rtl {

class FormatArg {
 public:
  FormatArg(const std::string& s) : text_(s), isText_(true) {}
  FormatArg(const char* s) : text_(s ? s : ""), isText_(true) {}
  FormatArg(int v) : number_(v) {}
  FormatArg(long v) : number_(v) {}
  FormatArg(long long v) : number_(v) {}
  FormatArg(unsigned v) : number_(v) {}
  FormatArg(unsigned long v) : number_(static_cast<long long>(v)) {}

  bool IsText() const { return isText_; }
  const std::string& Text() const { return text_; }
  long long Number() const { return number_; }

 private:
  std::string text_;
  long long number_ = 0;
  bool isText_ = false;
};

// "%s" takes a text argument, "%d" a number, "%%" gives a percent sign. A placeholder
// whose argument is missing or of the other kind is left out; any other '%' stays as it is.
std::string Format(const std::string& format, std::initializer_list<FormatArg> args);

// The message of string-table text `id` formatted with `args`.
std::string FormatRes(int id, std::initializer_list<FormatArg> args);

}  // namespace rtl
