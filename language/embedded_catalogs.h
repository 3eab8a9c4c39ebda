#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pressling {

// A catalog of po/ as msgfmt compiled it at build time.
struct EmbeddedCatalog {
  std::string_view tag;                // "ja", "de", ...: the .po file's name
  std::span<const std::uint8_t> mo;  // the .mo file's bytes
};

// Every catalog of po/LINGUAS, made by the build (embed_catalogs.cmake).
std::span<const EmbeddedCatalog> EmbeddedCatalogs();

}  // namespace pressling
