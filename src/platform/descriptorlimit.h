#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The open-file (descriptor) limit against what a run will hold open at once. Each thread's
// event loop, each port and its lock file take a descriptor; a run that runs out part way
// loses a thread to an abort and leaves lock files behind. So a run that opens many ports
// counts first, raises the soft limit toward the hard one where that suffices, and otherwise
// does not start.
namespace DescriptorLimit {

struct Limit
{
    quint64 soft = 0;
    quint64 hard = 0;
};

// What `positions` that hold `perPosition` descriptors each need beside those open now and
// a reserve for descriptors opened for a moment (the account database, a lock's owner).
struct Plan
{
    quint64 needed = 0;       // descriptors in all
    quint64 raiseTo = 0;      // the soft limit to set before starting, or 0 when it holds them
    bool fits = false;        // under the hard limit, raised or not
    qint64 positionsThatFit = 0;
};

Plan plan(int openNow, const Limit &limit, int positions, int perPosition, int reserve);

// The descriptors this process has open.
int openNow();
// RLIMIT_NOFILE; nothing where the system has no such limit.
std::optional<Limit> current();
// Sets the soft limit; the system's reason when it cannot.
bool raiseSoft(quint64 to, QString *reason);

} // namespace DescriptorLimit
