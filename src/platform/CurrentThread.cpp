#include "CurrentThread.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <pthread.h>
#endif

namespace CurrentThread {

void SetName(const char* name) {
#ifdef Q_OS_LINUX
    pthread_setname_np(pthread_self(), name);
#else
    Q_UNUSED(name);
#endif
}

} // namespace CurrentThread
