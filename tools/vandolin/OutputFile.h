// Writing an output file so that a failure leaves nothing: the file is written under a
// free name next to the output first and moved into place only when it is complete.
#pragma once

#include <string>

// The name to write first: the output itself while no such file exists, else its first
// free numbered variant (out1.res, out2.res, ...).
std::string TempNameFor(const std::string& out);
// Puts the finished `temp` in the place of `out`. On failure deletes `temp` and raises
// "Could not overwrite %s." with the output name.
void MoveIntoPlace(const std::string& temp, const std::string& out);
// Deletes `temp` after a failed write, when it exists.
void DiscardTemp(const std::string& temp);
