#include "uninstaller/SupportFileSearch.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "startup/DesktopEntry.h"
#include "startup/ExecCommandLine.h"
#include "support/ApplicationUtility.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

const QString kMainGroup = QString::fromLatin1(DesktopEntry::kMainGroup);

QStringList desktopEntryFolders()
{
    const Locations& l = Locations::current();
    return { l.userDesktopEntries, l.localApplicationSupport + QStringLiteral("/applications"),
        l.systemDesktopEntries, l.flatpakUserExports + QStringLiteral("/applications"),
        l.flatpakSystemExports + QStringLiteral("/applications"), l.snapDesktopEntries };
}

QString baseName(const QString& path)
{
    return path.section(u'/', -1);
}

// lstat's view: a link is neither, whatever it leads to.
bool isPlainFile(const QString& path)
{
    const QFileInfo info(path);
    return !info.isSymLink() && info.isFile();
}

QStringList plainFoldersIn(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
}

void sortByPath(QList<SupportFileSearch::Found>& found)
{
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
    found.erase(std::unique(found.begin(), found.end(),
                    [](const auto& a, const auto& b) { return a.path() == b.path(); }),
        found.end());
}

// Every name by which installed applications other than `ownEntries` are
// known to the desktop, in lower case: the entry's id, its icon, program and
// window class. A support folder bearing one of them belongs to that one too.
QSet<QString> namesOfOtherApplications(const QStringList& ownEntries)
{
    QSet<QString> names;
    for (const QString& folder : desktopEntryFolders()) {
        const QFileInfoList entries
            = QDir(folder).entryInfoList({ QStringLiteral("*.desktop") }, QDir::Files, QDir::Name);
        for (const QFileInfo& info : entries) {
            if (ownEntries.contains(info.absoluteFilePath()))
                continue;
            const QString id = info.completeBaseName().toLower();
            names << id << id.section(u'.', -1);
            const auto entry = DesktopEntry::read(info.absoluteFilePath());
            if (!entry)
                continue;
            const QString icon = entry->value(kMainGroup, QStringLiteral("Icon"));
            names << (QFileInfo(icon).isAbsolute() ? QFileInfo(icon).completeBaseName() : icon).toLower()
                  << entry->value(kMainGroup, QStringLiteral("StartupWMClass")).toLower();
            if (const auto command = ExecCommandLine::split(entry->value(kMainGroup, QStringLiteral("Exec"))))
                names << baseName(command->first()).toLower();
        }
    }
    names.remove(QString());
    return names;
}

} // namespace

bool SupportFileSearch::isSharedName(const QString& name)
{
    static const QRegularExpression shared(
        QStringLiteral(
            "^(dconf|keyrings|trash|applications|icons|fonts|mime|systemd|autostart|pulse|pipewire|"
            "wireplumber"
            "|gnome-.*|kde.*|gtk-.*|xdg-.*|flatpak|snap|snapd|recently-used\\.xbel|user-dirs\\..*|menus"
            "|desktop-directories|themes|sounds|thumbnails|fontconfig|ibus|evolution|gvfs-metadata|tracker.*"
            "|dbus-1|environment\\.d|mimeapps\\.list|session|sessions|xsettingsd|xfce4|lxsession|cinnamon"
            "|nautilus|nemo|plasma.*|kwin.*|akonadi|baloo|gnupg|ssh|pki|nss|containers|libvirt|keyring.*"
            "|bin|lib|share|state|log|logs|cache|config|data|local|tmp)$"),
        QRegularExpression::CaseInsensitiveOption);
    return shared.match(name).hasMatch();
}

bool SupportFileSearch::isSearchableName(const QString& name)
{
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..")
        && !name.contains(u'/') && !name.contains(QChar(0));
}

