#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// Apple property lists through libplist. Dictionaries become QVariantMap,
// arrays QVariantList, strings QString, integers qint64, reals double,
// booleans bool, data QByteArray and dates QDateTime.
// Failures are values: nothing here throws, a bad file gives a log line.
class PropertyList final {
public:
    // Files larger than this, or nested deeper than kMaxDepth, are refused
    // before parsing: the parser recurses and a hostile file could crash it.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
    static constexpr int kMaxDepth = 512;
    // A list is refused, before parsing, when it would become more values or
    // text than this: a binary list may refer to one array from many places,
    // and the parser copies it for each, so a few hundred bytes could stand
    // for billions of strings.
    static constexpr qint64 kMaxValues = 1000000;
    static constexpr qint64 kMaxTextBytes = 256 * 1024 * 1024;

    // XML or binary. std::nullopt, with a log line naming the file, when the
    // file is missing, not a regular file, unreadable, too large, too deep,
    // would hold too much or is not a property list; with Links::Refuse also
    // when the name itself is a link.
    enum class Links { Follow, Refuse };
    static std::optional<QVariant> read(const QString& path, Links links = Links::Follow);
    static std::optional<QVariant> fromData(const QByteArray& data);

    // The root as a dictionary; empty (with a log line) when the file is not
    // one. A missing file gives an empty map without a log line.
    static QVariantMap readDictionary(const QString& path);

    // The string members of an array, in order; members of other types are
    // passed over, and anything but an array gives an empty list.
    static QStringList stringMembers(const QVariant& array);

    // Writes XML through a temporary file in the same folder renamed over the
    // old one, so readers see the old file or the new one, never half of one.
    // Refuses (false, log line) a value holding text libplist would corrupt.
    static bool writeXml(const QVariant& root, const QString& path);
    static std::optional<QByteArray> toXml(const QVariant& root);
    // The dictionary of string arrays the scan stores, as toXml writes it, byte
    // for byte, made in one buffer: through QVariant and libplist's nodes it
    // cost a third of a scan. Nothing when a text cannot be kept.
    // `sizeHint` is the length expected, to allocate once.
    static std::optional<QByteArray> stringArraysToXml(
        const QMap<QString, QStringList>& root, qsizetype sizeHint = 0);
    // As writeXml, except that whatever stands at the path (a link, a FIFO, a
    // file with other links) is replaced, never written through: the scan's
    // results lie where any program of the user's may plant one.
    static bool writeStringArrays(
        const QMap<QString, QStringList>& root, const QString& path, qsizetype sizeHint = 0);

    // Whether the text can be written to a property list and read back unchanged.
    static bool isRepresentable(QStringView text);

private:
    // Saves the XML as writeXml describes; nothing to save is text that cannot be kept.
    // With Links::Refuse whatever stands at the path is replaced, never written through.
    static bool save(const std::optional<QByteArray>& xml, const QString& path, Links links);

    enum class Refusal { None, Unreadable, TooLarge };
    struct Parsed {
        std::optional<QVariant> value;
        Refusal refusal = Refusal::None;
    };
    static Parsed parse(const QByteArray& data);
};
