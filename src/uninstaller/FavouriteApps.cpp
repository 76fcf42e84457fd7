#include "uninstaller/FavouriteApps.h"

#include "platform/SystemLog.h"
#include "support/ProcessRunner.h"

namespace {

const QString kSchema = QStringLiteral("org.gnome.shell");
const QString kKey = QStringLiteral("favorite-apps");

} // namespace

void FavouriteApps::remove(const QStringList& desktopIds)
{
    if (desktopIds.isEmpty())
        return;
    const QString gsettings = ProcessRunner::findProgram(QStringLiteral("gsettings"));
    if (gsettings.isEmpty()) {
        SystemLog::write(QStringLiteral("No gsettings: the favourites bar is left as it is"));
        return;
    }
    const ProcessRunner::Result current
        = ProcessRunner::run(gsettings, { QStringLiteral("get"), kSchema, kKey });
    if (!current.succeeded()) {
        SystemLog::write(QStringLiteral("No favourites bar to update: %1").arg(current.message()));
        return;
    }
    const std::optional<QStringList> favourites = parseStringArray(QString::fromUtf8(current.standardOutput));
    if (!favourites) {
        SystemLog::write(QStringLiteral("Cannot read the favourites bar: %1")
                             .arg(QString::fromUtf8(current.standardOutput)));
        return;
    }
    QStringList kept = *favourites;
    kept.removeIf([&desktopIds](const QString& id) { return desktopIds.contains(id); });
    if (kept.size() == favourites->size())
        return;
    const ProcessRunner::Result written
        = ProcessRunner::run(gsettings, { QStringLiteral("set"), kSchema, kKey, formatStringArray(kept) });
    if (!written.succeeded())
        SystemLog::write(QStringLiteral("Cannot update the favourites bar: %1").arg(written.message()));
    else
        SystemLog::write(
            QStringLiteral("%1 removed from the favourites bar").arg(desktopIds.join(QStringLiteral(", "))));
}

std::optional<QStringList> FavouriteApps::parseStringArray(const QString& text)
{
    QStringView rest = QStringView(text).trimmed();
    if (rest.startsWith(QStringLiteral("@as")))
        rest = rest.sliced(3).trimmed();
    if (!rest.startsWith(u'[') || !rest.endsWith(u']'))
        return std::nullopt;
    rest = rest.sliced(1, rest.size() - 2).trimmed();
    QStringList strings;
    while (!rest.isEmpty()) {
        const QChar quote = rest.front();
        if (quote != u'\'' && quote != u'"')
            return std::nullopt;
        QString value;
        qsizetype i = 1;
        for (; i < rest.size() && rest[i] != quote; ++i) {
            if (rest[i] == u'\\' && ++i < rest.size()) {
                const QChar escaped = rest[i];
                value += escaped == u'n' ? QChar(u'\n') : escaped == u't' ? QChar(u'\t') : escaped;
            } else {
                value += rest[i];
            }
        }
        if (i >= rest.size())
            return std::nullopt;
        strings.append(value);
        rest = rest.sliced(i + 1).trimmed();
        if (rest.startsWith(u','))
            rest = rest.sliced(1).trimmed();
        else if (!rest.isEmpty())
            return std::nullopt;
    }
    return strings;
}

QString FavouriteApps::formatStringArray(const QStringList& strings)
{
    if (strings.isEmpty())
        return QStringLiteral("@as []");
    QStringList quoted;
    for (QString value : strings) {
        value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
        value.replace(u'\n', QStringLiteral("\\n")).replace(u'\t', QStringLiteral("\\t"));
        quoted.append(u'\'' + value + u'\'');
    }
    return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}
