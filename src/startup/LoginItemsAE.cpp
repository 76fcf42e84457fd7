#include "startup/LoginItemsAE.h"

#include "platform/FileSystem.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "startup/DesktopEntry.h"
#include "startup/ExecCommandLine.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcLoginItems, "velmora.startup", QtInfoMsg)

// Sequence numbers beyond this are taken as not ours, so the next one can never overflow.
constexpr qint64 kMaxSequence = Q_INT64_C(1) << 50;
constexpr int kMaxNameAttempts = 1000;
constexpr qsizetype kMaxFileStem = 64;

struct AutostartItem {
    QString fileName;
    QString program;
    bool hidden = false;
    qint64 sequence = -1; // -1: written by another program
};

QString mainGroup()
{
    return QString::fromLatin1(DesktopEntry::kMainGroup);
}

// File names end up in log lines; a newline in one must not forge a second line.
QString printable(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    }
    return result;
}

void logSkipped(const QString& fileName, const QString& reason)
{
    SystemLog::write(QStringLiteral("Login item %1 skipped: %2").arg(printable(fileName), reason));
}

// A program named without a folder is found the way the session finds it;
// one that cannot be found keeps its name, so the item stays listed and removable.
QString resolveProgram(const QString& program)
{
    if (program.contains(u'/'))
        return program;
    const QString found = QStandardPaths::findExecutable(program);
    return found.isEmpty() ? program : found;
}

// std::nullopt for an entry that is no login item; a log line when it is one
// we cannot read unambiguously.
std::optional<AutostartItem> readItem(const QString& folder, const QString& fileName)
{
    QString reason;
    // Users link entries into the folder, so a link is followed; a FIFO or device is not read.
    const std::optional<QByteArray> data
        = DesktopEntry::readFile(folder + u'/' + fileName, DesktopEntry::Link::Follow, &reason);
    if (!data) {
        logSkipped(fileName, reason);
        return std::nullopt;
    }
    const std::optional<DesktopEntry> entry = DesktopEntry::parse(*data, &reason);
    if (!entry) {
        logSkipped(fileName, reason);
        return std::nullopt;
    }
    const QString group = mainGroup();
    if (!entry->hasGroup(group)) {
        logSkipped(fileName, QStringLiteral("no [Desktop Entry] group"));
        return std::nullopt;
    }
    // Written by a desktop to delete an entry; such files often carry nothing else.
    if (entry->boolValue(group, QStringLiteral("Hidden"), false))
        return std::nullopt;
    if (entry->value(group, QStringLiteral("Type")) != QStringLiteral("Application")) {
        logSkipped(fileName, QStringLiteral("Type is not Application"));
        return std::nullopt;
    }
    const QString exec = entry->value(group, QStringLiteral("Exec"));
    if (exec.isEmpty()) {
        logSkipped(fileName, QStringLiteral("no Exec key"));
        return std::nullopt;
    }
    const std::optional<QStringList> arguments = ExecCommandLine::split(exec, &reason);
    if (!arguments) {
        logSkipped(fileName, QStringLiteral("Exec: %1").arg(reason));
        return std::nullopt;
    }

    AutostartItem item;
    item.fileName = fileName;
    item.program = resolveProgram(arguments->front());
    item.hidden = entry->boolValue(group, QString::fromLatin1(kLIAEHiddenKey), false);
    bool numeric = false;
    const qint64 sequence = entry->value(group, QString::fromLatin1(kLIAESequenceKey)).toLongLong(&numeric);
    if (numeric && sequence >= 0 && sequence <= kMaxSequence)
        item.sequence = sequence;
    return item;
}

LIAEStatus readItems(std::vector<AutostartItem>& items)
{
    items.clear();
    const QString folder = Locations::current().autostartFolder;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        // No folder yet is the usual state of a new account: no login items.
        if (errno == ENOENT)
            return kLIAENoError;
        qCDebug(lcLoginItems) << "cannot list" << folder << std::strerror(errno);
        return kLIAEIOError;
    }
    std::vector<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.endsWith(".desktop") && !name.startsWith('.'))
            names.push_back(name);
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) {
        qCDebug(lcLoginItems) << "cannot list" << folder << std::strerror(readError);
        return kLIAEIOError;
    }
    std::sort(names.begin(), names.end());

    for (const QByteArray& name : names) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString fileName = decoder(name);
        if (decoder.hasError()) {
            logSkipped(fileName, QStringLiteral("file name not UTF-8"));
            continue;
        }
        if (std::optional<AutostartItem> item = readItem(folder, fileName))
            items.push_back(std::move(*item));
    }
    std::stable_sort(items.begin(), items.end(),
        [](const AutostartItem& a, const AutostartItem& b) { return a.sequence < b.sequence; });
    return kLIAENoError;
}

// Tab, newline and carriage return have escapes; other control characters
// cannot be written into a desktop entry at all.
bool isWritableInEntry(const QString& text)
{
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c.unicode() == 0x7f;
    });
}

QString fileStemFor(const QString& program)
{
    QString stem = QFileInfo(program).fileName().left(kMaxFileStem);
    for (QChar& c : stem) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'-' || c == u'_' || c == u'.';
        if (!plain)
            c = u'_';
    }
    while (stem.startsWith(u'.'))
        stem.remove(0, 1);
    return stem.isEmpty() ? QStringLiteral("login-item") : stem;
}

