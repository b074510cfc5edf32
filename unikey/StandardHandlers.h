// The event handlers that qgen's programs offer to form files, by name: the
// qgen tool binds them to its --user and --suffix options, and the designer
// binds stand-ins that do nothing, so that the tool's forms open there and
// keep their handler names when saved. Header-only: the designer takes the
// components from the package it loads and must not link a copy of them.
#pragma once

#include <utility>

#include "framework/HandlerRegistry.h"
#include "gensrc/Generator.h"
#include "unikey/UniKEY.h"

namespace qgen {

// Answers a generator's GetUserPrefixes: the characters of the mask's @ symbols.
inline constexpr const char* kUserOptionHandler = "UserOption";
// Answers a key stamper's BeforeUniKeyMADE: the suffix written after the time stamp.
inline constexpr const char* kSuffixOptionHandler = "SuffixOption";

// A registry that offers `user_option` as UserOption and `suffix_option` as
// SuffixOption.
inline THandlerRegistry StandardHandlers(TGenProcEvent user_option,
                                         TUKBeforeUnKMadeEvent suffix_option) {
  THandlerRegistry handlers;
  handlers.Add(kUserOptionHandler, std::move(user_option));
  handlers.Add(kSuffixOptionHandler, std::move(suffix_option));
  return handlers;
}

}  // namespace qgen
