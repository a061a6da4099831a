// SPDX-License-Identifier: MIT
#include "core/readfile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool ReadSmallFile(const std::string& path, std::string& out, int* error, std::size_t maxBytes) {
    out.clear();
    const auto fail = [&](int code) {
        if (error != nullptr) {
            *error = code;
        }
        out.clear();
        return false;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return fail(errno);
    }
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return fail(code);
        }
        if (n == 0) {
            break;
        }
        if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            return fail(EFBIG);
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (error != nullptr) {
        *error = 0;
    }
    return true;
}
