#include "uninstaller/SnapApps.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "startup/DesktopEntry.h"
#include "support/UserProcesses.h"
#include "uninstaller/PackageListing.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QList<ApplicationDetails> SnapApps::rows(const QString& listOutput)
{
    QStringList lines = listOutput.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return {};
    const QStringList header = lines.takeFirst().simplified().split(u' ');
    const qsizetype nameColumn = header.indexOf(QStringLiteral("Name"));
    const qsizetype notesColumn = header.indexOf(QStringLiteral("Notes"));
    if (nameColumn < 0 || notesColumn < 0) {
        SystemLog::write(QStringLiteral("Unexpected columns in snap list: %1").arg(header.join(u' ')));
        return {};
    }
    QList<ApplicationDetails> rows;
    for (const QString& line : std::as_const(lines)) {
        const QStringList fields = line.simplified().split(u' ');
        // snapd allows no control character in any column; a line with one was made to mislead.
        if (PackageListing::hasControlCharacter(line) || fields.size() != header.size()
            || !isSnapName(fields.at(nameColumn))) {
            SystemLog::write(QStringLiteral("Ignoring an unexpected line of snap list: %1")
                                 .arg(PackageListing::escaped(line)));
            continue;
        }
        const QString& name = fields.at(nameColumn);
        if (isApplication(name, fields.at(notesColumn)))
            rows.append(
                ApplicationDetails::package(ApplicationKind::Snap, name, name, QString(), iconFile(name)));
    }
    return rows;
}

bool SnapApps::isApplication(const QString& name, const QString& notes)
{
    for (const QString& note : notes.split(u',')) {
        if (note == QStringLiteral("base") || note == QStringLiteral("snapd")
            || note == QStringLiteral("core"))
            return false;
    }
    static const QRegularExpression platform(
        QStringLiteral("^(bare|snapd|core[0-9]*|.*-themes|gnome-[0-9].*|kde-frameworks-.*|kf[56]-.*|mesa-.*|"
                       "gpu-.*|wine-platform-.*)$"));
    return !platform.match(name).hasMatch();
}

bool SnapApps::isSnapName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*(_[a-z0-9]{1,10})?$"));
    return name.size() <= 64 && pattern.match(name).hasMatch();
}

QStringList SnapApps::uninstallArguments(const QString& name)
{
    return { QStringLiteral("remove"), QStringLiteral("--"), name };
}

bool SnapApps::isRunning(const QString& name, const QString& procFolder)
{
    const QString mount = QDir::cleanPath(Locations::current().snapMount + u'/' + name) + u'/';
    for (const UserProcesses::Process& process : UserProcesses::list(procFolder)) {
        if (process.executable.startsWith(mount))
            return true;
    }
    return false;
}

SupportFileSearch::Found SnapApps::supportFolder(const QString& name)
{
    return { Locations::current().snapUserData, { name } };
}

QStringList SnapApps::desktopIds(const QString& name)
{
    return QDir(Locations::current().snapDesktopEntries)
        .entryList({ name + QStringLiteral("_*.desktop") }, QDir::Files, QDir::Name);
}

QString SnapApps::iconFile(const QString& name)
{
    const QDir gui(Locations::current().snapMount + u'/' + name + QStringLiteral("/current/meta/gui"));
    const QStringList pictures
        = gui.entryList({ QStringLiteral("*.png"), QStringLiteral("*.svg") }, QDir::Files, QDir::Name);
    if (!pictures.isEmpty())
        return gui.filePath(pictures.first());
    // Otherwise the icon its desktop entry names, which snapd points into the snap.
    for (const QString& id : desktopIds(name)) {
        const auto entry = DesktopEntry::read(Locations::current().snapDesktopEntries + u'/' + id);
        const QString icon = entry
            ? entry->value(QString::fromLatin1(DesktopEntry::kMainGroup), QStringLiteral("Icon"))
            : QString();
        if (QFileInfo(icon).isAbsolute() && QFileInfo(icon).isFile())
            return icon;
    }
    return {};
}
