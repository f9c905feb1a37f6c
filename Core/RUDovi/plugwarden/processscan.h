// The processes of this installation: those that run a given program file,
// for this user, under this process's instance tag. A process of another
// user, of another copy of the program or of another tag is never counted,
// so that tests run beside the machine's own agent and server.
#pragma once

#include <cstddef>
#include <sys/types.h>

// Processes named name (the kernel's name, from the program file) that run
// the file at programPath and have not ended; this process too when it
// matches. Up to capacity of their ids go into pids (which may be null); the
// count found is returned whatever the capacity.
size_t FindOwnProcesses(const char* name, const char* programPath, pid_t* pids, size_t capacity);

// True while pid exists and has not ended (a process that ended but was not
// yet reaped runs no more).
bool ProcessRuns(pid_t pid);
