// `vandolin export FILE TYPE NAME [LANG] [--format F] -o OUT`: one resource in a side
// format, through its data handler.
#include <cctype>
#include <iostream>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "DataHandler.h"
#include "DataResItem.h"
#include "Format.h"
#include "OpenContainer.h"
#include "OutputFile.h"
#include "StringIds.h"

namespace {

const char kUsage[] =
    "usage: vandolin export FILE TYPE NAME [LANG] [--format FORMAT] -o OUT\n"
    "\n"
    "Writes one resource of FILE to OUT.\n"
    "\n"
    "  TYPE     a type number, a standard type's name (Dialog, Icon, Version, ...)\n"
    "           or the name of a named type; letters in any case\n"
    "  NAME     a number, or the resource's name\n"
    "  LANG     a language identifier, decimal or 0x hexadecimal; without it the\n"
    "           resource's only (or first) language\n"
    "  --format res, dcr, rc, raw, txt or rtf; the default is the first format of\n"
    "           the resource's data (res for binary data, txt or rtf for text)\n"
    "  -o, --output OUT  the file to write\n";

const char* const kFormats[] = {"res", "dcr", "rc", "raw", "txt", "rtf"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

[[noreturn]] void NotFound(const TResPath& path) {
  throw rtl::Exception(rtl::FormatRes(SCouldNotFindItem, {ResPathText(path)}));
}

// The leaf for TYPE (as FindTypeByName takes it), NAME and, when given, LANG.
TDataResItem* FindLeaf(TResSection& section, const TResPath& path, bool anyLanguage) {
  TResourceList* names = section.FindTypeByName(path.TypeName);
  if (names == nullptr) NotFound(path);
  int index = names->IndexOf(path.ResName, path.NameId, path.NameIsNamed);
  if (index < 0) NotFound(path);
  TResourceList& languages = *names->ListItem(index)->GetSubList();
  index = anyLanguage ? (languages.Count() > 0 ? 0 : -1)
                      : languages.IndexOf(std::string(), path.LanguageId, false);
  if (index < 0) NotFound(path);
  return languages.DataItem(index);
}

}  // namespace

int ExportCommand(const CommandArgs& args) {
  cli::Arguments a = cli::Parse(args, {{"format", 0, true}, {"output", 'o', true}});
  if (a.help) {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  if (a.positional.size() < 3 || a.positional.size() > 4)
    throw cli::EUsage("expected FILE TYPE NAME [LANG]");
  const std::string out = a.Value("output");
  if (out.empty()) throw cli::EUsage("no output file given (-o OUT)");
  const std::string format = Lower(a.Value("format"));
  bool knownFormat = format.empty();
  for (const char* f : kFormats) knownFormat = knownFormat || format == f;
  if (!knownFormat) throw cli::EUsage(rtl::Format("unknown format %s", {a.Value("format")}));

  TResPath path;
  path.TypeIsNamed = true;
  path.TypeName = a.positional[1];
  const std::string& name = a.positional[2];
  std::uint16_t number = 0;
  if (IsDecimal(name)) {
    if (!cli::ParseUInt16(name, number))
      throw cli::EUsage(rtl::Format("NAME %s is not a 16-bit number", {name}));
    path.NameId = number;
  } else {
    path.NameIsNamed = true;
    path.ResName = name;
  }
  const bool anyLanguage = a.positional.size() == 3;
  if (!anyLanguage && !cli::ParseUInt16(a.positional[3], path.LanguageId))
    throw cli::EUsage(rtl::Format("LANG %s is not a 16-bit number", {a.positional[3]}));

  std::unique_ptr<TResContainer> container = OpenContainer(a.positional[0]);
  TDataResItem* leaf = FindLeaf(*container->GetSection(), path, anyLanguage);
  const std::string temp = TempNameFor(out);
  try {
    TResFileStream stream(temp, plat::fmCreate);
    leaf->DataHandler()->ExportTo(stream, format);
  } catch (...) {
    DiscardTemp(temp);
    throw;
  }
  // OUT may name FILE itself, which stays open as long as its container lives.
  container.reset();
  MoveIntoPlace(temp, out);
  return cli::kExitOk;
}
