#include "pf/InstanceLock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using lang::String;

namespace pf {

InstanceLock::InstanceLock(const String& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    String lockName = name;
    for (int i = lockName.indexOf('/'); i >= 0; i = lockName.indexOf('/'))
        lockName = lockName.substring(0, i) + "_" + lockName.substring(i + 1);
    const String path = String(runtime && *runtime ? runtime : "/tmp") + "/pelterra" + lockName + ".lock";
    // flock belongs to the open file, not to the process: the system drops it with the
    // last descriptor, so a crashed holder leaves no stale lock behind. The file is closed
    // on exec, so that a program this one starts does not hold the lock after it ends.
    m_file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    m_claimed = m_file < 0 || flock(m_file, LOCK_EX | LOCK_NB) == 0;
}

InstanceLock::~InstanceLock()
{
    if (m_file >= 0)
        close(m_file);
}

} // namespace pf
