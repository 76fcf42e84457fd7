#include "uninstaller/SupportFileSearch.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "startup/DesktopEntry.h"
#include "startup/ExecCommandLine.h"
#include "support/ApplicationUtility.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

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
    QStringList matches;
    for (const QString& folder : folders) {
        for (const QString& name : std::as_const(searched)) {
            for (const QString& match : ApplicationUtility::matchesForFilename(name, folder)) {
                // A search folder (reported by a search in itself or in its parent)
                // holds other applications' files too; it is never one of ours.
                if (!match.isEmpty() && !folders.contains(QDir::cleanPath(match)))
                    matches.append(match);
            }
        }
    }
    matches.sort();
    matches.removeDuplicates();

    QList<Found> found;
    std::optional<QSet<QString>> others;
    for (const QString& match : std::as_const(matches)) {
        const QString name = baseName(match);
        if (isSharedName(name)) {
            SystemLog::write(
                QStringLiteral("Not a support file, desktop components share it: %1").arg(match));
            continue;
        }
        if (!others)
            others = namesOfOtherApplications(ownEntries);
        const QString lower = name.toLower();
        found.append(
            { match, others->contains(lower) || others->contains(QFileInfo(lower).completeBaseName()) });
    }
    return found;
}

QStringList SupportFileSearch::entriesExecuting(const QString& file)
{
    const QString folder = Locations::current().userDesktopEntries;
    QStringList executing;
    const QFileInfoList entries
        = QDir(folder).entryInfoList({ QStringLiteral("*.desktop") }, QDir::Files, QDir::Name);
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

QStringList SupportFileSearch::iconsOfEntries(const QStringList& entries)
{
    const Locations& l = Locations::current();
    QStringList icons;
    QSet<QString> named; // icons named by theme name, looked for in one walk
    for (const QString& path : entries) {
        const auto entry = DesktopEntry::read(path);
        const QString icon = entry ? entry->value(kMainGroup, QStringLiteral("Icon")) : QString();
        if (icon.isEmpty() || icon.contains(QChar(0)))
            continue;
        if (QFileInfo(icon).isAbsolute()) {
            // An icon elsewhere on the machine is someone else's to keep.
            if (QDir::cleanPath(icon).startsWith(l.home + u'/') && QFileInfo(icon).isFile())
                icons.append(QDir::cleanPath(icon));
            continue;
        }
        if (!icon.contains(u'/'))
            named.insert(icon);
    }
    if (!named.isEmpty()) {
        QDirIterator walk(l.userIcons, QDir::Files, QDirIterator::Subdirectories);
        while (walk.hasNext()) {
            walk.next();
            if (named.contains(walk.fileInfo().completeBaseName()))
                icons.append(walk.filePath());
        }
    }
    icons.sort();
    icons.removeDuplicates();
    return icons;
}

QString SupportFileSearch::iconOfEntries(const QStringList& entries)
{
    const QStringList icons = iconsOfEntries(entries);
    return icons.isEmpty() ? QString() : icons.first();
}
