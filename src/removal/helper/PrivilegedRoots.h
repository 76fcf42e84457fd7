#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The places the helper may remove from: the absolute entries of the
// system-log and system-cache definitions, the only places whose junk needs the
// superuser. The helper loads them itself instead of trusting its caller, since
// the list of paths it is asked to remove comes from a file the user can write.
//
// Each root is opened once, at load; a request is then resolved beneath the
// opened root, never by spelling a path out to the kernel again or by asking it
// where an open folder is, because both answers can be bent by a process that
// owns a mount namespace or a folder on the way.
class PrivilegedRoots final {
public:
    struct Options {
        // As the superuser: the definition files, every root and every folder
        // above them must be root's alone, so nobody else can change what a
        // root means; a system group may also write a root or a folder above
        // one (Ubuntu's /var/log), since removals stay beneath the opened root.
        // Unprivileged (tests), the helper can harm nobody but the user who
        // started it, and the temporary folders are the user's own.
        bool rootOwnedOnly = true;
        // Resolves requests component by component, as on kernels without openat2.
        bool withoutOpenat2 = false;
    };

    // An opened folder and a name in it, or the reason there is none.
    struct Location {
        int folder = -1; // owned by the caller
        std::string name;
        std::string problem;
    };

    // Reads "LogPaths" of SysLogPaths.plist and "System Cache" of
    // SystemCachePaths.plist in the folder. Whatever is passed over is
    // described in problems.
    static PrivilegedRoots load(
        const std::string& definitionsFolder, const Options& options, std::vector<std::string>& problems);

    PrivilegedRoots(PrivilegedRoots&& other) noexcept;
    PrivilegedRoots& operator=(PrivilegedRoots&&) = delete;
    PrivilegedRoots(const PrivilegedRoots&) = delete;
    PrivilegedRoots& operator=(const PrivilegedRoots&) = delete;
    ~PrivilegedRoots();

    // Opens the folder that holds the path, when the path lies strictly inside
    // a folder root or names a file root, as written: no ".", "..", or way
    // through a link, a mount point (bind mounts included) or /proc. A path of
    // an entry that was left out at load is refused with the reason.
    Location locate(std::string_view path) const;

    bool empty() const { return m_roots.empty(); }

private:
    PrivilegedRoots() = default;

    struct Root {
        std::vector<std::string> parts;
        int folder = -1; // the root itself, or the folder holding a file root
        std::optional<std::uint64_t> mount;
        std::string fileName; // empty for a folder root
    };
    // An entry that is not served, and why.
    struct LeftOut {
        std::vector<std::string> parts;
        std::string problem;
    };

    void addEntry(const std::string& entry, const Options& options, std::vector<std::string>& problems);
    int openBeneath(const Root& root, const std::vector<std::string>& parts, std::string& problem) const;

    std::vector<Root> m_roots;
    std::vector<LeftOut> m_leftOut;
    bool m_withoutOpenat2 = false;
};
