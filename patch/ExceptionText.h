// The message of any exception that reaches a wrapping handler: our own messages whole
// (they may hold zero bytes from a payload text), anything else by what().
#pragma once

#include <exception>
#include <string>

#include "Exceptions.h"

inline std::string ExceptionText(const std::exception& e) {
  if (const auto* own = dynamic_cast<const rtl::Exception*>(&e)) return own->Message();
  return e.what();
}
