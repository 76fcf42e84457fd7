#include "startup/DesktopEntry.h"

#include "platform/SmallFile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isValidGroupName(QStringView name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name) {
        if (c == u'[' || c == u']' || isControl(c))
            return false;
    }
    return true;
}

// Keys are kept loose on purpose: other programs' entries use vendor keys
// beyond the letters, digits and dashes the format asks for, and desktops
// read them. What matters is that the line cannot be read two ways.
bool isValidKeyName(QStringView key)
{
    if (key.isEmpty())
        return false;
    for (QChar c : key) {
        if (c == u'[' || c == u']' || c == u'=' || c.isSpace() || isControl(c))
            return false;
    }
    return true;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray& data, QString* reason)
{
    const auto refuse = [reason](const QString& why) -> std::optional<DesktopEntry> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };

    if (data.contains('\0'))
        return refuse(QStringLiteral("contains a NUL byte"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError())
        return refuse(QStringLiteral("not UTF-8"));

    DesktopEntry entry;
    Group* current = nullptr;
    int lineNumber = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        ++lineNumber;
        if (line.endsWith(u'\r'))
            line.chop(1);
        while (!line.isEmpty() && isBlank(line.front()))
            line = line.mid(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;

        if (line.startsWith(u'[')) {
            QStringView header = line;
            while (isBlank(header.back()))
                header.chop(1);
            if (!header.endsWith(u']') || !isValidGroupName(header.mid(1, header.size() - 2)))
                return refuse(QStringLiteral("bad group header on line %1").arg(lineNumber));
            const QString name = header.mid(1, header.size() - 2).toString();
            if (entry.findGroup(name))
                return refuse(
                    QStringLiteral("group [%1] repeated on line %2").arg(name, QString::number(lineNumber)));
            entry.m_groups.push_back(Group { name, {} });
            current = &entry.m_groups.back();
            continue;
        }

        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            return refuse(QStringLiteral("line %1 is not a key").arg(lineNumber));
        if (!current)
            return refuse(QStringLiteral("key before the first group on line %1").arg(lineNumber));
        QStringView key = line.left(equals);
        while (!key.isEmpty() && isBlank(key.back()))
            key.chop(1);
        QStringView value = line.mid(equals + 1);
        while (!value.isEmpty() && isBlank(value.front()))
            value = value.mid(1);

        QStringView baseKey = key;
        bool localised = false;
        if (const qsizetype open = key.indexOf(u'['); open >= 0) {
            const QStringView locale = key.mid(open + 1, key.size() - open - 2);
            if (!key.endsWith(u']') || locale.isEmpty() || !isValidKeyName(locale))
                return refuse(QStringLiteral("bad localised key on line %1").arg(lineNumber));
            baseKey = key.left(open);
            localised = true;
        }
        if (!isValidKeyName(baseKey))
            return refuse(QStringLiteral("bad key on line %1").arg(lineNumber));
        if (localised)
            continue;
        const QString name = baseKey.toString();
        for (const auto& existing : current->entries) {
            if (existing.first == name)
                return refuse(
                    QStringLiteral("key %1 repeated on line %2").arg(name, QString::number(lineNumber)));
        }
        current->entries.append({ name, unescapeValue(value.toString()) });
    }
    return entry;
}

const DesktopEntry::Group* DesktopEntry::findGroup(const QString& name) const
{
    for (const Group& group : m_groups) {
        if (group.name == name)
            return &group;
    }
    return nullptr;
}

bool DesktopEntry::hasGroup(const QString& group) const
{
    return findGroup(group) != nullptr;
}

QString DesktopEntry::value(const QString& group, const QString& key) const
{
    if (const Group* found = findGroup(group)) {
        for (const auto& entry : found->entries) {
            if (entry.first == key)
                return entry.second;
        }
    }
    return QString();
}

bool DesktopEntry::boolValue(const QString& group, const QString& key, bool fallback) const
{
    const QString text = value(group, key);
    if (text == QStringLiteral("true"))
        return true;
    if (text == QStringLiteral("false"))
        return false;
    return fallback;
}

void DesktopEntry::setValue(const QString& group, const QString& key, const QString& value)
{
    auto found
        = std::find_if(m_groups.begin(), m_groups.end(), [&](const Group& g) { return g.name == group; });
    if (found == m_groups.end()) {
        m_groups.push_back(Group { group, {} });
        found = m_groups.end() - 1;
    }
    for (auto& entry : found->entries) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    found->entries.append({ key, value });
}

QByteArray DesktopEntry::toData() const
{
    QString text;
    for (const Group& group : m_groups) {
        if (!text.isEmpty())
            text += u'\n';
        text += u'[' + group.name + QStringLiteral("]\n");
        for (const auto& entry : group.entries)
            text += entry.first + u'=' + escapeValue(entry.second) + u'\n';
    }
    return text.toUtf8();
}

QString DesktopEntry::escapeValue(const QString& value)
{
    qsizetype leading = 0;
    while (leading < value.size() && value[leading] == u' ')
        ++leading;
    qsizetype trailing = value.size();
    while (trailing > leading && value[trailing - 1] == u' ')
        --trailing;

    QString escaped;
    escaped.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u' ' && (i < leading || i >= trailing))
            escaped += QStringLiteral("\\s");
        else if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QString DesktopEntry::unescapeValue(const QString& value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            plain += value[i];
            continue;
        }
        const QChar next = value[i + 1];
        if (next == u's')
            plain += u' ';
        else if (next == u'n')
            plain += u'\n';
        else if (next == u't')
            plain += u'\t';
        else if (next == u'r')
            plain += u'\r';
        else if (next == u'\\')
            plain += u'\\';
        else {
            plain += value[i];
            plain += next;
        }
        ++i;
    }
    return plain;
}

std::optional<DesktopEntry> DesktopEntry::read(const QString& path)
{
    const std::optional<QByteArray> data = readFile(path, Link::Refuse);
    return data ? parse(*data) : std::nullopt;
}

std::optional<QByteArray> DesktopEntry::readFile(const QString& path, Link link, QString* reason)
{
    return SmallFile::read(path, kMaxFileSize, link == Link::Refuse ? SmallFile::Links::Refuse : SmallFile::Links::Follow,
        reason);
}
