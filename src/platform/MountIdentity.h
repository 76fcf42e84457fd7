#pragma once

#include <cstdint>
#include <optional>

// Which mount an open file or folder is reached through. A bind mount shows
// the device and inodes of the folder it was taken from, so only the kernel's
// mount id tells that a walk has left the mount it started on. Plain C++: the
// privileged helper, which links no Qt, keeps to the same rule.
class MountIdentity final {
public:
    MountIdentity() = delete;

    // The mount id of `name` in the open folder, or of the folder itself when
    // `name` is empty; a link itself, never its target. Nothing when the
    // kernel does not tell (statx without STATX_MNT_ID, before Linux 5.8).
    static std::optional<std::uint64_t> of(int folder, const char* name = "");

    // Whether `inner`, opened from `outer`, lies on the same mount. When the
    // kernel cannot tell, the answer is no: a folder that may be a mount point
    // is treated as one, so a walk stops there rather than guess.
    static bool same(int outer, int inner);
};
