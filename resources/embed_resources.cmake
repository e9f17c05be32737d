# Compiles the bitmaps named in the resource script into a C++ source: one
# byte array per resource, found by its number through findEmbeddedResource.
# Usage: cmake -DSCRIPT=<resource script> -DOUTPUT=<source> -P embed_resources.cmake

file(STRINGS "${SCRIPT}" entries REGEX "^[0-9]+[ \t]+BITMAP[ \t]+\"[^\"]+\"")
get_filename_component(directory "${SCRIPT}" DIRECTORY)

# 64 bytes per source line, each byte as a \xHH escape.
string(REPEAT "." 256 lineOfEscapes)

set(arrays "")
set(table "")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "^([0-9]+)[ \t]+BITMAP[ \t]+\"([^\"]+)\"" unused "${entry}")
  set(id "${CMAKE_MATCH_1}")
  file(READ "${directory}/${CMAKE_MATCH_2}" bytes HEX)
  string(LENGTH "${bytes}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "(..)" "\\\\x\\1" bytes "${bytes}")
  string(REGEX REPLACE "(${lineOfEscapes})" "\\1\"\n    \"" bytes "${bytes}")
  string(APPEND arrays "const unsigned char kResource${id}[] =\n    \"${bytes}\";\n\n")
  string(APPEND table "    {${id}, kResource${id}, ${size}},\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Generated from ${SCRIPT}; do not edit.
#include \"toolkit/embedded_resources.h\"

namespace {

${arrays}const EmbeddedResource kResources[] = {
${table}};

}  // namespace

const EmbeddedResource* findEmbeddedResource(int32_t id) {
    for (const EmbeddedResource& resource : kResources)
        if (resource.id == id) return &resource;
    return nullptr;
}
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
