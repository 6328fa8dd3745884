// Identifiers of the program's string table, named after the texts of strings.def.
#pragma once

enum StringId : int {
#define STR(name, id, text) name = id,
#include "strings.def"
#undef STR
};
