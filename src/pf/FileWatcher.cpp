#include "pf/FileWatcher.h"

#include <algorithm>

using lang::String;

namespace pf {

FileWatcher::~FileWatcher()
{
    m_impl = nullptr;
}

void FileWatcher::report(const String& path)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        const auto found = std::find_if(m_changes.begin(), m_changes.end(),
                                        [&](const Change& change) { return change.path == path.str(); });
        if (found != m_changes.end())
            found->last = Clock::now();
        else
            m_changes.push_back({path.str(), Clock::now()});
    }
    m_queued.notify_all();
}

lang::Array<String> FileWatcher::takeChanges(int quietMilliseconds)
{
    const Clock::time_point settled = Clock::now() - std::chrono::milliseconds(quietMilliseconds);
    lang::Array<String> taken;
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<Change> waiting;
    for (Change& change : m_changes) {
        if (change.last <= settled)
            taken.add(String(change.path));
        else
            waiting.push_back(std::move(change));
    }
    m_changes.swap(waiting);
    return taken;
}

bool FileWatcher::waitForChange(int milliseconds)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_queued.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return !m_changes.empty(); });
}

} // namespace pf
