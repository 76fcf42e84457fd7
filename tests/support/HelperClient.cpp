#include "support/HelperClient.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

HelperClient::HelperClient(const std::string& helper, const std::vector<std::string>& environment,
    const std::string& workingFolder, uid_t user)
{
    int input[2], output[2];
    m_errors = ::memfd_create("helper-errors", MFD_CLOEXEC);
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 || m_errors < 0)
        return;
    std::vector<char*> environmentPointers;
    for (const std::string& entry : environment)
        environmentPointers.push_back(const_cast<char*>(entry.c_str()));
    environmentPointers.push_back(nullptr);
    char* arguments[] = { const_cast<char*>(helper.c_str()), nullptr };
    m_pid = ::fork();
    if (m_pid == 0) {
        const bool asUser
            = user == 0 || (::setgroups(0, nullptr) == 0 && ::setgid(user) == 0 && ::setuid(user) == 0);
        if (asUser && ::dup2(input[0], STDIN_FILENO) >= 0 && ::dup2(output[1], STDOUT_FILENO) >= 0
            && ::dup2(m_errors, STDERR_FILENO) >= 0 && ::chdir(workingFolder.c_str()) == 0)
            ::execve(helper.c_str(), arguments, environmentPointers.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    m_input = input[1];
    m_output = output[0];
    ::signal(SIGPIPE, SIG_IGN);
    std::string tag, payload;
    m_ready = nextRecord(tag, payload) && tag == "ready";
}

HelperClient::~HelperClient()
{
    for (const int fd : { m_input, m_output, m_errors })
        ::close(fd);
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, 0);
}

std::string HelperClient::request(const std::string& tool, const std::vector<std::string>& paths)
{
    std::string bytes = tool + '\0';
    for (const std::string& path : paths)
        bytes += path + '\0';
    return bytes + '\0';
}

bool HelperClient::writeDefinitions(const std::string& folder, const std::vector<std::string>& logRoots,
    const std::vector<std::string>& cacheRoots)
{
    // The tests' paths hold no character XML would need escaped.
    const auto write = [&folder](const char* name, const char* key, const std::vector<std::string>& entries) {
        std::ofstream file(folder + name, std::ios::trunc);
        file << "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>" << key << "</key><array>\n";
        for (const std::string& entry : entries)
            file << "<string>" << entry << "</string>\n";
        file << "</array></dict></plist>\n";
        return bool(file.flush());
    };
    return write("/SysLogPaths.plist", "LogPaths", logRoots)
        && write("/SystemCachePaths.plist", "System Cache", cacheRoots);
}

// The request goes from a thread of its own: the helper may answer a part
// before it has read the rest, and neither side may wait on the other.
HelperClient::Reply HelperClient::send(const std::string& request)
{
    std::thread writer([this, &request] {
        for (std::size_t written = 0; written < request.size();) {
            const ssize_t count = ::write(m_input, request.data() + written, request.size() - written);
            if (count <= 0)
                return;
            written += std::size_t(count);
        }
    });
    Reply reply;
    std::string tag, payload;
    while (!reply.answered && nextRecord(tag, payload)) {
        const std::size_t nul = payload.find('\0');
        if (tag == "refused")
            reply.refused[payload.substr(nul + 1)] = payload.substr(0, nul);
        reply.answered = tag == "done" || tag == "rejected";
        if (tag == "done")
            reply.status = std::stoi(payload);
        if (tag == "rejected")
            reply.rejected = payload;
    }
    writer.join();
    return reply;
}

std::string HelperClient::problems() const
{
    std::string text(std::size_t(std::max<off_t>(::lseek(m_errors, 0, SEEK_END), 0)), '\0');
    return ::pread(m_errors, text.data(), text.size(), 0) == ssize_t(text.size()) ? text : std::string();
}

long HelperClient::peakMemoryKiB() const
{
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:"))
            return std::stol(line.substr(6));
    }
    return -1;
}

// Reads one record "<tag> <length>\n<payload>"; false when the helper is gone.
bool HelperClient::nextRecord(std::string& tag, std::string& payload)
{
    while (true) {
        const std::size_t space = m_buffer.find(' ', m_position), newline = m_buffer.find('\n', m_position);
        if (space < newline && newline != std::string::npos) {
            const std::size_t length = std::stoul(m_buffer.substr(space + 1, newline - space - 1));
            if (m_buffer.size() - newline - 1 >= length) {
                tag = m_buffer.substr(m_position, space - m_position);
                payload = m_buffer.substr(newline + 1, length);
                m_position = newline + 1 + length;
                return true;
            }
        }
        m_buffer.erase(0, std::exchange(m_position, 0));
        char chunk[65536];
        const ssize_t count = ::read(m_output, chunk, sizeof chunk);
        if (count <= 0)
            return false;
        m_buffer.append(chunk, std::size_t(count));
    }
}
