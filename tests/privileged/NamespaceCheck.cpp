#include "privileged/NamespaceCheck.h"

#include <cstdlib>
#include <filesystem>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string whyNotConfined()
{
    if (::geteuid() != 0)
        return "not running as root";
    if (!std::getenv("VELMORA_PRIVILEGED_HELPER"))
        return "not started by run-in-namespace.sh (VELMORA_PRIVILEGED_HELPER is not set)";
    struct statvfs rootFolder { };
    if (::statvfs("/", &rootFolder) != 0 || !(rootFolder.f_flag & ST_RDONLY))
        return "/ is writable: not inside the namespace run-in-namespace.sh prepares";
    for (const char* folder : { "/etc", "/var", "/usr/local", "/home", "/root", "/tmp", "/work" }) {
        struct statfs status { };
        if (::statfs(folder, &status) == 0 && status.f_type != TMPFS_MAGIC)
            return std::string(folder) + " is not covered by a tmpfs";
    }
    std::error_code error;
    fs::create_directories(VELMORA_INSTALLED_DEFINITIONS, error);
    if (error)
        return "the installed definitions folder " VELMORA_INSTALLED_DEFINITIONS
               " is not on a covered folder";
    return {};
}
