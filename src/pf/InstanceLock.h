#pragma once

#include "lang/Object.h"
#include "lang/String.h"

namespace pf {

/// Keeps a second copy of a program from running: a lock named for it, which the system
/// takes back when its holder ends, however it ends.
///
/// The lock is a file in the user's runtime directory ($XDG_RUNTIME_DIR, else /tmp) called
/// "pelterra<name>.lock", each '/' of name made '_': two names that differ only there are
/// one lock.
class InstanceLock : public lang::Object
{
public:
    /// Tries once, without waiting, to take the lock called name.
    explicit InstanceLock(const lang::String& name);
    /// Lets the lock go, when this one holds it.
    ~InstanceLock() override;

    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    /// False when another holder has the lock. True when this one has it, and also when
    /// no lock file could be made: then every copy runs rather than none.
    bool claimed() const { return m_claimed; }

private:
    int m_file = -1; ///< the open lock file, kept for as long as the lock is wanted; -1 when none
    bool m_claimed = false;
};

} // namespace pf
