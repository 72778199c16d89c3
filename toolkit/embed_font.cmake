# Writes a C++ source holding the bytes of INPUT as sorvella::kEmbeddedFontData.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n#include <cstdint>\nnamespace sorvella {\nextern const uint8_t kEmbeddedFontData[];\nextern const size_t kEmbeddedFontSize;\nconst uint8_t kEmbeddedFontData[] = {\n${bytes}\n};\nconst size_t kEmbeddedFontSize = ${size};\n}  // namespace sorvella\n")
