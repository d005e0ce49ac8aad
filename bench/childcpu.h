#pragma once

#include <sys/resource.h>

// The CPU time, user and system, of the child processes that have ended, in milliseconds.
inline double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3
           + usage.ru_stime.tv_usec / 1e3;
}