QList<SupportFileSearch::Found> SupportFileSearch::namedIn(
    const QStringList& names, const QStringList& folders, const QStringList& ownEntries)
{
    QStringList searched;
    for (const QString& name : names) {
        if (!isSearchableName(name))
            SystemLog::write(QStringLiteral("Not searching for support files named \"%1\"").arg(name));
        else if (!searched.contains(name))
            searched.append(name);
    }
    QList<Found> matches;
    for (const QString& folder : folders) {
        for (const QString& name : std::as_const(searched)) {
            for (const QString& match : ApplicationUtility::matchesForFilename(name, folder)) {
                // A search folder (reported by a search in itself or in its parent)
                // holds other applications' files too; it is never one of ours.
                if (!match.isEmpty() && !folders.contains(QDir::cleanPath(match)))
                    matches.append({ folder, { name } });
            }
        }
    }
    sortByPath(matches);

    QList<Found> found;
    std::optional<QSet<QString>> others;
    for (Found& match : matches) {
        const QString& name = match.inside.constLast();
        if (isSharedName(name)) {
            SystemLog::write(
                QStringLiteral("Not a support file, desktop components share it: %1").arg(match.path()));
            continue;
        }
        if (!others)
            others = namesOfOtherApplications(ownEntries);
        const QString lower = name.toLower();
        match.shared = others->contains(lower) || others->contains(QFileInfo(lower).completeBaseName());
        found.append(match);
    }
    return found;
}

QStringList SupportFileSearch::entriesExecuting(const QString& file)
{
    const QString folder = Locations::current().userDesktopEntries;
    QStringList executing;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        { QStringLiteral("*.desktop") }, QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& info : entries) {
        const auto entry = DesktopEntry::read(info.absoluteFilePath());
        if (!entry)
            continue;
        const auto command = ExecCommandLine::split(entry->value(kMainGroup, QStringLiteral("Exec")));
        if ((command && command->first() == file)
            || entry->value(kMainGroup, QStringLiteral("TryExec")) == file)
            executing.append(info.absoluteFilePath());
    }
    return executing;
}

QList<SupportFileSearch::Found> SupportFileSearch::iconFiles(const QStringList& entries)
{
    QStringList names;
    for (const QString& path : entries) {
        const auto entry = DesktopEntry::read(path);
        const QString icon = entry ? entry->value(kMainGroup, QStringLiteral("Icon")) : QString();
        if (icon.isEmpty())
            continue;
        // A path could name any file of the user's, an ssh key as well as an
        // icon another program keeps: only a name is looked up, in the icon folders.
        if (isSearchableName(icon))
            names.append(icon);
        else
            SystemLog::write(QStringLiteral("Not taking an icon given as a path in %1: %2").arg(path, icon));
    }
    if (names.isEmpty())
        return {};
    const Locations& l = Locations::current();
    const QStringList extensions { QStringLiteral(".png"), QStringLiteral(".svg"), QStringLiteral(".xpm") };
    QList<Found> icons;
    const auto lookIn = [&](const QString& folder, const QStringList& below) {
        const QString prefix = below.isEmpty() ? folder : folder + u'/' + below.join(u'/');
        for (const QString& name : std::as_const(names)) {
            for (const QString& extension : extensions) {
                if (isPlainFile(prefix + u'/' + name + extension))
                    icons.append({ folder, below + QStringList { name + extension }, false, false });
            }
        }
    };
    for (const QString& theme : plainFoldersIn(l.userIcons)) {
        for (const QString& size : plainFoldersIn(l.userIcons + u'/' + theme)) {
            if (plainFoldersIn(l.userIcons + u'/' + theme + u'/' + size).contains(QStringLiteral("apps")))
                lookIn(l.userIcons, { theme, size, QStringLiteral("apps") });
        }
    }
    lookIn(l.userPixmaps, {});
    sortByPath(icons);
    return icons;
}

QList<SupportFileSearch::Found> SupportFileSearch::iconsOfEntries(const QStringList& entries)
{
    QList<Found> icons = iconFiles(entries);
    if (icons.isEmpty())
        return icons;
    const QSet<QString> others = namesOfOtherApplications(entries);
    for (Found& icon : icons)
        icon.shared = others.contains(QFileInfo(icon.inside.constLast()).completeBaseName().toLower());
    return icons;
}

QString SupportFileSearch::iconOfEntries(const QStringList& entries)
{
    const QList<Found> icons = iconFiles(entries);
    return icons.isEmpty() ? QString() : icons.first().path();
}

QString SupportFileSearch::Found::path() const
{
    return folder + u'/' + inside.join(u'/');
}
