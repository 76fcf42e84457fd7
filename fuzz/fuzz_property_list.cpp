#include "FuzzSandbox.h"

#include "platform/PropertyList.h"

#include <cstddef>
#include <cstdint>

// Any bytes, XML or binary: parsing must neither crash nor leak, and what
// parses must be writable back or refused cleanly.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSandbox::ensure();
    const auto parsed = PropertyList::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (parsed)
        (void)PropertyList::toXml(*parsed);
    return 0;
}
