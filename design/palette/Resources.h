// The package's resources, embedded in the library at build time from the
// files of design/palette/ (see Embed.cmake): the palette images TGENERATOR and
// TUNIKEY and the text DESCRIPTION.
#pragma once

#include <cstddef>
#include <span>

namespace qgen::qgenpkg {

struct TEmbeddedResource {
  const char* name;  // the file name without its extension, e.g. "TGENERATOR"
  const unsigned char* data;
  std::size_t size;
};

// Every embedded resource.
std::span<const TEmbeddedResource> EmbeddedResources();

}  // namespace qgen::qgenpkg
