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

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string executableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return {};
    return exe.parent_path().string();
}

std::string userHome() {
    if (std::string home = env("HOME"); !home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

} // namespace

std::string chooseAppPath(const AppPathInputs& in) {
    if (!in.zentrixHome.empty())
        return withSlash(in.zentrixHome);
    if (!in.exeFolder.empty() && in.exeFolderWritable)
        return withSlash(in.exeFolder);
    // XDG says a relative XDG_DATA_HOME is invalid and must be ignored.
    if (!in.xdgDataHome.empty() && in.xdgDataHome.front() == '/')
        return withSlash(in.xdgDataHome) + "zentrix/";
    const std::string home = in.home.empty() ? std::string("/tmp") : in.home;
    return withSlash(home) + ".local/share/zentrix/";
}

std::string resolveAppPath() {
    AppPathInputs in;
    in.zentrixHome = env("ZENTRIX_HOME");
    if (in.zentrixHome.empty()) {
        in.exeFolder = executableFolder();
        in.exeFolderWritable = !in.exeFolder.empty() && access(in.exeFolder.c_str(), W_OK) == 0;
        in.xdgDataHome = env("XDG_DATA_HOME");
        in.home = userHome();
    }
    std::string dir = chooseAppPath(in);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec); // a failure shows later as a failed save
    return dir;
}
