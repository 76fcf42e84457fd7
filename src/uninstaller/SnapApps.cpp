#include "uninstaller/SnapApps.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "startup/DesktopEntry.h"
#include "support/UserProcesses.h"
#include "uninstaller/PackageListing.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace {

struct SnapLine {
    QString name;
    QString revision;
    QString notes;
};

// The lines of a snap listing, each checked as SnapApps::rows describes, or
// nothing for output of an unknown layout; both with their log lines.
std::optional<QList<SnapLine>> snapLines(const QString& listOutput)
{
    QStringList lines = listOutput.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return QList<SnapLine>();
    const QStringList header = lines.takeFirst().simplified().split(u' ');
    const qsizetype nameColumn = header.indexOf(QStringLiteral("Name"));
    const qsizetype revisionColumn = header.indexOf(QStringLiteral("Rev"));
    const qsizetype notesColumn = header.indexOf(QStringLiteral("Notes"));
    if (nameColumn < 0 || revisionColumn < 0 || notesColumn < 0) {
        SystemLog::write(QStringLiteral("Unexpected columns in snap list: %1").arg(header.join(u' ')));
        return std::nullopt;
    }
    QList<SnapLine> checked;
    for (const QString& line : std::as_const(lines)) {
        const QStringList fields = line.simplified().split(u' ');
        // snapd allows no control character in any column; a line with one was made to mislead.
        if (PackageListing::hasControlCharacter(line) || fields.size() != header.size()
            || !SnapApps::isSnapName(fields.at(nameColumn))) {
            SystemLog::write(QStringLiteral("Ignoring an unexpected line of snap list: %1")
                                 .arg(PackageListing::escaped(line)));
            continue;
        }
        checked.append({ fields.at(nameColumn), fields.at(revisionColumn), fields.at(notesColumn) });
    }
    return checked;
}

bool hasNote(const QString& notes, const QString& note)
{
    return notes.split(u',').contains(note);
}

} // namespace

SnapApps::Listing SnapApps::read(const QString& listOutput)
{
    static const QRegularExpression revision(QStringLiteral("^x?[0-9]{1,12}$"));
    static const QRegularExpression separator(QStringLiteral("[\\s\\x00-\\x1f\\x7f]+"));
    Listing listing;
    const QStringList lines = listOutput.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        listing.installed.insert(lines.at(i).trimmed().section(separator, 0, 0));
    QStringList named;
    for (const SnapLine& line : snapLines(listOutput).value_or(QList<SnapLine>())) {
        if (hasNote(line.notes, QStringLiteral("disabled"))) {
            // `snap disable` marks the current revision disabled too; that one is the snap itself.
            const QFileInfo current(
                Locations::current().snapMount + u'/' + line.name + QStringLiteral("/current"));
            if (revision.match(line.revision).hasMatch()
                && QFileInfo(current.symLinkTarget()).fileName() != line.revision)
                listing.oldRevisions.append(PackageLeftover::oldSnapRevision(line.name, line.revision));
        }
        // Every revision has a line of its own; the application has one row.
        if (named.contains(line.name) || !isApplication(line.name, line.notes))
            continue;
        named.append(line.name);
        listing.applications.append(ApplicationDetails::package(
            ApplicationKind::Snap, line.name, line.name, QString(), iconFile(line.name)));
    }
    return listing;
}

QString SnapApps::revisionFile(const QString& name, const QString& revision)
{
    return Locations::current().snapRevisions + u'/' + name + u'_' + revision + QStringLiteral(".snap");
}

QStringList SnapApps::revisionRemoveArguments(const QString& name, const QString& revision)
{
    return { QStringLiteral("remove"), QStringLiteral("--revision=") + revision, QStringLiteral("--"), name };
}

bool SnapApps::isApplication(const QString& name, const QString& notes)
{
    for (const char* note : { "base", "snapd", "core" }) {
        if (hasNote(notes, QLatin1String(note)))
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
