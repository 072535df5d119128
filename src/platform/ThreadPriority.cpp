#include "ThreadPriority.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace ThreadPriority {

void LowerCurrentThread(int steps) {
#ifdef Q_OS_LINUX
    const auto thread = id_t(syscall(SYS_gettid));
    errno = 0;
    const int niceness = getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        setpriority(PRIO_PROCESS, thread, niceness + steps);
#else
    Q_UNUSED(steps);
#endif
}

} // namespace ThreadPriority
