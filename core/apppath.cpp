#include "core/apppath.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

void createFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec); // a failure shows later as a failed save
}

std::string executableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return {};
    return withSlash(exe.parent_path().string());
}

std::string userHome() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/tmp";
}

std::string dataFolder() {
    // XDG says a relative XDG_DATA_HOME is invalid and must be ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string base =
        (xdg != nullptr && xdg[0] == '/') ? std::string(xdg) : userHome() + "/.local/share";
    return withSlash(base) + "zentrix/";
}

} // namespace

std::string resolveAppPath() {
    if (const char* home = std::getenv("ZENTRIX_HOME"); home != nullptr && *home != '\0') {
        std::string dir = withSlash(home);
        createFolder(dir);
        return dir;
    }
    if (std::string dir = executableFolder(); !dir.empty() && access(dir.c_str(), W_OK) == 0)
        return dir;
    std::string dir = dataFolder();
    createFolder(dir);
    return dir;
}
