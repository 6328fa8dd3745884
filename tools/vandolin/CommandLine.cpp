// Option parsing for vandolin's commands.
#include "CommandLine.h"

#include <cctype>

#include "Format.h"

namespace cli {

namespace {

const OptionSpec* FindLong(std::initializer_list<OptionSpec> options, const std::string& name) {
  for (const OptionSpec& o : options)
    if (name == o.longName) return &o;
  return nullptr;
}

const OptionSpec* FindShort(std::initializer_list<OptionSpec> options, char name) {
  for (const OptionSpec& o : options)
    if (o.shortName != 0 && name == o.shortName) return &o;
  return nullptr;
}

[[noreturn]] void Unknown(const std::string& option) {
  throw EUsage(rtl::Format("unknown option %s", {option}));
}

}  // namespace

std::string Arguments::Value(const std::string& name, const std::string& fallback) const {
  auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

Arguments Parse(const std::vector<std::string>& args, std::initializer_list<OptionSpec> options) {
  Arguments result;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      result.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      result.help = true;
      continue;
    }
    const OptionSpec* option = nullptr;
    std::string value;
    bool hasInlineValue = false;
    if (arg[1] == '-') {
      std::string name = arg.substr(2);
      std::size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        hasInlineValue = true;
      }
      option = FindLong(options, name);
    } else {
      option = FindShort(options, arg[1]);
      if (arg.size() > 2) {
        value = arg.substr(2);
        hasInlineValue = true;
      }
    }
    if (option == nullptr) Unknown(arg);
    if (!option->takesValue) {
      if (hasInlineValue) Unknown(arg);
      result.flags.insert(option->longName);
      continue;
    }
    if (!hasInlineValue) {
      if (i + 1 >= args.size()) throw EUsage(rtl::Format("option %s needs a value", {arg}));
      value = args[++i];
    }
    result.values[option->longName] = value;
  }
  return result;
}

bool ParseUInt16(const std::string& text, std::uint16_t& value) {
  int base = 10;
  std::size_t start = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    start = 2;
  }
  if (start >= text.size()) return false;
  unsigned long number = 0;
  for (std::size_t i = start; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned long digit;
    if (std::isdigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit(c)) digit = static_cast<unsigned long>(std::tolower(c) - 'a' + 10);
    else return false;
    number = number * static_cast<unsigned long>(base) + digit;
    if (number > 0xFFFF) return false;
  }
  value = static_cast<std::uint16_t>(number);
  return true;
}

}  // namespace cli
