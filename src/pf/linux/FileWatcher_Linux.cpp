#include "pf/FileWatcher.h"

#include "lang/Debug.h"
#include "lang/Exception.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using lang::String;

namespace pf {

namespace {

// Saved: written and closed, or moved in (editors that write a copy and rename it over the
// file). A directory made or moved in is watched too.
const uint32_t WATCHED = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR;

/// inotify on a directory tree. The watches map belongs to the worker once it runs: the
/// constructor fills it before starting the thread, and only the worker touches it after.
class FileWatcherImpl_Linux : public FileWatcherImpl
{
public:
    FileWatcherImpl_Linux(FileWatcher* owner, const String& directory) : m_owner(owner)
    {
        m_notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_notify < 0 || pipe2(m_wake, O_CLOEXEC) != 0) {
            const int error = errno;
            closeAll();
            throw lang::Exception(lang::Format("Can't watch {0}: {1}", directory, std::strerror(error)));
        }
        m_root = directory.str();
        while (m_root.size() > 1 && m_root.back() == '/')
            m_root.pop_back();
        if (!watch("")) {
            const int error = errno;
            closeAll();
            throw lang::Exception(lang::Format("Can't watch {0}: {1}", directory, std::strerror(error)));
        }
        m_thread = std::thread([this] { run(); });
    }

    ~FileWatcherImpl_Linux() override
    {
        // One byte on the pipe wakes the worker's poll however long it has been waiting.
        const char stop = 1;
        while (write(m_wake[1], &stop, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
        closeAll();
    }

private:
    FileWatcher* m_owner; ///< owns this object and outlives the worker
    std::string m_root;
    int m_notify = -1;
    int m_wake[2] = {-1, -1};
    std::map<int, std::string> m_watches; ///< watch descriptor to its directory, relative to the root ("" or "a/b/")
    std::thread m_thread;

    void closeAll()
    {
        for (int fd : {m_notify, m_wake[0], m_wake[1]})
            if (fd >= 0)
                close(fd);
        m_notify = m_wake[0] = m_wake[1] = -1;
    }

    /// Watches the directory at relative (ending in '/' unless it is the root) and every
    /// directory below it; false when the directory itself can't be watched.
    bool watch(const std::string& relative)
    {
        const std::string path = m_root + "/" + relative;
        const int descriptor = inotify_add_watch(m_notify, path.c_str(), WATCHED);
        if (descriptor < 0)
            return false;
        m_watches[descriptor] = relative;
        DIR* directory = opendir(path.c_str());
        if (!directory)
            return true;
        while (const dirent* entry = readdir(directory)) {
            if (entry->d_name[0] == '.')
                continue;
            if (isDirectory(path + entry->d_name, entry->d_type) &&
                !watch(relative + entry->d_name + "/"))
                lang::log("Can't watch %s%s: %s\n", path.c_str(), entry->d_name, std::strerror(errno));
        }
        closedir(directory);
        return true;
    }

    static bool isDirectory(const std::string& path, unsigned char type)
    {
        if (type != DT_UNKNOWN)
            return type == DT_DIR;
        struct stat info;
        return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    /// Reports the files already in a directory that appeared after the watch on its parent:
    /// they may have been written before its own watch existed.
    void reportFilesIn(const std::string& relative)
    {
        DIR* directory = opendir((m_root + "/" + relative).c_str());
        if (!directory)
            return;
        while (const dirent* entry = readdir(directory)) {
            if (entry->d_name[0] == '.')
                continue;
            const std::string inside = relative + entry->d_name;
            if (isDirectory(m_root + "/" + inside, entry->d_type))
                reportFilesIn(inside + "/");
            else
                m_owner->report(String(inside));
        }
        closedir(directory);
    }

    void run()
    {
        try {
            pollfd waits[2] = {{m_notify, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            for (;;) {
                if (poll(waits, 2, -1) < 0) {
                    if (errno == EINTR)
                        continue;
                    lang::log("File watcher of %s stopped: %s\n", m_root.c_str(), std::strerror(errno));
                    return;
                }
                if (waits[1].revents)
                    return;
                if (waits[0].revents)
                    readEvents();
            }
        } catch (...) {
            // Out of memory: the game runs on without reloading.
            lang::log("File watcher of %s stopped\n", m_root.c_str());
        }
    }

    void readEvents()
    {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t count = read(m_notify, buffer, sizeof(buffer));
            if (count <= 0)
                return; // EAGAIN: all read
            for (ssize_t at = 0; at < count;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                handle(*event);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void handle(const inotify_event& event)
    {
        if (event.mask & IN_Q_OVERFLOW) {
            lang::log("File watcher of %s missed changes: too many at once\n", m_root.c_str());
            return;
        }
        if (event.mask & IN_IGNORED) {
            m_watches.erase(event.wd);
            return;
        }
        const auto directory = m_watches.find(event.wd);
        if (directory == m_watches.end() || event.len == 0 || event.name[0] == '.')
            return;
        const std::string relative = directory->second + event.name;
        if (event.mask & IN_ISDIR) {
            if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
                if (!watch(relative + "/"))
                    lang::log("Can't watch %s/%s: %s\n", m_root.c_str(), relative.c_str(), std::strerror(errno));
                reportFilesIn(relative + "/");
            }
            return;
        }
        if (event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
            m_owner->report(String(relative));
    }
};

} // namespace

FileWatcher::FileWatcher(const String& directory) : m_directory(directory)
{
    m_impl = new FileWatcherImpl_Linux(this, directory);
}

} // namespace pf
