#include "removal/helper/RequestHandler.h"

#include "removal/helper/HelperChannel.h"
#include "removal/helper/HelperProtocol.h"
#include "removal/helper/ToolRun.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

RequestHandler::RequestHandler(
    const PrivilegedRoots& roots, std::optional<uid_t> requester, HelperChannel& channel)
    : m_roots(roots)
    , m_requester(requester)
    , m_channel(channel)
{
}

bool RequestHandler::handle(const std::vector<std::string>& fields)
{
    if (fields.empty())
        return m_channel.writeRecord(HelperProtocol::kDone, "0");
    const std::string& tool = fields.front();
    if (tool != HelperProtocol::kRemoveFileTool && tool != HelperProtocol::kRemoveFolderTool)
        return m_channel.writeRecord(HelperProtocol::kRejected, "tool not allowed: " + tool);

    m_status = 0;
    bool reachable = true;
    for (std::size_t i = 1; i < fields.size() && reachable; ++i)
        reachable = handlePath(tool, fields[i]);
    reachable = reachable && flush(tool);
    closeBatch();
    return reachable && m_channel.writeRecord(HelperProtocol::kDone, std::to_string(m_status));
}

bool RequestHandler::handlePath(const std::string& tool, const std::string& path)
{
    PrivilegedRoots::Location location = m_roots.locate(path);
    if (location.folder < 0)
        return refuse(path, location.problem);
    struct stat folder { };
    struct stat entry { };
    if (::fstat(location.folder, &folder) != 0) {
        ::close(location.folder);
        return refuse(path, "its folder cannot be opened");
    }
    // In a shared folder such as /var/crash everyone's entries sit side by
    // side; the helper removes only those of the user it works for and root's.
    if ((folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH)
        && ::fstatat(location.folder, location.name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0
        && entry.st_uid != 0 && entry.st_uid != m_requester) {
        ::close(location.folder);
        return refuse(path, "another user's in a shared folder");
    }

    if (m_batch.folder >= 0 && folder.st_dev == m_batch.device && folder.st_ino == m_batch.inode) {
        ::close(location.folder);
    } else {
        if (!flush(tool)) {
            ::close(location.folder);
            return false;
        }
        closeBatch();
        m_batch.folder = location.folder;
        m_batch.device = folder.st_dev;
        m_batch.inode = folder.st_ino;
    }

    if (m_batch.names.size() >= kMaxNamesPerRun
        || m_batch.nameBytes + location.name.size() + 1 > kMaxNameBytesPerRun) {
        if (!flush(tool))
            return false;
    }
    m_batch.nameBytes += location.name.size() + 1;
    m_batch.names.push_back(std::move(location.name));
    return true;
}

bool RequestHandler::refuse(const std::string& path, const std::string& reason)
{
    std::string payload = reason;
    payload.push_back('\0');
    payload.append(path);
    return m_channel.writeRecord(HelperProtocol::kRefused, payload);
}

bool RequestHandler::flush(const std::string& tool)
{
    if (m_batch.names.empty())
        return true;
    const ToolRun::Result result = ToolRun::run(tool, m_batch.folder, m_batch.names);
    m_batch.names.clear();
    m_batch.nameBytes = 0;
    if (m_status == 0)
        m_status = result.exitStatus;
    if (!result.output.empty() && !m_channel.writeRecord(HelperProtocol::kOutput, result.output))
        return false;
    if (!result.errorOutput.empty()
        && !m_channel.writeRecord(HelperProtocol::kErrorOutput, result.errorOutput))
        return false;
    return true;
}

void RequestHandler::closeBatch()
{
    if (m_batch.folder >= 0)
        ::close(m_batch.folder);
    m_batch = Batch {};
}
