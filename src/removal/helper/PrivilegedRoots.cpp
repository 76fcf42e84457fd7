#include "removal/helper/PrivilegedRoots.h"

#include "platform/MountIdentity.h"

#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/openat2.h>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Far above what the definitions hold; the limit only keeps a broken file from
// costing the superuser's process memory.
constexpr off_t kMaxDefinitionFileSize = 1024 * 1024;
constexpr int kMaxLinkHops = 40;
// openat2 gives up with EAGAIN when a rename elsewhere races its walk; a few
// more tries, then the path is refused rather than waited for.
constexpr int kOpenAttempts = 8;
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Debian's and Ubuntu's first id of a person's account and group; below it are the system's.
constexpr unsigned kFirstPersonId = 1000;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// The names of a path. Doubled and trailing slashes say nothing, but "." and
// ".." would let a path leave the folder its spelling names.
std::optional<std::vector<std::string>> split(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..")
            return std::nullopt;
        if (!part.empty())
            parts.emplace_back(part);
        start = end + 1;
    }
    return parts;
}

bool rootsAlone(const struct stat& status)
{
    return status.st_uid == 0 && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A group only the system's own accounts are in: below the first person's id,
// nobody's with a person's account as a member, and no person's primary group
// (a user private group, or "users" where everyone shares one). A group that
// cannot be named is not known to be the system's.
bool systemGroup(gid_t gid)
{
    if (gid >= kFirstPersonId)
        return false;
    const struct group* entry = ::getgrgid(gid);
    if (!entry)
        return false;
    for (char** member = entry->gr_mem; *member; ++member) {
        const struct passwd* account = ::getpwnam(*member);
        if (!account || account->pw_uid >= kFirstPersonId)
            return false;
    }
    bool someonesOwn = false;
    ::setpwent();
    while (const struct passwd* account = ::getpwent()) {
        if (account->pw_gid == gid && account->pw_uid >= kFirstPersonId) {
            someonesOwn = true;
            break;
        }
    }
    ::endpwent();
    return !someonesOwn;
}

// What a folder from "/" down to a root may be. Ubuntu's /var/log is
// root:syslog 0775 so that the log daemon can make its files: a system group
// may write there, since every removal is then resolved beneath the opened
// root and cannot be sent elsewhere by what that group puts in it. The
// definitions themselves say where removal may happen and stay root's alone.
struct Trust {
    bool checked = true; // false unprivileged, where every folder is the user's own
    bool systemGroupMayWrite = false;

    bool allows(const struct stat& status) const
    {
        return !checked || rootsAlone(status)
            || (systemGroupMayWrite && status.st_uid == 0 && (status.st_mode & S_IWOTH) == 0
                && systemGroup(status.st_gid));
    }
    std::string whose() const
    {
        return systemGroupMayWrite ? "root's and a system group's alone" : "root's alone";
    }
};

// A shared folder such as /var/crash: the sticky bit keeps each user's entries
// their own, and the helper keeps to the same rule when it removes there.
bool sharedBySticky(const struct stat& status)
{
    return status.st_uid == 0 && (status.st_mode & S_ISVTX) != 0;
}

std::string errorText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// The last component of an absolute path, reached from "/" through folders
// that root owns and nobody else can write, following only links that sit in
// such folders and belong to root: nobody else can have put anything on the
// way. On success, parent is an open folder the caller closes.
struct Walk {
    int parent = -1;
    std::string name;
    struct stat status { };
};

bool walkTrusted(const std::vector<std::string>& parts, const Trust& trust, Walk& walk, std::string& problem)
{
    int current = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    const auto fail = [&](std::string why) {
        if (current >= 0)
            ::close(current);
        problem = std::move(why);
        return false;
    };
    struct stat status { };
    if (current < 0 || ::fstat(current, &status) != 0)
        return fail(errorText("/"));
    if (!trust.allows(status))
        return fail("the root folder is not " + trust.whose());

    std::vector<std::string> pending(parts.rbegin(), parts.rend());
    int hops = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (::fstatat(current, part.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return fail(errorText(part));
        if (S_ISLNK(status.st_mode)) {
            if (trust.checked && status.st_uid != 0)
                return fail("the link " + part + " on its way is not root's");
            if (++hops > kMaxLinkHops)
                return fail("too many links on its way");
            std::string target(std::size_t(PATH_MAX), '\0');
            const ssize_t length = ::readlinkat(current, part.c_str(), target.data(), target.size());
            if (length <= 0 || std::size_t(length) >= target.size())
                return fail(errorText(part));
            target.resize(std::size_t(length));
            const std::optional<std::vector<std::string>> targetParts = split(target);
            if (!targetParts)
                return fail("the link " + part + " on its way holds a . or .. component");
            if (target.front() == '/') {
                ::close(current);
                current = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
                if (current < 0)
                    return fail(errorText("/"));
            }
            pending.insert(pending.end(), targetParts->rbegin(), targetParts->rend());
            continue;
        }
        if (pending.empty()) {
            walk.parent = current;
            walk.name = part;
            walk.status = status;
            return true;
        }
        const int next = ::openat(current, part.c_str(), kFolderFlags);
        if (next < 0)
            return fail(errorText(part));
        ::close(current);
        current = next;
        if (::fstat(current, &status) != 0 || !S_ISDIR(status.st_mode))
            return fail(part + " is not a folder");
        if (!trust.allows(status))
            return fail("the folder " + part + " on its way is not " + trust.whose());
    }
    return fail("names the root folder");
}

// An absolute folder opened by walkTrusted, itself root's alone.
int openTrustedFolder(const std::string& path, bool rootOwnedOnly, std::string& problem)
{
    const std::optional<std::vector<std::string>> parts = split(path);
    if (path.empty() || path.front() != '/' || !parts) {
        problem = "not an absolute path without . or ..";
        return -1;
    }
    Walk walk;
    if (!walkTrusted(*parts, Trust { rootOwnedOnly }, walk, problem))
        return -1;
    const int folder = ::openat(walk.parent, walk.name.c_str(), kFolderFlags);
    ::close(walk.parent);
    struct stat status { };
    if (folder < 0 || ::fstat(folder, &status) != 0 || !S_ISDIR(status.st_mode)) {
        problem = "not a folder";
    } else if (rootOwnedOnly && !rootsAlone(status)) {
        problem = "not root's alone";
    } else {
        return folder;
    }
    if (folder >= 0)
        ::close(folder);
    return -1;
}

std::optional<std::string> readDefinitionFile(
    int folder, const std::string& path, bool trustedFilesOnly, std::vector<std::string>& problems)
{
    const int fd = ::openat(folder, path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        problems.push_back(errorText(path));
        return std::nullopt;
    }
    struct stat status { };
    std::optional<std::string> contents;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        problems.push_back(path + ": not a regular file");
    } else if (trustedFilesOnly && !rootsAlone(status)) {
        problems.push_back(path + ": not owned and written by root alone");
    } else if (status.st_size > kMaxDefinitionFileSize) {
        problems.push_back(path + ": too large");
    } else {
        std::string data;
        char chunk[8192];
        ssize_t count = 0;
        while ((count = ::read(fd, chunk, sizeof chunk)) > 0
            && data.size() <= std::size_t(kMaxDefinitionFileSize))
            data.append(chunk, std::size_t(count));
        if (count < 0)
            problems.push_back(errorText(path));
        else
            contents = std::move(data);
    }
    ::close(fd);
    return contents;
}

std::vector<std::string> stringArray(const std::string& data, const char* key)
{
    plist_t parsed = nullptr;
    plist_from_memory(data.data(), uint32_t(data.size()), &parsed);
    const PlistPtr root(parsed);
    std::vector<std::string> entries;
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return entries;
    plist_t array = plist_dict_get_item(root.get(), key);
    if (!array || plist_get_node_type(array) != PLIST_ARRAY)
        return entries;
    const uint32_t count = plist_array_get_size(array);
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(array, i);
        if (!item || plist_get_node_type(item) != PLIST_STRING)
            continue;
        char* text = nullptr;
        plist_get_string_val(item, &text);
        if (text)
            entries.emplace_back(text);
        std::free(text);
    }
    return entries;
}

} // namespace

