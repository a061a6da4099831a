// SPDX-License-Identifier: MIT
// The list loader on whole files: encodings, line ends, long lines, anything.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "engine/domaintable.h"
#include "formats/listfile.h"

namespace {

// One scratch file per process, rewritten for every input.
const std::string& ScratchPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/zentrix-fuzz-list-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0) {
            ::close(fd);
        }
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static DomainTable table;
    static const bool allocated = table.Allocate();
    if (!allocated) {
        return 0;
    }
    const int fd = ::open(ScratchPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return 0;
    }
    ::close(fd);
    const LoadResult result = LoadListFile(table, ScratchPath());
    if (!result.opened || result.stored != table.count || result.stored > DomainTable::kMaxRows) {
        __builtin_trap();
    }
    for (int32_t i = 0; i < table.count; ++i) {
        for (const char c : FieldText(table.Row(i).domain)) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F || byte >= 0x80) {
                __builtin_trap(); // only ASCII names without control bytes are stored
            }
        }
    }
    return 0;
}
