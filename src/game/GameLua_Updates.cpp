// The version check over HTTP and the external updater program.

#include "game/GameLua.h"

#include "framework/Config.h"
#include "lang/Array.h"
#include "lang/Debug.h"
#include "net/HttpFileInputStream.h"

#include <climits>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using lang::String;

namespace game {

namespace {

/// The updater program next to the executable.
String updaterPath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return String();
    String program(path, static_cast<int>(length));
    return program.substring(0, program.lastIndexOf('/') + 1) + "updater";
}

} // namespace

bool GameLua::parseVersionAnswer(const String& body, String* status, String* latest, String* url)
{
    lang::Array<String> pairs = body.trim().split("&");
    bool any = false;
    for (const String& pair : pairs) {
        const int equals = pair.indexOf('=');
        if (equals <= 0)
            return false;
        const String key = pair.substring(0, equals), value = pair.substring(equals + 1);
        if (key == "status")
            *status = value;
        else if (key == "latest")
            *latest = value;
        else if (key == "url")
            *url = value;
        any = true;
    }
    return any;
}

void GameLua::requestLatestVersionNumber()
{
    const String endpoint = framework::Config::current().versionCheckUrl;
    if (m_versionThread && m_versionWorkerDone.load(std::memory_order_acquire))
        m_versionThread = nullptr; // a finished check that reported nothing
    if (endpoint.isEmpty() || m_versionThread)
        return; // no endpoint configured, or a check already under way
    m_versionWorkerDone.store(false, std::memory_order_relaxed);
    const String version = isString("gameVersionNumber") ? getString("gameVersionNumber") : String("1.0.0");
    m_versionQuery = endpoint + "version=" + version + "&debugVersion=2.0.0";
    m_versionThread = new lang::Thread(lang::Func1<GameLua>(this, &GameLua::versionWorker), true);
}

void GameLua::versionWorker()
{
    versionCheck();
    m_versionWorkerDone.store(true, std::memory_order_release);
}

void GameLua::versionCheck()
{
    try {
        net::HttpFileInputStream in(m_versionQuery, "Pelterra");
        std::string body;
        char buffer[512];
        for (int n; (n = in.read(buffer, sizeof(buffer))) > 0 && body.size() < 65536;)
            body.append(buffer, static_cast<size_t>(n));
        String status, latest, url;
        if (!parseVersionAnswer(String(body), &status, &latest, &url)) {
            lang::log("Version check failed: Malformed response\n");
            return;
        }
        m_latestVersion = latest;
        m_updateUrl = url;
        m_versionPending.store(true, std::memory_order_release);
    } catch (const lang::Throwable& e) {
        lang::log("Version check failed: %s\n", e.getMessage().c_str());
    }
}

void GameLua::checkForUpdates()
{
    if (m_updaterThread)
        return;
    m_updaterThread = new lang::Thread(lang::Func1<GameLua>(this, &GameLua::updaterWorker), true);
}

void GameLua::updaterWorker()
{
    const String program = updaterPath();
    if (access(program.c_str(), X_OK) != 0)
        return; // no updater: the check just does not report
    std::string path = program.str(), flag = "/justcheck";
    char* argv[] = {&path[0], &flag[0], nullptr};
    pid_t child;
    if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        return;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return;
    // The updater's exit code 1 reports an update.
    m_updateAvailable.store(WEXITSTATUS(status) == 1, std::memory_order_relaxed);
    m_updatePending.store(true, std::memory_order_release);
}

void GameLua::callVersionUpdater()
{
    const String program = updaterPath();
    if (access(program.c_str(), X_OK) != 0)
        return;
    // Started through a shell in the background: the game neither waits nor reaps it.
    std::string script = "\"$1\" /checknow >/dev/null 2>&1 &", name = "sh", path = program.str();
    char* argv[] = {&name[0], const_cast<char*>("-c"), &script[0], &name[0], &path[0], nullptr};
    pid_t child;
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, argv, environ) == 0)
        waitpid(child, nullptr, 0);
}

} // namespace game