PrivilegedRoots PrivilegedRoots::load(
    const std::string& definitionsFolder, const Options& options, std::vector<std::string>& problems)
{
    PrivilegedRoots roots;
    roots.m_withoutOpenat2 = options.withoutOpenat2;
    std::string problem;
    const int folder = openTrustedFolder(definitionsFolder, options.rootOwnedOnly, problem);
    if (folder < 0) {
        problems.push_back(definitionsFolder + ": " + problem);
        return roots;
    }
    const struct {
        const char* file;
        const char* key;
    } sources[] = { { "SysLogPaths.plist", "LogPaths" }, { "SystemCachePaths.plist", "System Cache" } };
    for (const auto& source : sources) {
        const std::optional<std::string> data
            = readDefinitionFile(folder, source.file, options.rootOwnedOnly, problems);
        if (!data)
            continue;
        for (const std::string& entry : stringArray(*data, source.key))
            roots.addEntry(entry, options, problems);
    }
    ::close(folder);
    return roots;
}

PrivilegedRoots::PrivilegedRoots(PrivilegedRoots&& other) noexcept
    : m_roots(std::move(other.m_roots))
    , m_leftOut(std::move(other.m_leftOut))
    , m_withoutOpenat2(other.m_withoutOpenat2)
{
    other.m_roots.clear();
}

PrivilegedRoots::~PrivilegedRoots()
{
    for (const Root& root : m_roots)
        ::close(root.folder);
}

