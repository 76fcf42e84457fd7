#include "removal/helper/ToolRun.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void closeBoth(int (&pipe)[2])
{
    for (int& fd : pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

[[noreturn]] void runChild(const std::string& tool, int folderDescriptor,
    const std::vector<std::string>& names, int outputPipe, int errorPipe)
{
    // The helper ignores SIGPIPE to survive Velmora going away; the tool must not inherit that.
    ::signal(SIGPIPE, SIG_DFL);
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || ::dup2(outputPipe, STDOUT_FILENO) < 0
        || ::dup2(errorPipe, STDERR_FILENO) < 0)
        ::_exit(127);
    if (::fchdir(folderDescriptor) != 0) {
        const char message[] = "velmora-remove-helper: cannot enter the folder\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    std::vector<char*> arguments;
    arguments.reserve(names.size() + 3);
    arguments.push_back(const_cast<char*>(tool.c_str()));
    arguments.push_back(const_cast<char*>("--"));
    for (const std::string& name : names)
        arguments.push_back(const_cast<char*>(name.c_str()));
    arguments.push_back(nullptr);
    ::execv(tool.c_str(), arguments.data());
    const std::string message
        = "velmora-remove-helper: cannot run " + tool + ": " + std::strerror(errno) + "\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message.data(), message.size());
    ::_exit(127);
}

// Reads both pipes until the tool has closed them; reading only one could leave
// the tool blocked on a full other pipe.
void collect(int outputFd, int errorFd, std::string& output, std::string& errorOutput)
{
    struct pollfd fds[2] = { { outputFd, POLLIN, 0 }, { errorFd, POLLIN, 0 } };
    std::string* targets[2] = { &output, &errorOutput };
    int open = 2;
    char chunk[65536];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t count = ::read(fds[i].fd, chunk, sizeof chunk);
            if (count > 0) {
                targets[i]->append(chunk, std::size_t(count));
            } else if (count == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

ToolRun::Result ToolRun::run(
    const std::string& tool, int folderDescriptor, const std::vector<std::string>& names)
{
    Result result;
    int outputPipe[2] = { -1, -1 };
    int errorPipe[2] = { -1, -1 };
    if (::pipe2(outputPipe, O_CLOEXEC) != 0 || ::pipe2(errorPipe, O_CLOEXEC) != 0) {
        result.exitStatus = 127;
        result.errorOutput = std::string("velmora-remove-helper: no pipe: ") + std::strerror(errno) + "\n";
        closeBoth(outputPipe);
        closeBoth(errorPipe);
        return result;
    }

    const pid_t child = ::fork();
    if (child == 0)
        runChild(tool, folderDescriptor, names, outputPipe[1], errorPipe[1]);
    ::close(outputPipe[1]);
    ::close(errorPipe[1]);
    if (child < 0) {
        result.exitStatus = 127;
        result.errorOutput
            = std::string("velmora-remove-helper: cannot start ") + tool + ": " + std::strerror(errno) + "\n";
        ::close(outputPipe[0]);
        ::close(errorPipe[0]);
        return result;
    }

    collect(outputPipe[0], errorPipe[0], result.output, result.errorOutput);
    ::close(outputPipe[0]);
    ::close(errorPipe[0]);

    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            result.exitStatus = 127;
            return result;
        }
    }
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.exitStatus = 128 + WTERMSIG(status);
    return result;
}
