#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <vector>

// A freedesktop.org key file as used by desktop entries: named groups of
// keys with string values. Reading refuses whatever two desktops could read
// differently (so we never act on a guess about someone else's entry);
// writing produces what desktop-file-validate accepts.
class DesktopEntry final {
public:
    static constexpr const char* kMainGroup = "Desktop Entry";

    // Text must be UTF-8 without NUL bytes. Refused, with the reason: a line
    // that is neither a group header, a key, a comment nor blank; a key before
    // the first group; a group or an unlocalised key given twice. Localised
    // keys ("Name[de]") are checked and then dropped.
    static std::optional<DesktopEntry> parse(const QByteArray& data, QString* reason = nullptr);
    // Another program's entry file; nothing when it cannot be read (see
    // readFile, links not followed) or is refused.
    static std::optional<DesktopEntry> read(const QString& path);
    // An entry file's bytes: opened without blocking and checked on the open
    // descriptor, so a FIFO or device swapped in under an entry's name cannot
    // hang or feed the reader; a file larger than any sane entry (1 MiB) is
    // not read. Nothing, with the reason, otherwise.
    enum class Link { Follow, Refuse };
    static std::optional<QByteArray> readFile(const QString& path, Link link, QString* reason = nullptr);
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    bool hasGroup(const QString& group) const;
    // The value with its escapes undone; a null string when the key is absent.
    QString value(const QString& group, const QString& key) const;
    // "true" and "false" as the format spells them; anything else gives the fallback.
    bool boolValue(const QString& group, const QString& key, bool fallback) const;

    // Replaces the key's value or appends the key (and its group) in order of first use.
    void setValue(const QString& group, const QString& key, const QString& value);
    QByteArray toData() const;

    // The value escapes: \s \n \t \r \\. Escaping also protects leading and
    // trailing blanks, which readers would otherwise trim.
    static QString escapeValue(const QString& value);
    // Unknown escapes are kept as written, as lenient readers do.
    static QString unescapeValue(const QString& value);

private:
    struct Group {
        QString name;
        QList<QPair<QString, QString>> entries; // key, unescaped value
    };
    const Group* findGroup(const QString& name) const;

    std::vector<Group> m_groups;
};
