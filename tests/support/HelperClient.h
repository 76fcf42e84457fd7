#pragma once

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

// Speaks to velmora-remove-helper directly over its standard input and output,
// with an environment of the test's choosing and nothing inherited, so a test
// sends exactly the bytes it means, hostile ones included. Plain C++: the
// program that runs the helper as root links no Qt.
class HelperClient final {
public:
    struct Reply {
        bool answered = false; // the reply ended with done or rejected
        int status = -1; // of done
        std::string rejected; // the reason a request was refused whole
        std::map<std::string, std::string> refused; // path, reason
    };

    // A root test may start the helper as `user` (its group the same number),
    // to reach the unprivileged helper's ways; 0 keeps the test's own rights.
    HelperClient(const std::string& helper, const std::vector<std::string>& environment,
        const std::string& workingFolder, uid_t user = 0);
    ~HelperClient();
    HelperClient(const HelperClient&) = delete;
    HelperClient& operator=(const HelperClient&) = delete;

    static std::string request(const std::string& tool, const std::vector<std::string>& paths);
    static bool writeDefinitions(const std::string& folder, const std::vector<std::string>& logRoots,
        const std::vector<std::string>& cacheRoots);

    bool ready() const { return m_ready; }
    Reply send(const std::string& request);
    // What the helper wrote to its standard error so far.
    std::string problems() const;
    // The helper's peak resident memory so far, in KiB; -1 when it cannot be read.
    long peakMemoryKiB() const;

private:
    bool nextRecord(std::string& tag, std::string& payload);

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    int m_errors = -1;
    bool m_ready = false;
    std::string m_buffer;
    std::size_t m_position = 0;
};
