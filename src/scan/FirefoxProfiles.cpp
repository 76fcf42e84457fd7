#include "scan/FirefoxProfiles.h"

#include "platform/SmallFile.h"
#include "platform/SystemLog.h"

#include <QFile>
#include <QStringDecoder>

#include <optional>
#include <sys/stat.h>

namespace {

const QString kIniName = QStringLiteral("profiles.ini");

enum class Step { Folder, Missing, Other };

Step stepInto(const QString& path)
{
    struct stat info { };
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return Step::Missing;
    return S_ISDIR(info.st_mode) ? Step::Folder : Step::Other;
}

// The components of the named folder below root, or nothing with the reason.
std::optional<QStringList> componentsBelow(
    const QString& root, const FirefoxProfiles::Named& named, QString* reason)
{
    QStringList parts = named.path.split(u'/', Qt::SkipEmptyParts);
    if (parts.contains(QStringLiteral(".")) || parts.contains(QStringLiteral(".."))) {
        *reason = QStringLiteral("it holds a \".\" or \"..\" component");
        return std::nullopt;
    }
    if (!named.isRelative) {
        const QStringList rootParts = root.split(u'/', Qt::SkipEmptyParts);
        if (!named.path.startsWith(u'/') || parts.size() <= rootParts.size()
            || parts.mid(0, rootParts.size()) != rootParts) {
            *reason = QStringLiteral("it lies outside %1").arg(root);
            return std::nullopt;
        }
        parts = parts.mid(rootParts.size());
    }
    if (parts.isEmpty()) {
        *reason = QStringLiteral("it names no folder below %1").arg(root);
        return std::nullopt;
    }
    return parts;
}

} // namespace

QList<FirefoxProfiles::Named> FirefoxProfiles::parse(const QByteArray& ini)
{
    QList<Named> profiles;
    std::optional<Named> current; // engaged inside a "[Profile...]" section
    const auto close = [&] {
        if (current && !current->path.isEmpty())
            profiles.append(*current);
        current.reset();
    };
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(ini);
    if (decoder.hasError())
        return {};
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            close();
            if (line.endsWith(u']') && line.startsWith(QStringLiteral("[Profile")))
                current.emplace();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals <= 0 || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const QStringView key = line.left(equals).trimmed();
        const QStringView value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Path"))
            current->path = value.toString();
        else if (key == QStringLiteral("IsRelative"))
            current->isRelative = value == QStringLiteral("1");
    }
    close();
    return profiles;
}

QStringList FirefoxProfiles::listedIn(const QString& folder)
{
    QString root = folder;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    const QString iniPath = root + u'/' + kIniName;
    struct stat info { };
    if (lstat(QFile::encodeName(iniPath).constData(), &info) != 0)
        return {};
    QString reason;
    const std::optional<QByteArray> ini
        = SmallFile::read(iniPath, kMaxIniSize, SmallFile::Links::Refuse, &reason);
    if (!ini) {
        SystemLog::write(QStringLiteral("Cannot read %1: %2").arg(iniPath, reason));
        return {};
    }
    QStringList folders;
    for (const Named& named : parse(*ini)) {
        const auto passOver = [&](const QString& why) {
            SystemLog::write(
                QStringLiteral("Passing over the profile %1 named in %2: %3").arg(named.path, iniPath, why));
        };
        const std::optional<QStringList> parts = componentsBelow(root, named, &reason);
        if (!parts) {
            passOver(reason);
            continue;
        }
        // Every component is looked at, not only the last: a link half-way
        // would lead the walk, and the removal after it, anywhere. A profile
        // the file still names after it was deleted is no finding.
        QString profile = root;
        Step step = Step::Folder;
        for (const QString& part : *parts) {
            profile += u'/' + part;
            step = stepInto(profile);
            if (step != Step::Folder)
                break;
        }
        if (step == Step::Other)
            passOver(QStringLiteral("%1 is a link or not a folder").arg(profile));
        else if (step == Step::Folder && !folders.contains(profile))
            folders.append(profile);
    }
    return folders;
}
