#include "platform/MountIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>

std::optional<std::uint64_t> MountIdentity::of(int folder, const char* name)
{
    struct statx status { };
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(folder, name, flags, STATX_MNT_ID, &status) != 0 || !(status.stx_mask & STATX_MNT_ID))
        return std::nullopt;
    return status.stx_mnt_id;
}

bool MountIdentity::same(int outer, int inner)
{
    const std::optional<std::uint64_t> above = of(outer);
    return above && above == of(inner);
}
