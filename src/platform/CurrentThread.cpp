#include "CurrentThread.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace CurrentThread {

void LowerPriority(int steps) {
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

void SetName(const char* name) {
#ifdef Q_OS_LINUX
    pthread_setname_np(pthread_self(), name);
#else
    Q_UNUSED(name);
#endif
}

} // namespace CurrentThread
