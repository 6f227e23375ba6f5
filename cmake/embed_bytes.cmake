# Writes the bytes of INPUT as a C++ array NAME (with NAME_SIZE) in namespace
# NAMESPACE to OUTPUT; a missing INPUT gives an empty array.
if(EXISTS "${INPUT}")
  file(READ "${INPUT}" _hex HEX)
else()
  set(_hex "")
endif()
string(LENGTH "${_hex}" _len)
math(EXPR _size "${_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n"
  "namespace ${NAMESPACE} {\n"
  "extern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME_SIZE};\n"
  "const unsigned char ${NAME}[] = {\n${_bytes}0};\n"
  "const std::size_t ${NAME_SIZE} = ${_size};\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
