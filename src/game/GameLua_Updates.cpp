// The version check over HTTP and the external updater program.

#include "game/GameLua.h"

#include "framework/Config.h"
#include "lang/Array.h"
#include "lang/Debug.h"
#include "net/HttpFileInputStream.h"
#include "pf/Process.h"

#include <memory>

using lang::String;

namespace game {

namespace {

/// Milliseconds for the whole exchange with the version server: one that sends a byte now
/// and then must not keep its worker for ever.
const int VERSION_CHECK_LIMIT = 20000;

/// A worker's body, bound to its counted check rather than to the table, which may be gone
/// by the time the body ends.
template <class Check>
class CheckBody : public lang::FuncBase
{
public:
    explicit CheckBody(std::shared_ptr<Check> check) : m_check(std::move(check)) {}
    void invoke() override { m_check->run(); }
    lang::FuncBase* clone() const override { return new CheckBody(*this); }

private:
    std::shared_ptr<Check> m_check;
};

/// The updater program next to the executable.
String updaterPath()
{
    const String program = pf::Process::programPath();
    if (program.isEmpty())
        return String();
    return program.substring(0, program.lastIndexOf('/') + 1) + "updater";
}

/// The updater's arguments: one flag.
lang::Array<String> updaterFlag(const char* flag)
{
    lang::Array<String> arguments;
    arguments.add(flag);
    return arguments;
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

/// One version check, shared by the table and its worker. The worker writes the answer,
/// then sets answered (release); the main thread reads the answer once it sees answered
/// (acquire). finished is set last, answer or not.
struct GameLua::VersionCheck
{
    String query; ///< written before the worker starts
    String latest, url;
    std::atomic<bool> answered{false};
    std::atomic<bool> finished{false};

    void run();
};

/// One run of the updater with /justcheck, shared by the table and its worker: report is
/// -1 until the updater has reported, then whether it found an update (release).
struct GameLua::UpdaterCheck
{
    std::atomic<int> report{-1};
    std::atomic<bool> finished{false};

    void run();
};

void GameLua::requestLatestVersionNumber()
{
    const String endpoint = framework::Config::current().versionCheckUrl;
    if (m_versionCheck && m_versionCheck->finished.load(std::memory_order_acquire) &&
        !m_versionCheck->answered.load(std::memory_order_relaxed))
        m_versionCheck = nullptr; // a finished check that reported nothing
    // An answer not yet delivered counts as a check under way: a second one would only
    // race it to the scripts.
    if (endpoint.isEmpty() || m_versionCheck)
        return;
    const String version = isString("gameVersionNumber") ? getString("gameVersionNumber") : String("1.0.0");
    std::shared_ptr<VersionCheck> check = std::make_shared<VersionCheck>();
    check->query = endpoint + "version=" + version + "&debugVersion=2.0.0";
    // Detached at once: quitting never waits for the server.
    lang::Ptr<lang::Thread> worker = new lang::Thread(CheckBody<VersionCheck>(check), false);
    m_versionCheck = check;
}

void GameLua::VersionCheck::run()
{
    try {
        net::HttpFileInputStream in(query, "Pelterra", VERSION_CHECK_LIMIT);
        std::string body;
        char buffer[512];
        for (int n; (n = in.read(buffer, sizeof(buffer))) > 0 && body.size() < 65536;)
            body.append(buffer, static_cast<size_t>(n));
        String status;
        if (!parseVersionAnswer(String(body), &status, &latest, &url))
            lang::log("Version check failed: Malformed response\n");
        else
            answered.store(true, std::memory_order_release);
    } catch (const lang::Throwable& e) {
        lang::log("Version check failed: %s\n", e.getMessage().c_str());
    }
    finished.store(true, std::memory_order_release);
}

void GameLua::checkForUpdates()
{
    if (m_updaterCheck && m_updaterCheck->finished.load(std::memory_order_acquire) &&
        m_updaterCheck->report.load(std::memory_order_relaxed) < 0)
        m_updaterCheck = nullptr; // a finished check that did not report: ask again
    if (m_updaterCheck)
        return;
    std::shared_ptr<UpdaterCheck> check = std::make_shared<UpdaterCheck>();
    lang::Ptr<lang::Thread> worker = new lang::Thread(CheckBody<UpdaterCheck>(check), false);
    m_updaterCheck = check;
}

void GameLua::UpdaterCheck::run()
{
    const int exitCode = pf::Process::run(updaterPath(), updaterFlag("/justcheck"), pf::Process::NO_LIMIT);
    // No updater, one that can't start or one that was killed: the check does not report.
    if (exitCode >= 0) {
        // The updater's exit code 1 reports an update.
        report.store(exitCode == 1 ? 1 : 0, std::memory_order_release);
    }
    finished.store(true, std::memory_order_release);
}

void GameLua::deliverCheckAnswers()
{
    // Each check is let go before its callback, which may ask again.
    if (m_versionCheck && m_versionCheck->answered.load(std::memory_order_acquire)) {
        const std::shared_ptr<VersionCheck> check = std::move(m_versionCheck);
        m_versionCheck = nullptr;
        callback("latestVersionNumberReceived", {check->latest, check->url});
    }
    if (m_updaterCheck) {
        const int report = m_updaterCheck->report.load(std::memory_order_acquire);
        if (report >= 0) {
            m_updaterCheck = nullptr;
            callback("updateAvailable", {report == 1});
        }
    }
}

void GameLua::callVersionUpdater()
{
    // The game neither waits for the updater nor reaps it; a missing one is no error.
    pf::Process::startDetached(updaterPath(), updaterFlag("/checknow"));
}

} // namespace game
