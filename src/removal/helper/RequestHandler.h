#pragma once

#include "removal/helper/PrivilegedRoots.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class HelperChannel;

// Answers one request: checks the tool and every path, runs the tool on the
// paths that pass, and sends the reply records.
class RequestHandler final {
public:
    // A run of the tool takes at most this many names and bytes of names, far
    // below the kernel's limit on the argument list of one program.
    static constexpr std::size_t kMaxNamesPerRun = 4096;
    static constexpr std::size_t kMaxNameBytesPerRun = 512 * 1024;

    // requester: the user the removal is made for; nothing when that cannot be told.
    RequestHandler(const PrivilegedRoots& roots, std::optional<uid_t> requester, HelperChannel& channel);
    RequestHandler(const RequestHandler&) = delete;
    RequestHandler& operator=(const RequestHandler&) = delete;

    // False when the reply could not be sent.
    bool handle(const std::vector<std::string>& fields);

private:
    struct Batch {
        int folder = -1;
        dev_t device = 0;
        ino_t inode = 0;
        std::vector<std::string> names;
        std::size_t nameBytes = 0;
    };

    bool handlePath(const std::string& tool, const std::string& path);
    bool refuse(const std::string& path, const std::string& reason);
    bool flush(const std::string& tool);
    void closeBatch();

    const PrivilegedRoots& m_roots;
    const std::optional<uid_t> m_requester;
    HelperChannel& m_channel;
    Batch m_batch;
    int m_status = 0;
};
