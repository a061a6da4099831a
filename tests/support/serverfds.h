// SPDX-License-Identifier: MIT
#pragma once

// The descriptors the fake servers share: a listening socket and a wake
// pipe whose read end turns readable once the server stops, so that every
// thread blocked in poll() sees the stop.

// Closes `fd` when it is open and marks it closed.
void CloseFd(int& fd);

// Opens the wake pipe (close-on-exec); false when the system refuses.
bool OpenWakePipe(int& readEnd, int& writeEnd);

// Makes the wake pipe's read end readable for good.
void Wake(int writeEnd);

// The next connection accepted on `listenFd` (accept4 with `acceptFlags`),
// or -1 once `wakeRead` is readable or poll fails.
int AcceptUnlessWoken(int listenFd, int wakeRead, int acceptFlags);
