// SPDX-License-Identifier: MIT
#include "tests/support/serverfds.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

bool OpenWakePipe(int& readEnd, int& writeEnd) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd = pipeFds[0];
    writeEnd = pipeFds[1];
    return true;
}

void Wake(int writeEnd) {
    const char byte = 'x';
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
}

int AcceptUnlessWoken(int listenFd, int wakeRead, int acceptFlags) {
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (fds[1].revents != 0) {
            return -1;
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, acceptFlags);
        if (fd >= 0) {
            return fd;
        }
    }
}
