// Peak resident memory of velmora-remove-helper for requests of several
// shapes, the hostile ones included: a request beyond the bounds must cost no
// more than one within them. Run as an unprivileged user; every path sent is
// relative, so the helper refuses each without touching anything.

#include "removal/helper/HelperProtocol.h"
#include "support/HelperClient.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string request(std::size_t fields, std::size_t fieldBytes)
{
    std::string bytes = std::string(HelperProtocol::kRemoveFileTool) + '\0';
    const std::string field(fieldBytes, 'x');
    for (std::size_t i = 0; i < fields; ++i) {
        bytes += field;
        bytes.push_back('\0');
    }
    bytes.push_back('\0');
    return bytes;
}

// The peak resident memory in KiB of a helper started for the one request,
// once it has answered; -1 when it did not answer.
long peakMemoryKiB(const std::string& folder, const std::string& bytes)
{
    HelperClient helper(
        VELMORA_BUILD_HELPER, { std::string(HelperProtocol::kDefinitionsVariable) + '=' + folder }, folder);
    if (!helper.ready() || !helper.send(bytes).answered)
        return -1;
    return helper.peakMemoryKiB();
}

} // namespace

int main()
{
    if (::geteuid() == 0) {
        std::puts("run as an unprivileged user: as root the helper reads the installed definitions");
        return 1;
    }
    char folder[] = "/tmp/velmora-helper-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const struct {
        const char* shape;
        std::size_t fields;
        std::size_t fieldBytes;
    } shapes[] = {
        { "an empty request", 0, 0 },
        { "100,000 paths of 1 byte (the bound)", 100000, 1 },
        { "4,000 paths of 4,095 bytes (near 16 MiB)", 4000, 4095 },
        { "1,000,000 paths of 1 byte (rejected)", 1000000, 1 },
        { "one field of 100 KB (rejected)", 1, 100000 },
        { "one field of 64 MiB (rejected)", 1, 64 * 1024 * 1024 },
    };
    for (const auto& shape : shapes)
        std::printf("%-45s peak RSS %6ld KiB\n", shape.shape,
            peakMemoryKiB(folder, request(shape.fields, shape.fieldBytes)));
    ::rmdir(folder);
    return 0;
}
