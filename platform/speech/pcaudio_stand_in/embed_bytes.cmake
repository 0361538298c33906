# cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<array> -P embed_bytes.cmake
# Writes a C++ source defining speech::NAME, the bytes of INPUT, and NAME##Bytes, their count.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new" "// Made by embed_bytes.cmake from ${INPUT}.
#include <cstddef>

namespace speech {
extern const unsigned char ${NAME}[] = {
${bytes}};
extern const std::size_t ${NAME}Bytes = sizeof ${NAME};
}  // namespace speech
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
