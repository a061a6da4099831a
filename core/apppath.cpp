// SPDX-License-Identifier: MIT
#include "core/apppath.h"

#include "core/atomicfile.h"
#include "core/usernotice.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <set>
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

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// Done once per folder and process: bringing over old files and sweeping
// away the temporaries of killed processes.
void prepareOnce(const std::string& dataFolder, const std::string& oldFolder) {
    static std::mutex mutex;
    static std::set<std::string> prepared;
    const std::lock_guard lock(mutex);
    if (!prepared.insert(dataFolder).second)
        return;
    if (!oldFolder.empty() && withSlash(oldFolder) != dataFolder) {
        const DataFolderMove moved = MoveOldDataFiles(withSlash(oldFolder), dataFolder);
        if (!moved.copied.empty())
            PostUserNotice({UserNoticeKind::DataFolderMoved, dataFolder, withSlash(oldFolder)});
    }
    RemoveStaleTemporaries(dataFolder);
}

} // namespace

std::string chooseAppPath(const AppPathInputs& in) {
    if (!in.zentrixHome.empty())
        return withSlash(in.zentrixHome);
    if (!in.exeFolder.empty() && in.exePortable)
        return withSlash(in.exeFolder);
    // XDG says a relative XDG_DATA_HOME is invalid and must be ignored.
    if (!in.xdgDataHome.empty() && in.xdgDataHome.front() == '/')
        return withSlash(in.xdgDataHome) + "zentrix/";
    if (in.home.empty())
        return {};
    return withSlash(in.home) + ".local/share/zentrix/";
}

DataFolderMove MoveOldDataFiles(const std::string& oldFolder, const std::string& dataFolder) {
    DataFolderMove result;
    const char* const names[] = {kListFileName, kSettingsFileName};
    for (const char* name : names) {
        if (exists(dataFolder + name))
            return result; // the data folder is in use: nothing is brought over
    }
    for (const char* name : names) {
        if (!exists(oldFolder + name))
            continue;
        int error = 0;
        if (CopyFileAtomically(oldFolder + name, dataFolder + name, &error))
            result.copied.emplace_back(name);
        else if (result.error == 0)
            result.error = error;
    }
    return result;
}

namespace {

AppPathInputs processInputs() {
    AppPathInputs in;
    in.zentrixHome = env("ZENTRIX_HOME");
    if (in.zentrixHome.empty()) {
        in.exeFolder = executableFolder();
        in.exePortable = !in.exeFolder.empty() && exists(withSlash(in.exeFolder) + kPortableMarker);
        in.xdgDataHome = env("XDG_DATA_HOME");
        in.home = userHome();
    }
    return in;
}

} // namespace

std::string dataFolderProblem() {
    if (!chooseAppPath(processInputs()).empty())
        return {};
    return "no folder for the program's data: HOME is unset or empty, this user has no home "
           "folder in the password database, and XDG_DATA_HOME is not set to an absolute path; set "
           "ZENTRIX_HOME "
           "(or HOME, or XDG_DATA_HOME) to a folder of your own";
}

std::string resolveAppPath() {
    const AppPathInputs in = processInputs();
    std::string dir = chooseAppPath(in);
    if (dir.empty())
        return dir; // the programs stopped before, on dataFolderProblem
    std::error_code ec;
    std::filesystem::create_directories(dir, ec); // a failure shows later as a failed save
    // Only the user's own data folder takes over files left beside the program.
    const bool userFolder = in.zentrixHome.empty() && !in.exePortable;
    prepareOnce(dir, userFolder ? in.exeFolder : std::string());
    return dir;
}
