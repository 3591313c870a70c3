#include "io/AtomicFile.h"

#include "io/IOException.h"
#include "lang/Debug.h"

#include <cerrno>
#include <climits>
#include <exception>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace io {

namespace {

std::string directoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string hiddenSibling(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + name + ".saving-" + std::to_string(getpid());
}

void syncDirectory(const std::string& dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool AtomicFile::open(const lang::String& target)
{
    discard();
    m_failed = false;
    m_target = target;
    std::string path = target.str();
    // A symbolic link is followed: the file it names is replaced, not the link.
    char resolved[PATH_MAX];
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && realpath(path.c_str(), resolved))
        path = resolved;
    m_path = path;
    // A device or a pipe is written in place: there is nothing to replace.
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        m_file = std::fopen(path.c_str(), "wb");
        m_direct = m_file != nullptr;
        return m_file != nullptr;
    }
    int fd = ::open(directoryOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string name = path + ".XXXXXX";
        fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd >= 0) {
            m_tempName = name;
            // mkstemp makes 0600; a saved file gets the permissions fopen would give it.
            mode_t mask = umask(0);
            umask(mask);
            fchmod(fd, 0666 & ~mask);
        }
    }
    if (fd < 0)
        return false;
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        int saved = errno;
        ::close(fd);
        discard();
        errno = saved;
        return false;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (!m_file)
        return false;
    const std::string target = m_path;
    if (m_direct) {
        bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
        ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
        m_direct = false;
        return ok;
    }
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file) && fsync(fileno(m_file)) == 0;
    if (ok && m_tempName.isEmpty()) {
        // An unnamed file gets a name beside the target, then takes the target's place.
        std::string name = hiddenSibling(target);
        std::string self = "/proc/self/fd/" + std::to_string(fileno(m_file));
        unlink(name.c_str());
        ok = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
        if (ok)
            m_tempName = name;
    }
    ok = ok && std::rename(m_tempName.c_str(), target.c_str()) == 0;
    if (ok) {
        m_tempName = lang::String();
        syncDirectory(directoryOf(target));
    }
    discard();
    return ok;
}

void AtomicFile::discard()
{
    m_direct = false;
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempName.isEmpty()) {
        unlink(m_tempName.c_str());
        m_tempName = lang::String();
    }
}


void AtomicFile::write(const void* data, int length)
{
    if (length <= 0)
        return;
    if (!m_file || std::fwrite(data, 1, static_cast<size_t>(length), m_file) != static_cast<size_t>(length)) {
        m_failed = true;
        throw IOException(lang::Format("Failed to write {1} bytes to {0}", m_target, length));
    }
}

void AtomicFile::close()
{
    if (!m_file)
        return;
    if (m_failed) {
        discard();
        throw IOException(lang::Format("Failed to save {0}", m_target));
    }
    if (!commit())
        throw IOException(lang::Format("Failed to save {0}", m_target));
}

void AtomicFile::closeOnDestroy(int uncaughtAtOpen)
{
    if (!m_file)
        return;
    if (m_failed || std::uncaught_exceptions() > uncaughtAtOpen) {
        discard();
        return;
    }
    if (!commit())
        lang::log("Failed to save %s\n", m_target.c_str());
}

} // namespace io
