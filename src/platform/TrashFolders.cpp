#include "platform/TrashFolders.h"

#include "platform/Locations.h"

#include <QFile>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <utility>

namespace {

std::optional<struct stat> linkStatus(const QString& path)
{
    struct stat info { };
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

} // namespace

QString TrashFolders::Folder::path() const
{
    if (below.isEmpty())
        return base;
    return (base.endsWith(u'/') ? base.chopped(1) : base) + u'/' + below.join(u'/');
}

QString TrashFolders::infoFileName(const QString& name)
{
    return name + QStringLiteral(".trashinfo");
}

QList<TrashFolders::Folder> TrashFolders::find(const Locations& locations, QStringList* passedOver)
{
    const uid_t user = getuid();
    const QString uid = QString::number(user);
    QList<Folder> found;
    QSet<std::pair<quint64, quint64>> seen;
    const auto passOver = [passedOver](const QString& path, const char* why) {
        if (passedOver)
            passedOver->append(QStringLiteral("Passing over the trash folder %1: %2").arg(path, QLatin1String(why)));
    };
    // A folder of the user's own, reached without a link: anyone who can write
    // the volume's top folder could otherwise point the removal elsewhere.
    const auto add = [&](const Folder& folder) {
        const std::optional<struct stat> info = linkStatus(folder.path());
        if (!info)
            return;
        if (!S_ISDIR(info->st_mode))
            return passOver(folder.path(), "it is a link or not a folder");
        if (info->st_uid != user)
            return passOver(folder.path(), "it belongs to another user");
        if (!seen.contains({ info->st_dev, info->st_ino })) {
            seen.insert({ info->st_dev, info->st_ino });
            found.append(folder);
        }
    };

    // The user's own folder; a link to a trash elsewhere is the user's choice.
    struct stat home { };
    if (stat(QFile::encodeName(locations.userTrash).constData(), &home) == 0 && S_ISDIR(home.st_mode)) {
        seen.insert({ home.st_dev, home.st_ino });
        found.append({ locations.userTrash, {} });
    }
    for (const QString& mount : locations.mountPoints()) {
        const QString shared = Folder { mount, { QStringLiteral(".Trash") } }.path();
        if (const std::optional<struct stat> info = linkStatus(shared)) {
            // Everyone may write a shared ".Trash": only the sticky bit keeps
            // others from swapping the user's folder in it.
            if (!S_ISDIR(info->st_mode))
                passOver(shared, "it is a link or not a folder");
            else if (!(info->st_mode & S_ISVTX))
                passOver(shared, "it is not sticky");
            else
                add({ mount, { QStringLiteral(".Trash"), uid } });
        }
        add({ mount, { QStringLiteral(".Trash-") + uid } });
    }
    return found;
}
