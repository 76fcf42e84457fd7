#include "FuzzSandbox.h"

#include "platform/PropertyList.h"
#include "results/SimpleTreeNode.h"

#include <cstddef>
#include <cstdint>

// A results file the user (or anything else) may have edited, read into the
// tree the review and fix pages show.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSandbox::ensure();
    const auto parsed = PropertyList::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (parsed && parsed->typeId() == QMetaType::QVariantMap) {
        bool secured = false;
        (void)SimpleTreeNode::treeFromDictionary(parsed->toMap(), &secured);
    }
    return 0;
}
