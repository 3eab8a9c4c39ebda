# Writes OUT, a C++ source that holds each catalog TAG.mo of MO_DIR as bytes,
# for every tag of TAGS (comma-separated). Run as: cmake -DOUT=... -DMO_DIR=... -DTAGS=de,fr -P
set(arrays "")
set(entries "")
string(REPLACE "," ";" TAGS "${TAGS}")
foreach(tag IN LISTS TAGS)
  file(READ "${MO_DIR}/${tag}.mo" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const std::uint8_t k_${tag}[] = {\n${bytes}};\n")
  string(APPEND entries "    {\"${tag}\", k_${tag}},\n")
endforeach()
file(WRITE "${OUT}.new" "// Made by language/embed_catalogs.cmake from po/*.po; do not edit.
#include \"language/embedded_catalogs.h\"

namespace pressling {

namespace {
${arrays}
const EmbeddedCatalog kCatalogs[] = {
${entries}};

}  // namespace

std::span<const EmbeddedCatalog> EmbeddedCatalogs() { return kCatalogs; }

}  // namespace pressling
")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
