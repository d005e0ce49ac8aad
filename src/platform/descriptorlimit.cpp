#include "descriptorlimit.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#endif

namespace DescriptorLimit {

Plan plan(int openNow, const Limit &limit, int positions, int perPosition, int reserve)
{
    Plan p;
    const quint64 fixed = quint64(std::max(openNow, 0)) + quint64(std::max(reserve, 0));
    p.needed = fixed + quint64(std::max(positions, 0)) * quint64(std::max(perPosition, 1));
    p.fits = p.needed <= limit.hard;
    // Up to the hard limit, for what a count cannot foresee; to what is needed where the hard
    // limit is none.
    if (p.fits && p.needed > limit.soft)
        p.raiseTo = limit.hard == std::numeric_limits<quint64>::max() ? p.needed : limit.hard;
    p.positionsThatFit = limit.hard > fixed ? qint64((limit.hard - fixed) / quint64(std::max(perPosition, 1))) : 0;
    p.positionsThatFit = std::min<qint64>(p.positionsThatFit, std::max(positions, 0));
    return p;
}

int openNow()
{
#ifdef Q_OS_LINUX
    // One entry per open descriptor, the listing's own among them.
    if (DIR *folder = ::opendir("/proc/self/fd")) {
        int listed = 0;
        while (const dirent *entry = ::readdir(folder))
            if (entry->d_name[0] != '.')
                ++listed;
        ::closedir(folder);
        return listed - 1;
    }
#endif
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    int open = 0;
    const rlim_t last = std::min<rlim_t>(limit.rlim_cur, 65536);
    for (rlim_t fd = 0; fd < last; ++fd)
        if (::fcntl(int(fd), F_GETFD) != -1)
            ++open;
    return open;
#else
    return 0;
#endif
}

std::optional<Limit> current()
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return std::nullopt;
    const auto value = [](rlim_t v) { return v == RLIM_INFINITY ? std::numeric_limits<quint64>::max() : quint64(v); };
    return Limit{value(limit.rlim_cur), value(limit.rlim_max)};
#else
    return std::nullopt;
#endif
}

bool raiseSoft(quint64 to, QString *reason)
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = to == std::numeric_limits<quint64>::max() ? RLIM_INFINITY : rlim_t(to);
        if (::setrlimit(RLIMIT_NOFILE, &limit) == 0)
            return true;
    }
    if (reason)
        *reason = qt_error_string(errno);
    return false;
#else
    Q_UNUSED(to)
    Q_UNUSED(reason)
    return true;
#endif
}

} // namespace DescriptorLimit
