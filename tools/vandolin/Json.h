// JSON output for scripts: texts of the program (ANSI code page) as JSON strings in UTF-8.
#pragma once

#include <string>

// The text quoted and escaped as a JSON string, converted from the ANSI code page to UTF-8;
// a UTF-16 unit that is half of no pair is written as a \u escape.
std::string JsonString(const std::string& ansi);
