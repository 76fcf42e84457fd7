#include "support/HelperClient.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 120000;

std::string xmlEscaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

bool writePlist(const std::string& path, const char* key, const std::vector<std::string>& entries)
{
    std::ofstream file(path, std::ios::trunc);
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n<key>" << key
         << "</key>\n<array>\n";
    for (const std::string& entry : entries)
        file << "<string>" << xmlEscaped(entry) << "</string>\n";
    file << "</array>\n</dict>\n</plist>\n";
    return bool(file.flush());
}

} // namespace

HelperClient::HelperClient(
    const std::string& helper, const std::vector<std::string>& environment, const std::string& workingFolder)
{
    int input[2], output[2], errors[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0)
        return;
    std::vector<char*> environmentPointers;
    for (const std::string& entry : environment)
        environmentPointers.push_back(const_cast<char*>(entry.c_str()));
    environmentPointers.push_back(nullptr);
    char* arguments[] = { const_cast<char*>(helper.c_str()), nullptr };

    m_pid = ::fork();
    if (m_pid == 0) {
        if (::dup2(input[0], STDIN_FILENO) < 0 || ::dup2(output[1], STDOUT_FILENO) < 0
            || ::dup2(errors[1], STDERR_FILENO) < 0 || ::chdir(workingFolder.c_str()) != 0)
            ::_exit(127);
        ::execve(helper.c_str(), arguments, environmentPointers.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    ::close(errors[1]);
    m_input = input[1];
    m_output = output[0];
    m_errors = errors[0];
    ::fcntl(m_input, F_SETFL, O_NONBLOCK);
    ::signal(SIGPIPE, SIG_IGN);

    std::string tag, payload;
    std::size_t nothing = 0;
    while (!takeRecord(tag, payload) && pump(false, {}, nothing)) { }
    m_ready = tag == "ready";
}

HelperClient::~HelperClient()
{
    for (const int fd : { m_input, m_output, m_errors }) {
        if (fd >= 0)
            ::close(fd);
    }
    if (m_pid > 0) {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
}

std::string HelperClient::request(const std::string& tool, const std::vector<std::string>& paths)
{
    std::string bytes = tool;
    bytes.push_back('\0');
    for (const std::string& path : paths) {
        bytes += path;
        bytes.push_back('\0');
    }
    bytes.push_back('\0');
    return bytes;
}

bool HelperClient::writeDefinitions(const std::string& folder, const std::vector<std::string>& logRoots,
    const std::vector<std::string>& cacheRoots)
{
    return writePlist(folder + "/SysLogPaths.plist", "LogPaths", logRoots)
        && writePlist(folder + "/SystemCachePaths.plist", "System Cache", cacheRoots);
}

HelperClient::Reply HelperClient::send(const std::string& request)
{
    Reply reply;
    std::size_t written = 0;
    std::string tag, payload;
    while (true) {
        while (takeRecord(tag, payload)) {
            if (tag == "refused") {
                const std::size_t nul = payload.find('\0');
                reply.refused.emplace_back(payload.substr(nul + 1), payload.substr(0, nul));
            } else if (tag == "err") {
                reply.errorOutput += payload;
            } else if (tag == "done" || tag == "rejected") {
                reply.answered = true;
                reply.status = tag == "done" ? std::stoi(payload) : -1;
                reply.rejected = tag == "rejected" ? payload : std::string();
                return reply;
            }
        }
        if (!pump(written < request.size(), request, written))
            return reply;
    }
}

const std::string& HelperClient::problems()
{
    if (m_errors >= 0) {
        ::fcntl(m_errors, F_SETFL, O_NONBLOCK);
        char chunk[4096];
        ssize_t count = 0;
        while ((count = ::read(m_errors, chunk, sizeof chunk)) > 0)
            m_problems.append(chunk, std::size_t(count));
    }
    return m_problems;
}

long HelperClient::peakMemoryKiB() const
{
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::stol(line.substr(6));
    }
    return -1;
}

// Waits for the helper to answer or take more input; false when it is gone or silent.
bool HelperClient::pump(bool writing, const std::string& request, std::size_t& written)
{
    if (m_output < 0)
        return false;
    pollfd fds[2] = { { m_output, POLLIN, 0 }, { writing ? m_input : -1, POLLOUT, 0 } };
    const int ready = ::poll(fds, 2, kTimeoutMs);
    if (ready <= 0)
        return ready < 0 && errno == EINTR;
    if (fds[1].revents & (POLLOUT | POLLERR)) {
        const ssize_t count = ::write(m_input, request.data() + written, request.size() - written);
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        written += std::size_t(std::max<ssize_t>(count, 0));
    }
    if (fds[0].revents & (POLLIN | POLLHUP)) {
        char chunk[65536];
        const ssize_t count = ::read(m_output, chunk, sizeof chunk);
        if (count == 0)
            return false;
        if (count > 0) {
            m_buffer.erase(0, m_position);
            m_position = 0;
            m_buffer.append(chunk, std::size_t(count));
        }
    }
    return true;
}

bool HelperClient::takeRecord(std::string& tag, std::string& payload)
{
    const std::size_t space = m_buffer.find(' ', m_position);
    const std::size_t newline = m_buffer.find('\n', m_position);
    if (space == std::string::npos || newline == std::string::npos || space > newline)
        return false;
    const std::size_t length = std::stoul(m_buffer.substr(space + 1, newline - space - 1));
    if (m_buffer.size() - newline - 1 < length)
        return false;
    tag = m_buffer.substr(m_position, space - m_position);
    payload = m_buffer.substr(newline + 1, length);
    m_position = newline + 1 + length;
    if (m_position == m_buffer.size()) {
        m_buffer.clear();
        m_position = 0;
    }
    return true;
}
