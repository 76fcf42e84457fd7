// velmora-remove-helper: removes system logs and caches for Velmora as the
// superuser. Started by pkexec, it answers requests on its standard input (see
// HelperProtocol.h) until that closes, and trusts nothing it is sent: only
// /bin/rm and /bin/rmdir, only on paths inside the folders of the system-log
// and system-cache definitions that it reads itself from the installed files.

#include "removal/helper/HelperChannel.h"
#include "removal/helper/HelperProtocol.h"
#include "removal/helper/PrivilegedRoots.h"
#include "removal/helper/RequestHandler.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {

struct Setting {
    std::string definitionsFolder;
    std::string home;
    bool trustedFilesOnly = true;
};

std::string homeOf(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry && entry->pw_dir ? std::string(entry->pw_dir) : std::string();
}

std::optional<uid_t> parseUid(const char* text)
{
    const std::string_view value(text);
    unsigned long uid = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), uid);
    if (error != std::errc() || end != value.data() + value.size() || value.empty())
        return std::nullopt;
    return uid_t(uid);
}

// Under pkexec, whose environment the caller cannot choose, everything comes
// from the installation and the account polkit names. Started any other way
// the helper has no more rights than its caller, so tests may point it at
// their own definitions and home.
Setting settingFromEnvironment()
{
    Setting setting;
    if (const char* pkexecUid = std::getenv("PKEXEC_UID")) {
        setting.definitionsFolder = VELMORA_HELPER_DEFINITIONS;
        if (const std::optional<uid_t> uid = parseUid(pkexecUid))
            setting.home = homeOf(*uid);
        return setting;
    }
    const char* definitions = std::getenv(HelperProtocol::kDefinitionsVariable);
    setting.definitionsFolder = definitions && *definitions ? definitions : VELMORA_HELPER_DEFINITIONS;
    const char* home = std::getenv("HOME");
    setting.home = home && *home ? std::string(home) : homeOf(::getuid());
    setting.trustedFilesOnly = false;
    return setting;
}

} // namespace

int main()
{
    // Velmora going away must end the helper through a failed write, not a signal mid-run.
    std::signal(SIGPIPE, SIG_IGN);

    const Setting setting = settingFromEnvironment();
    std::vector<std::string> problems;
    const PrivilegedRoots roots
        = PrivilegedRoots::load(setting.definitionsFolder, setting.home, setting.trustedFilesOnly, problems);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "velmora-remove-helper: %s\n", problem.c_str());
    if (roots.roots().empty())
        std::fprintf(
            stderr, "velmora-remove-helper: no folders to remove from; every path will be refused\n");

    HelperChannel channel(STDIN_FILENO, STDOUT_FILENO);
    if (!channel.writeRecord(HelperProtocol::kReady, HelperProtocol::kVersion))
        return 1;
    RequestHandler handler(roots, channel);
    while (const std::optional<std::vector<std::string>> request = channel.readRequest()) {
        if (!handler.handle(*request))
            return 1;
    }
    return 0;
}
