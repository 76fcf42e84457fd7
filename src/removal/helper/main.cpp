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
#include <string>
#include <unistd.h>

namespace {

std::optional<uid_t> parseUid(const char* text)
{
    const std::string_view value(text ? text : "");
    unsigned long uid = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), uid);
    if (error != std::errc() || end != value.data() + value.size() || value.empty())
        return std::nullopt;
    return uid_t(uid);
}

} // namespace

int main()
{
    // Velmora going away must end the helper through a failed write, not a signal mid-run.
    std::signal(SIGPIPE, SIG_IGN);

    // Trust follows the rights the helper holds, not how it was started: as the
    // superuser (pkexec, sudo -E, a setuid copy) the environment may be anyone's,
    // so only the installed definitions count. Unprivileged, the helper can do
    // no more than its caller, and tests point it at their own.
    const bool privileged = ::geteuid() == 0;
    PrivilegedRoots::Options options;
    options.rootOwnedOnly = privileged;
    std::string definitions = VELMORA_HELPER_DEFINITIONS;
    std::optional<uid_t> requester = ::getuid();
    if (privileged) {
        if (const char* pkexecUid = std::getenv("PKEXEC_UID"))
            requester = parseUid(pkexecUid);
    } else {
        const char* folder = std::getenv(HelperProtocol::kDefinitionsVariable);
        if (folder && *folder)
            definitions = folder;
        options.withoutOpenat2 = std::getenv(HelperProtocol::kWithoutOpenat2Variable) != nullptr;
    }

    std::vector<std::string> problems;
    const PrivilegedRoots roots = PrivilegedRoots::load(definitions, options, problems);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "velmora-remove-helper: %s\n", problem.c_str());
    if (roots.empty())
        std::fprintf(
            stderr, "velmora-remove-helper: no folders to remove from; every path will be refused\n");

    HelperChannel channel(STDIN_FILENO, STDOUT_FILENO);
    if (!channel.writeRecord(HelperProtocol::kReady, HelperProtocol::kVersion))
        return 1;
    RequestHandler handler(roots, requester, channel);
    while (const std::optional<HelperChannel::Request> request = channel.readRequest()) {
        const bool answered = request->rejection.empty()
            ? handler.handle(request->fields)
            : channel.writeRecord(HelperProtocol::kRejected, request->rejection);
        if (!answered)
            return 1;
    }
    return 0;
}
