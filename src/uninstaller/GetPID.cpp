#include "uninstaller/GetPID.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::optional<pid_t> processId(const char* name)
{
    if (*name == '\0')
        return std::nullopt;
    long long value = 0;
    for (const char* c = name; *c; ++c) {
        if (*c < '0' || *c > '9')
            return std::nullopt;
        value = value * 10 + (*c - '0');
        if (value > std::numeric_limits<pid_t>::max())
            return std::nullopt;
    }
    return pid_t(value);
}

// The ids in the table, ascending so that repeated look-ups agree.
int listProcessIds(const char* procFolder, std::vector<pid_t>& ids, int& errorNumber)
{
    DIR* dir = opendir(procFolder);
    if (!dir) {
        errorNumber = errno;
        return kProcessTableUnreadable;
    }
    int result = kPIDsFound;
    try {
        while (const dirent* entry = readdir(dir)) {
            if (const auto id = processId(entry->d_name))
                ids.push_back(*id);
        }
        std::sort(ids.begin(), ids.end());
    } catch (const std::bad_alloc&) {
        errorNumber = ENOMEM;
        result = kOutOfMemory;
    }
    closedir(dir);
    return result;
}

std::optional<std::string> readLink(const std::string& path)
{
    char target[4096];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || size_t(length) >= sizeof target)
        return std::nullopt;
    return std::string(target, size_t(length));
}

std::optional<std::string> readSmallFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[256];
    const ssize_t length = read(fd, buffer, sizeof buffer);
    close(fd);
    if (length < 0)
        return std::nullopt;
    return std::string(buffer, size_t(length));
}

// The executable's own name when it can be read: comm is cut at 15 bytes for
// user processes, which would hide a 16-byte name.
std::optional<std::string> shortName(const std::string& processFolder)
{
    std::string name;
    if (auto exe = readLink(processFolder + "/exe")) {
        static constexpr std::string_view deleted = " (deleted)";
        if (exe->size() > deleted.size() && exe->ends_with(deleted))
            exe->resize(exe->size() - deleted.size());
        const size_t slash = exe->rfind('/');
        name = slash == std::string::npos ? *exe : exe->substr(slash + 1);
    } else if (auto comm = readSmallFile(processFolder + "/comm")) {
        if (comm->ends_with('\n'))
            comm->pop_back();
        name = *comm;
    } else {
        return std::nullopt; // gone since the table was listed, or never readable
    }
    if (name.size() > kShortNameLength)
        name.resize(kShortNameLength);
    return name;
}

} // namespace

int GetAllPIDsForProcessName(const char* processName, pid_t pidList[], unsigned numberOfPossiblePIDsInList,
    unsigned* numberOfMatchesFound, int* error, const char* procFolder)
{
    if (!processName || !pidList || !numberOfMatchesFound || numberOfPossiblePIDsInList == 0 || !procFolder)
        return kInvalidArguments;
    std::fill(pidList, pidList + numberOfPossiblePIDsInList, pid_t(0));
    *numberOfMatchesFound = 0;
    if (error)
        *error = 0;

    std::vector<pid_t> ids;
    int errorNumber = 0;
    if (const int result = listProcessIds(procFolder, ids, errorNumber); result != kPIDsFound) {
        if (error)
            *error = errorNumber;
        return result;
    }

    const std::string root = procFolder;
    for (const pid_t id : ids) {
        if (id <= 0)
            continue;
        const auto name = shortName(root + '/' + std::to_string(id));
        if (!name || std::strncmp(name->c_str(), processName, kShortNameLength) != 0)
            continue;
        if (*numberOfMatchesFound + 1 > numberOfPossiblePIDsInList)
            return kTooManyProcesses;
        pidList[(*numberOfMatchesFound)++] = id;
    }
    return *numberOfMatchesFound >= 1 ? kPIDsFound : kNoProcessFound;
}

pid_t GetPIDForProcessName(const char* processName, const char* procFolder)
{
    pid_t id = 0;
    unsigned matches = 0;
    if (GetAllPIDsForProcessName(processName, &id, 1, &matches, nullptr, procFolder) != kPIDsFound
        || matches != 1)
        return -1;
    return id;
}
