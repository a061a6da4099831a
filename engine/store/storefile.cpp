// SPDX-License-Identifier: MIT
#include "engine/store/storefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string BrokenStoreName(const std::string& path, std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return path + ".broken-" + stamp;
}

bool MoveStoreAside(const std::string& path, std::string& movedTo, std::string& why) {
    const std::string base = BrokenStoreName(path, std::time(nullptr));
    std::string target = base;
    // The log's name must stay free too: SQLite finds it by the file's name.
    for (int n = 2; Exists(target) || Exists(target + "-wal"); ++n) {
        target = base + "-" + std::to_string(n);
    }
    if (std::rename(path.c_str(), target.c_str()) != 0) {
        why = std::strerror(errno);
        return false;
    }
    // A log left under the old name would be replayed into the fresh store.
    if (Exists(path + "-wal") &&
        std::rename((path + "-wal").c_str(), (target + "-wal").c_str()) != 0) {
        ::unlink((path + "-wal").c_str());
    }
    ::unlink((path + "-shm").c_str());
    movedTo = target;
    return true;
}
