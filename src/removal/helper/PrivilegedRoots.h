#pragma once

#include <string>
#include <string_view>
#include <vector>

// The folders the helper may remove from: the entries of the system-log and
// system-cache definitions, the only places whose junk needs the superuser.
// The helper loads them itself instead of trusting its caller, since the list
// of paths it is asked to remove comes from a file the user can write.
class PrivilegedRoots final {
public:
    // Reads "LogPaths" of SysLogPaths.plist and "System Cache" of
    // SystemCachePaths.plist in the folder; "~" stands for the given home.
    // With trustedFilesOnly, a definition file that is not a regular file owned
    // by root and writable by root alone is ignored. Whatever is passed over is
    // described in problems.
    static PrivilegedRoots load(const std::string& definitionsFolder, const std::string& home,
        bool trustedFilesOnly, std::vector<std::string>& problems);

    // Whether the path, whose folders are already free of symbolic links, lies
    // at or below one of the roots.
    bool covers(std::string_view resolvedPath) const;

    const std::vector<std::string>& roots() const { return m_roots; }

private:
    void addEntry(const std::string& entry, const std::string& home, std::vector<std::string>& problems);

    std::vector<std::string> m_roots;
};