void PrivilegedRoots::addEntry(
    const std::string& entry, const Options& options, std::vector<std::string>& problems)
{
    if (entry.starts_with('~')) {
        problems.push_back("left to Velmora, which removes it with the user's own rights: " + entry);
        return;
    }
    const std::optional<std::vector<std::string>> parts = split(entry);
    if (!entry.starts_with('/') || !parts) {
        problems.push_back("not an absolute path without . or ..: " + entry);
        return;
    }
    // The whole file system is never junk; such an entry can only be a mistake.
    if (parts->empty()) {
        problems.push_back("the root folder is not used: " + entry);
        return;
    }
    // Its paths are refused later with the reason, which the user sees in
    // Velmora's log rather than only the helper's own complaint at start.
    const auto leaveOut = [&](const std::string& problem) {
        problems.push_back(entry + ": " + problem);
        m_leftOut.push_back({ *parts, problems.back() });
    };
    const Trust trust { options.rootOwnedOnly, true };
    Walk walk;
    std::string problem;
    if (!walkTrusted(*parts, trust, walk, problem)) {
        leaveOut(problem);
        return;
    }
    Root root { *parts, walk.parent, std::nullopt, walk.name };
    if (S_ISDIR(walk.status.st_mode)) {
        root.folder = ::openat(walk.parent, walk.name.c_str(), kFolderFlags);
        ::close(walk.parent);
        root.fileName.clear();
    }
    struct stat status { };
    if (root.folder < 0 || ::fstat(root.folder, &status) != 0) {
        leaveOut(std::strerror(errno));
    } else if (!trust.allows(status) && !(root.fileName.empty() && sharedBySticky(status))) {
        leaveOut("not " + trust.whose());
    } else {
        root.mount = MountIdentity::of(root.folder);
        m_roots.push_back(std::move(root));
        return;
    }
    if (root.folder >= 0)
        ::close(root.folder);
}

PrivilegedRoots::Location PrivilegedRoots::locate(std::string_view path) const
{
    Location location;
    const std::optional<std::vector<std::string>> parts = split(path);
    if (!path.starts_with('/')) {
        location.problem = "not an absolute path";
        return location;
    }
    if (!parts) {
        location.problem = "holds a . or .. component";
        return location;
    }
    // Only the spelling decides which root a path falls under; nested roots
    // are both trusted, so the closest one saves opening folders.
    const Root* closest = nullptr;
    for (const Root& root : m_roots) {
        if (root.fileName.empty() && *parts == root.parts) {
            location.problem = "one of the folders of system logs and caches itself";
            return location;
        }
        const bool inside = root.fileName.empty() ? parts->size() > root.parts.size()
                && std::equal(root.parts.begin(), root.parts.end(), parts->begin())
                                                  : *parts == root.parts;
        if (inside && (!closest || root.parts.size() > closest->parts.size()))
            closest = &root;
    }
    if (!closest) {
        location.problem = "outside the folders of system logs and caches";
        for (const LeftOut& root : m_leftOut) {
            if (parts->size() >= root.parts.size()
                && std::equal(root.parts.begin(), root.parts.end(), parts->begin()))
                location.problem = "its folder of system logs and caches was left out: " + root.problem;
        }
        return location;
    }
    if (!closest->fileName.empty()) {
        location.name = closest->fileName;
        location.folder = ::fcntl(closest->folder, F_DUPFD_CLOEXEC, 0);
    } else {
        location.name = parts->back();
        const std::vector<std::string> between(
            parts->begin() + std::ptrdiff_t(closest->parts.size()), parts->end() - 1);
        location.folder = openBeneath(*closest, between, location.problem);
    }
    if (location.folder < 0 && location.problem.empty())
        location.problem = errorText("its folder cannot be opened");
    return location;
}

int PrivilegedRoots::openBeneath(
    const Root& root, const std::vector<std::string>& parts, std::string& problem) const
{
    if (parts.empty())
        return ::fcntl(root.folder, F_DUPFD_CLOEXEC, 0);
    const char* const refusal
        = "its folder cannot be opened without a link, a mount point or leaving the root";
    if (!m_withoutOpenat2) {
        std::string relative;
        for (const std::string& part : parts)
            relative += (relative.empty() ? "" : "/") + part;
        open_how how {};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            const long fd = ::syscall(SYS_openat2, root.folder, relative.c_str(), &how, sizeof how);
            if (fd >= 0)
                return int(fd);
            if (errno != EAGAIN && errno != EINTR)
                break;
        }
        if (errno != ENOSYS) {
            problem = errorText(refusal);
            return -1;
        }
    }
    // Without openat2: no link is followed, and a change of mount is refused,
    // a bind mount of the same file system as much as another file system.
    int current = ::fcntl(root.folder, F_DUPFD_CLOEXEC, 0);
    for (const std::string& part : parts) {
        const int next = current < 0 ? -1 : ::openat(current, part.c_str(), kFolderFlags);
        problem = errorText(refusal);
        if (current >= 0)
            ::close(current);
        current = next;
        struct stat status { };
        if (current >= 0 && ::fstat(current, &status) == 0 && S_ISDIR(status.st_mode) && root.mount
            && MountIdentity::of(current) == root.mount)
            continue;
        if (current >= 0) {
            problem = refusal;
            ::close(current);
        }
        return -1;
    }
    problem.clear();
    return current;
}
