#include "uninstaller/AppImageFiles.h"

#include "platform/Locations.h"
#include "uninstaller/SupportFileSearch.h"
#include "support/UserProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QStringList filesIn(const QString& folder)
{
    QStringList files;
    const QFileInfoList entries
        = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries)
        files.append(entry.absoluteFilePath());
    return files;
}

QStringList candidates()
{
    const Locations& l = Locations::current();
    QStringList files;
    for (const QString& folder :
        { l.userApplicationsFolder, l.applicationsFolder, l.userBinFolder, l.optFolder })
        files += filesIn(folder);
    // Vendors unpack into /opt/<vendor>/ and leave the AppImage beside what they unpacked.
    const QStringList vendors
        = QDir(l.optFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QString& vendor : vendors)
        files += filesIn(l.optFolder + u'/' + vendor);
    return files;
}

} // namespace

QList<ApplicationDetails> AppImageFiles::rows()
{
    QList<ApplicationDetails> rows;
    for (const QString& file : candidates()) {
        if (!isAppImage(file))
            continue;
        rows.append(ApplicationDetails::package(ApplicationKind::AppImage,
            nameFromFileName(QFileInfo(file).fileName()), file, QString(),
            SupportFileSearch::iconOfEntries(SupportFileSearch::entriesExecuting(file))));
    }
    return rows;
}

bool AppImageFiles::isAppImage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(11);
    if (head.size() < 11
        || !head.startsWith("\x7f"
                            "ELF"))
        return false;
    const QByteArray mark = head.mid(8, 3);
    return mark == QByteArray("AI\x01", 3) || mark == QByteArray("AI\x02", 3)
        || path.endsWith(QStringLiteral(".AppImage"), Qt::CaseInsensitive);
}

QString AppImageFiles::nameFromFileName(const QString& fileName)
{
    QString name = fileName;
    if (name.endsWith(QStringLiteral(".AppImage"), Qt::CaseInsensitive))
        name.chop(9);
    static const QRegularExpression architecture(
        QStringLiteral("[-_.](x86[-_]64|amd64|i[3-6]86|aarch64|arm64|armhf)$"),
        QRegularExpression::CaseInsensitiveOption);
    name.remove(architecture);
    // The version starts at the first separator followed by a digit (or "v" and a digit).
    static const QRegularExpression version(QStringLiteral("[-_ ]v?[0-9]"));
    const QRegularExpressionMatch match = version.match(name);
    if (match.hasMatch() && match.capturedStart() > 0)
        name.truncate(match.capturedStart());
    return name.isEmpty() ? fileName : name;
}

bool AppImageFiles::isRunning(const QString& path, const QString& procFolder)
{
    for (const UserProcesses::Process& process : UserProcesses::list(procFolder)) {
        if (process.executable == path || UserProcesses::environmentValue(process, "APPIMAGE") == path)
            return true;
    }
    return false;
}
