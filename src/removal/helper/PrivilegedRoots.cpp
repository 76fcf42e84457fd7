#include "removal/helper/PrivilegedRoots.h"

#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far above what the definitions hold; the limit only keeps a broken file from
// costing the superuser's process memory.
constexpr off_t kMaxDefinitionFileSize = 1024 * 1024;
constexpr int kMaxLinkHops = 40;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

std::vector<std::string> components(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::optional<std::string> readDefinitionFile(
    const std::string& path, bool trustedFilesOnly, std::vector<std::string>& problems)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        problems.push_back(path + ": " + std::strerror(errno));
        return std::nullopt;
    }
    struct stat status { };
    std::optional<std::string> contents;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        problems.push_back(path + ": not a regular file");
    } else if (trustedFilesOnly && (status.st_uid != 0 || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)) {
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
            problems.push_back(path + ": " + std::strerror(errno));
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

// Follows symbolic links along the root's folders only where root owns the
// link: the user must not be able to point a root in their home at /etc. A root
// behind a link someone else owns stays as written and so matches nothing,
// because every path it is compared with has its links resolved.
std::string resolveTrustedLinks(const std::string& lexical)
{
    std::vector<std::string> pending = components(lexical);
    std::reverse(pending.begin(), pending.end());
    std::string resolved;
    bool missing = false;
    int hops = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == ".")
            continue;
        if (part == "..") {
            resolved.erase(resolved.empty() ? 0 : resolved.rfind('/'));
            continue;
        }
        const std::string next = resolved + '/' + part;
        struct stat status { };
        if (missing || ::lstat(next.c_str(), &status) != 0) {
            missing = true;
            resolved = next;
            continue;
        }
        if (!S_ISLNK(status.st_mode)) {
            resolved = next;
            continue;
        }
        if (status.st_uid != 0 || ++hops > kMaxLinkHops)
            return lexical;
        std::string target(std::size_t(PATH_MAX), '\0');
        const ssize_t length = ::readlink(next.c_str(), target.data(), target.size());
        if (length <= 0 || std::size_t(length) >= target.size())
            return lexical;
        target.resize(std::size_t(length));
        if (target.front() == '/')
            resolved.clear();
        std::vector<std::string> targetParts = components(target);
        pending.insert(pending.end(), targetParts.rbegin(), targetParts.rend());
    }
    return resolved.empty() ? std::string("/") : resolved;
}

} // namespace

PrivilegedRoots PrivilegedRoots::load(const std::string& definitionsFolder, const std::string& home,
    bool trustedFilesOnly, std::vector<std::string>& problems)
{
    PrivilegedRoots roots;
    const struct {
        const char* file;
        const char* key;
    } sources[] = { { "/SysLogPaths.plist", "LogPaths" }, { "/SystemCachePaths.plist", "System Cache" } };
    for (const auto& source : sources) {
        const std::optional<std::string> data
            = readDefinitionFile(definitionsFolder + source.file, trustedFilesOnly, problems);
        if (!data)
            continue;
        for (const std::string& entry : stringArray(*data, source.key))
            roots.addEntry(entry, home, problems);
    }
    return roots;
}

void PrivilegedRoots::addEntry(
    const std::string& entry, const std::string& home, std::vector<std::string>& problems)
{
    std::string expanded = entry;
    if (entry == "~" || entry.starts_with("~/")) {
        if (home.empty() || home.front() != '/') {
            problems.push_back("no home folder to expand " + entry);
            return;
        }
        expanded = home + entry.substr(1);
    }
    if (expanded.empty() || expanded.front() != '/') {
        problems.push_back("not an absolute folder: " + entry);
        return;
    }
    std::string normal;
    for (const std::string& part : components(expanded)) {
        if (part == "." || part == "..") {
            problems.push_back("a folder with . or .. is not used: " + entry);
            return;
        }
        normal += '/' + part;
    }
    const std::string resolved = normal.empty() ? std::string("/") : resolveTrustedLinks(normal);
    // The whole file system is never junk; such an entry can only be a mistake.
    if (resolved == "/") {
        problems.push_back("the root folder is not used: " + entry);
        return;
    }
    m_roots.push_back(resolved);
}

bool PrivilegedRoots::covers(std::string_view resolvedPath) const
{
    for (const std::string& root : m_roots) {
        if (resolvedPath == root)
            return true;
        if (resolvedPath.size() > root.size() && resolvedPath.starts_with(root)
            && resolvedPath[root.size()] == '/')
            return true;
    }
    return false;
}
