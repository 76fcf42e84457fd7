#include "removal/helper/RequestHandler.h"

#include "removal/helper/HelperChannel.h"
#include "removal/helper/HelperProtocol.h"
#include "removal/helper/ToolRun.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why the path is not even looked at, or nothing when its form is sound.
std::optional<std::string> formProblem(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return "not an absolute path";
    bool anyName = false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + start, end - start);
        if (part == "." || part == "..")
            return "holds a . or .. component";
        anyName = anyName || !part.empty();
        start = end + 1;
    }
    if (!anyName)
        return "names the root folder";
    return std::nullopt;
}

// Where the kernel says an open folder is now, free of symbolic links; nothing
// when that cannot be told or the folder has been deleted meanwhile.
std::optional<std::string> folderLocation(int fd)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0 || status.st_nlink == 0)
        return std::nullopt;
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::string target(std::size_t(PATH_MAX), '\0');
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || std::size_t(length) >= target.size() || target.front() != '/')
        return std::nullopt;
    target.resize(std::size_t(length));
    return target;
}

} // namespace

RequestHandler::RequestHandler(const PrivilegedRoots& roots, HelperChannel& channel)
    : m_roots(roots)
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
    if (const std::optional<std::string> problem = formProblem(path))
        return refuse(path, *problem);

    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    const std::string parent = slash == 0 ? std::string("/") : trimmed.substr(0, slash);
    const std::string name = trimmed.substr(slash + 1);

    const int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return refuse(path, std::string("its folder cannot be opened: ") + std::strerror(errno));
    struct stat status { };
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return refuse(path, "its folder cannot be opened");
    }

    const bool sameFolder
        = m_batch.folder >= 0 && status.st_dev == m_batch.device && status.st_ino == m_batch.inode;
    // The check is made on the folder actually opened, not on the path: a link
    // swapped in after the check cannot redirect the removal.
    const std::optional<std::string> location = sameFolder ? m_batch.folderPath : folderLocation(fd);
    if (!location) {
        ::close(fd);
        return refuse(path, "its folder cannot be located");
    }
    const std::string resolved = (*location == "/" ? std::string() : *location) + '/' + name;
    if (!m_roots.covers(resolved)) {
        ::close(fd);
        return refuse(path, "outside the folders of system logs and caches");
    }
    if (sameFolder) {
        ::close(fd);
    } else {
        if (!flush(tool)) {
            ::close(fd);
            return false;
        }
        closeBatch();
        m_batch.folder = fd;
        m_batch.device = status.st_dev;
        m_batch.inode = status.st_ino;
        m_batch.folderPath = *location;
    }

    if (m_batch.names.size() >= kMaxNamesPerRun
        || m_batch.nameBytes + name.size() + 1 > kMaxNameBytesPerRun) {
        if (!flush(tool))
            return false;
    }
    m_batch.nameBytes += name.size() + 1;
    m_batch.names.push_back(name);
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
