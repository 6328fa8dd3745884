// `vandolin list FILE [--json]`: every language leaf of a file's resource tree, in tree
// order, with its type, name, language, size and its data handler's description.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "DataHandler.h"
#include "DataResItem.h"
#include "ForEachLeaf.h"
#include "Json.h"
#include "OpenContainer.h"

namespace {

const char kUsage[] =
    "usage: vandolin list FILE [--json]\n"
    "\n"
    "Lists the resources of FILE, one line per resource in the file's order:\n"
    "type, name, language (name and hexadecimal identifier), size in bytes and\n"
    "a description of the data, separated by tabs.\n"
    "\n"
    "  --json   the same as a JSON array of objects with the fields type, typeId,\n"
    "           name, nameId, language, languageId, size and description (typeId\n"
    "           and nameId are null for named types and names)\n";

std::string Hex4(std::int32_t id) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(id) & 0xFFFFu);
  return buffer;
}

std::string LanguageText(TDataResItem& leaf) {
  std::string hex = Hex4(leaf.Id());
  std::string name = leaf.DisplayName();
  return name == hex ? "0x" + hex : name + " (0x" + hex + ")";
}

std::string JsonId(TResourceItem& node) {
  return node.IsNamed() ? "null" : std::to_string(node.Id());
}

}  // namespace

std::string ResourceListing(TResourceList& root, bool json) {
  std::string out = json ? "[" : "";
  bool first = true;
  ForEachLeaf(root, [&](TDataResItem& leaf) {
    std::string type = leaf.TypeItem()->DisplayName();
    std::string name = leaf.NameItem()->DisplayName();
    std::string description = leaf.DataHandler()->Description();
    if (!json) {
      out += type + "\t" + name + "\t" + LanguageText(leaf) + "\t" +
             std::to_string(leaf.Size()) + "\t" + description + "\n";
      return;
    }
    out += first ? "\n" : ",\n";
    first = false;
    out += "  {\"type\": " + JsonString(type) + ", \"typeId\": " + JsonId(*leaf.TypeItem()) +
           ", \"name\": " + JsonString(name) + ", \"nameId\": " + JsonId(*leaf.NameItem()) +
           ", \"language\": " + JsonString(leaf.DisplayName()) +
           ", \"languageId\": " + std::to_string(leaf.Id()) +
           ", \"size\": " + std::to_string(leaf.Size()) +
           ", \"description\": " + JsonString(description) + "}";
  });
  if (json) out += first ? "]\n" : "\n]\n";
  return out;
}

int ListCommand(const CommandArgs& args) {
  cli::Arguments a = cli::Parse(args, {{"json", 0, false}});
  if (a.help) {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  if (a.positional.size() != 1) throw cli::EUsage("expected one FILE");

  std::unique_ptr<TResContainer> container = OpenContainer(a.positional[0]);
  // Everything is gathered first, so a failure half-way prints no partial listing.
  std::cout << ResourceListing(*container->GetRootList(), a.Has("json"));
  return cli::kExitOk;
}
