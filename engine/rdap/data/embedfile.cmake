# SPDX-License-Identifier: MIT
# Writes a C++ source that holds the bytes of INPUT and returns them from the
# function FUNCTION as a std::string_view:  cmake -DINPUT=... -DOUTPUT=...
# -DFUNCTION=... -DHEADER=... -P embedfile.cmake
file(READ "${INPUT}" hex HEX)
# Sixteen bytes a line.
string(REPEAT "[0-9a-f]" 32 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${name}; do not edit.
#include \"${HEADER}\"

namespace {
const unsigned char kBytes[] = {
${bytes}};
} // namespace

std::string_view ${FUNCTION}() {
    return {reinterpret_cast<const char*>(kBytes), sizeof kBytes};
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