// Any kind of file, a dangling link too, holds a name.
bool nameIsTaken(const QString& path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// The entry appears whole or not at all, and never in place of another
// file: it is staged under a hidden name and renamed with a rename that
// refuses to replace. A name also used by a system-wide entry is passed
// over, because ours would silently switch that entry off.
LIAEStatus writeNewEntry(const QString& folder, const QString& stem, const QByteArray& data)
{
    const QString systemFolder = Locations::current().localStartupItems;
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const QString fileName = attempt == 1 ? stem + QStringLiteral(".desktop")
                                              : QStringLiteral("%1-%2.desktop").arg(stem).arg(attempt);
        const QString target = folder + u'/' + fileName;
        if (nameIsTaken(target) || nameIsTaken(systemFolder + u'/' + fileName))
            continue;

        QTemporaryFile staging(folder + QStringLiteral("/.velmora-login-item-XXXXXX"));
        if (!staging.open() || staging.write(data) != data.size() || !staging.flush()
            || ::fsync(staging.handle()) != 0) {
            qCDebug(lcLoginItems) << "cannot stage an entry in" << folder << staging.errorString();
            return kLIAEIOError;
        }
        if (staging.rename(target)) {
            staging.setAutoRemove(false);
            return kLIAENoError;
        }
        // Losing the name to another writer in the meantime is the one failure worth another try.
        if (!nameIsTaken(target)) {
            qCDebug(lcLoginItems) << "cannot write" << target << staging.errorString();
            return kLIAEIOError;
        }
    }
    return kLIAEIOError;
}

} // namespace

LIAEStatus LIAECopyLoginItems(std::optional<QVariantList>& itemsOut)
{
    itemsOut.reset();
    std::vector<AutostartItem> items;
    if (const LIAEStatus status = readItems(items); status != kLIAENoError)
        return status;

    QVariantList list;
    list.reserve(qsizetype(items.size()));
    for (const AutostartItem& item : items) {
        const QUrl url = FileReference::urlForPath(item.program);
        if (!url.isValid())
            return kLIAECannotCreate;
        list.append(
            QVariantMap { { QStringLiteral("URL"), url }, { QStringLiteral("Hidden"), item.hidden } });
    }
    itemsOut = std::move(list);
    return kLIAENoError;
}

LIAEStatus LIAEAddURLAtEnd(const QUrl& item, bool hideIt)
{
    const std::optional<FileReference> reference = FileReference::fromURL(item);
    if (!reference)
        return kLIAEFileNotFound;
    return LIAEAddRefAtEnd(*reference, hideIt);
}

LIAEStatus LIAEAddRefAtEnd(const FileReference& item, bool hideIt)
{
    // The file may have gone since the reference was made.
    const QFileInfo program(item.path());
    if (!program.exists() || program.isDir())
        return kLIAEFileNotFound;
    if (!isWritableInEntry(item.path()))
        return kLIAEBadName;

    std::vector<AutostartItem> items;
    if (const LIAEStatus status = readItems(items); status != kLIAENoError)
        return status;
    qint64 sequence = 1;
    for (const AutostartItem& existing : items)
        sequence = std::max(sequence, existing.sequence + 1);

    const QString folder = Locations::current().autostartFolder;
    if (!QFileInfo(folder).isDir() && !FileSystem::current().createPath(folder))
        return kLIAEIOError;

    DesktopEntry entry;
    const QString group = mainGroup();
    entry.setValue(group, QStringLiteral("Type"), QStringLiteral("Application"));
    // Velmora's own item carries the application's name and icon, so that the
    // desktop's start-up settings say what it is; another program keeps its file name.
    const QString own = Locations::current().ownExecutable;
    const bool isOwn = !own.isEmpty() && QFileInfo(own).canonicalFilePath() == program.canonicalFilePath();
    entry.setValue(group, QStringLiteral("Name"), isOwn ? QStringLiteral("Velmora") : program.fileName());
    if (isOwn)
        entry.setValue(group, QStringLiteral("Icon"), QStringLiteral("velmora"));
    entry.setValue(group, QStringLiteral("Exec"), ExecCommandLine::quote(item.path()));
    const QString hidden = hideIt ? QStringLiteral("true") : QStringLiteral("false");
    entry.setValue(group, QString::fromLatin1(kLIAEHiddenKey), hidden);
    entry.setValue(group, QString::fromLatin1(kLIAESequenceKey), QString::number(sequence));
    return writeNewEntry(folder, fileStemFor(item.path()), entry.toData());
}

LIAEStatus LIAERemove(qint32 itemIndex)
{
    if (itemIndex < 0)
        return kLIAENoSuchItem;
    std::vector<AutostartItem> items;
    if (const LIAEStatus status = readItems(items); status != kLIAENoError)
        return status;
    if (size_t(itemIndex) >= items.size())
        return kLIAENoSuchItem;

    const QString path = Locations::current().autostartFolder + u'/' + items[size_t(itemIndex)].fileName;
    QString error;
    if (!FileSystem::current().removeFile(path, &error)) {
        qCDebug(lcLoginItems) << "cannot remove" << path << error;
        return kLIAEIOError;
    }
    return kLIAENoError;
}
