// SPDX-License-Identifier: MIT
#include "platform/systemerror.h"

#include <cerrno>
#include <cstring>

namespace {

struct ErrorText {
    int error;
    const char* text; // UTF-8
};

// The reasons a list file or an export meets in practice.
constexpr ErrorText kTexts[] = {
    {EACCES, "权限不够"},
    {EPERM, "不允许的操作"},
    {ENOENT, "没有那个文件或目录"},
    {ENOTDIR, "路径中有一段不是目录"},
    {EISDIR, "这是一个目录"},
    {ENOSPC, "磁盘空间不足"},
    {EDQUOT, "超出磁盘配额"},
    {EROFS, "只读文件系统"},
    {EBUSY, "设备或资源忙"},
    {ETXTBSY, "文件正被使用"},
    {EEXIST, "文件已存在"},
    {ENAMETOOLONG, "文件名过长"},
    {ELOOP, "符号链接层次过多"},
    {EIO, "输入/输出错误"},
    {ENOMEM, "内存不足"},
    {EMFILE, "打开的文件过多"},
    {ENFILE, "系统中打开的文件过多"},
    {EXDEV, "无效的跨设备链接"},
    {EFBIG, "文件过大"},
};

} // namespace

QString SystemErrorText(int error) {
    if (error == 0) {
        return {};
    }
    for (const ErrorText& entry : kTexts) {
        if (entry.error == error) {
            return QString::fromUtf8(entry.text);
        }
    }
    return QString::fromLocal8Bit(std::strerror(error));
}
