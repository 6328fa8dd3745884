// Option parsing and reporting shared by vandolin's commands: positional arguments and
// options in the usual forms (--name, --name=value, --name value, -x value, -xvalue, "--"
// ends the options), usage errors, and the program's output streams.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Exceptions.h"

namespace cli {

// A mistake on the command line: reported with a pointer to the command's --help and exit
// status 2.
class EUsage : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

struct OptionSpec {
  const char* longName;  // without the dashes
  char shortName;        // 0: none
  bool takesValue;
};

struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // options with a value, by long name
  std::set<std::string> flags;                // options without one, by long name
  bool help = false;                          // --help or -h

  bool Has(const std::string& name) const { return flags.count(name) != 0; }
  // The option's value, or `fallback` when it was not given.
  std::string Value(const std::string& name, const std::string& fallback = "") const;
};

// Raises EUsage for an unknown option or a missing value.
Arguments Parse(const std::vector<std::string>& args, std::initializer_list<OptionSpec> options);

// A number in decimal or, with 0x, in hexadecimal, that fits 16 bits; false otherwise.
bool ParseUInt16(const std::string& text, std::uint16_t& value);

// The exit statuses of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace cli
