#include "platform/PropertyList.h"

#include "platform/SystemLog.h"
#include "platform/TextUnits.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringEncoder>
#include <QTimeZone>

#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Seconds between the Unix epoch and the property-list epoch (2001-01-01).
constexpr qint64 kAppleEpochOffset = 978307200;

bool isBinary(const QByteArray& data)
{
    return data.startsWith("bplist00");
}

// What a list becomes once parsed: how deep it nests, how many values it holds
// and how many bytes of text (strings, keys and data) they take.
struct Extent {
    int depth = 0;
    qint64 values = 0;
    qint64 textBytes = 0;
};

// Deeper than any list we accept: the answer for input built to mislead the
// count (a closing tag with nothing open).
constexpr Extent kRefused { PropertyList::kMaxDepth + 1, 0, 0 };

const char* findText(const char* from, const char* end, std::string_view text)
{
    const auto found = std::search(from, end, text.begin(), text.end());
    return found == end ? nullptr : found;
}

// The end of a tag, quoted attribute values skipped as the parser skips them.
const char* tagEnd(const char* from, const char* end)
{
    for (const char* p = from; p < end; ++p) {
        if (*p == '"') {
            p = static_cast<const char*>(std::memchr(p + 1, '"', size_t(end - p - 1)));
            if (!p)
                return nullptr;
        } else if (*p == '>') {
            return p;
        }
    }
    return nullptr;
}

bool namesContainer(const char* name, const char* end)
{
    for (const std::string_view container : { std::string_view("array"), std::string_view("dict") }) {
        if (end - name > qsizetype(container.size()) && std::equal(container.begin(), container.end(), name)) {
            const char after = name[container.size()];
            if (after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\r' || after == '\n')
                return true;
        }
    }
    return false;
}

// Nesting depth of the XML container elements and the number of elements,
// measured without recursion. Comments, CDATA sections, processing
// instructions and the document type are skipped the way the parser skips
// them, so tags hidden in them can neither add to the count nor cancel real
// ones out. The text cannot be longer than the file.
Extent xmlExtent(const QByteArray& data)
{
    int depth = 0;
    int deepest = 0;
    qint64 elements = 0;
    const char* p = data.constData();
    const char* const end = p + data.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p))))) {
        const std::string_view rest(p, size_t(end - p));
        const char* next = nullptr;
        if (rest.starts_with("<!--")) {
            next = findText(p + 4, end, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            next = findText(p + 9, end, "]]>");
        } else if (rest.starts_with("<?")) {
            next = findText(p + 2, end, "?>");
        } else if (rest.starts_with("<!")) {
            // A document type may carry an internal subset in brackets.
            const char* close = tagEnd(p, end);
            const char* bracket = static_cast<const char*>(std::memchr(p, '[', size_t((close ? close : end) - p)));
            next = bracket ? findText(bracket, end, "]") : close;
            if (next && bracket)
                next = tagEnd(next, end);
        } else if (rest.starts_with("</")) {
            next = tagEnd(p, end);
            if (next && namesContainer(p + 2, end) && --depth < 0)
                return kRefused;
        } else {
            next = tagEnd(p, end);
            ++elements;
            if (next && next[-1] != '/' && namesContainer(p + 1, end))
                deepest = std::max(deepest, ++depth);
        }
        if (!next || deepest > PropertyList::kMaxDepth)
            break; // unterminated markup: the parser refuses it as well
        p = next + 1;
    }
    return { deepest, elements, data.size() };
}

// libplist asserts (and so aborts the program) when a string or key holds a
// NUL character; such lists are refused before they reach it.
bool xmlHoldsNul(const QByteArray& data)
{
    if (data.contains('\0'))
        return true;
    static const QRegularExpression nulReference(QStringLiteral("&#(0+|[xX]0+);"));
    return nulReference.match(QString::fromLatin1(data)).hasMatch();
}

quint64 readBigEndian(const unsigned char* at, unsigned width)
{
    quint64 value = 0;
    for (unsigned i = 0; i < width; ++i)
        value = (value << 8) | at[i];
    return value;
}

// Where the members (or bytes, or characters) of the object at `offset` start
// and how many there are, as the marker and its optional length say; nothing
// when the length would run past `end`.
struct Span {
    unsigned type = 0;
    quint64 start = 0;
    quint64 count = 0;
};
std::optional<Span> spanAt(const unsigned char* bytes, quint64 offset, quint64 end)
{
    const unsigned marker = bytes[offset];
    Span span { marker >> 4, offset + 1, marker & 0x0Fu };
    if (span.count == 0x0F) {
        if (span.start >= end || (bytes[span.start] >> 4) != 0x1)
            return std::nullopt;
        const unsigned width = 1u << (bytes[span.start] & 0x0F);
        if (width > 8 || span.start + 1 + width > end)
            return std::nullopt;
        span.count = readBigEndian(bytes + span.start + 1, width);
        span.start += 1 + width;
    }
    return span;
}

bool binaryStringHoldsNul(const unsigned char* bytes, quint64 offset, quint64 end)
{
    const unsigned type = bytes[offset] >> 4;
    if (type != 0x5 && type != 0x6)
        return false;
    const auto span = spanAt(bytes, offset, end);
    if (!span)
        return false;
    const quint64 unit = type == 0x6 ? 2 : 1;
    if (span->count > (end - span->start) / unit)
        return false;
    for (quint64 i = 0; i < span->count; ++i) {
        const unsigned char* at = bytes + span->start + unit * i;
        if (at[0] == 0 && (unit == 1 || at[1] == 0))
            return true;
    }
    return false;
}

// How far a binary list reaches once the parser has made it a tree, found
// without recursion: the longest chain of references below the top object,
// and how many values and bytes of text the tree holds. An object referred to
// from several places is copied for each (a few hundred bytes can stand for
// billions of strings), so each object's share is counted once and then
// added wherever it is referred to. A list that refers back to itself is
// refused outright, and so is one holding a string with a NUL: libplist would
// abort on it.
Extent binaryExtent(const QByteArray& data)
{
    const auto size = quint64(data.size());
    if (size < 8 + 32)
        return kRefused; // too short to hold a trailer
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const unsigned char* trailer = bytes + size - 32;
    const unsigned offsetSize = trailer[6];
    const unsigned refSize = trailer[7];
    const quint64 objectCount = readBigEndian(trailer + 8, 8);
    const quint64 topObject = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize == 0 || offsetSize > 8 || refSize == 0 || refSize > 8 || objectCount == 0
        || objectCount > size || topObject >= objectCount || tableOffset >= size
        || objectCount * offsetSize > size - tableOffset)
        // libplist parses some lists whose trailer no writer makes (a reference
        // size of 33 bytes, say) and then trips over them: refuse them here.
        return kRefused;
    auto offsetOf = [&](quint64 object) {
        return readBigEndian(bytes + tableOffset + object * offsetSize, offsetSize);
    };
    for (quint64 i = 0; i < objectCount; ++i) {
        // A string may run on past the object table as far as the parser is
        // concerned, so it is read to the end of the data.
        const quint64 offset = offsetOf(i);
        if (offset < size && binaryStringHoldsNul(bytes, offset, size))
            return kRefused;
    }

    struct Node {
        quint64 refsStart = 0;
        quint64 refs = 0; // none for anything but a container whose bytes add up
        qint64 textBytes = 0;
    };
    auto nodeOf = [&](quint64 object) -> Node {
        const quint64 offset = offsetOf(object);
        if (offset >= tableOffset)
            return {};
        const auto span = spanAt(bytes, offset, tableOffset);
        if (!span)
            return {};
        switch (span->type) {
        case 0x4: // data
        case 0x5: // ASCII text
            return { 0, 0, qint64(std::min<quint64>(span->count, size)) };
        case 0x6: // UTF-16 text, which the parser turns into up to three bytes a character
            return { 0, 0, qint64(std::min<quint64>(span->count, size)) * 3 };
        case 0xA: // array
        case 0xC: // set
        case 0xD: { // dictionary: its keys, then its values
            const quint64 refs = span->type == 0xD ? span->count * 2 : span->count;
            if (span->count > size || refs > (tableOffset - span->start) / refSize)
                return {};
            return { span->start, refs, 0 };
        }
        default:
            return {};
        }
    };

    // Sums stop just past the limits, so that no count can overflow.
    auto add = [](qint64 a, qint64 b, qint64 limit) { return std::min(a + b, limit + 1); };
    enum : int { kUnvisited = 0, kOnPath = -1 };
    std::vector<Extent> reach(size_t(objectCount), Extent { kUnvisited, 0, 0 }); // once known
    struct Frame {
        quint64 object;
        Node node;
        quint64 next;
        Extent below;
    };
    std::vector<Frame> path { { topObject, nodeOf(topObject), 0, {} } };
    reach[topObject].depth = kOnPath;
    auto addBelow = [&](Extent& below, const Extent& child) {
        below.depth = std::max(below.depth, child.depth);
        below.values = add(below.values, child.values, PropertyList::kMaxValues);
        below.textBytes = add(below.textBytes, child.textBytes, PropertyList::kMaxTextBytes);
    };
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.node.refs) {
            Extent& finished = reach[frame.object];
            finished = { frame.below.depth + 1, add(frame.below.values, 1, PropertyList::kMaxValues),
                add(frame.below.textBytes, frame.node.textBytes, PropertyList::kMaxTextBytes) };
            path.pop_back();
            if (!path.empty())
                addBelow(path.back().below, finished);
            continue;
        }
        const quint64 child = readBigEndian(bytes + frame.node.refsStart + frame.next++ * refSize, refSize);
        if (child >= objectCount)
            continue;
        if (reach[child].depth == kOnPath)
            return kRefused;
        if (reach[child].depth != kUnvisited) {
            addBelow(frame.below, reach[child]);
            continue;
        }
        if (path.size() >= size_t(PropertyList::kMaxDepth))
            return kRefused;
        reach[child].depth = kOnPath;
        path.push_back({ child, nodeOf(child), 0, {} });
    }
    return reach[topObject];
}

// The parser copies an object for every reference to it. Identical texts are
// kept once, in one shared buffer, so that what the list costs in memory
// stays near its own size however often it refers to the same text.
struct SharedTexts {
    QSet<QString> strings;
    QSet<QByteArray> data;
    QString string(const char* text, qsizetype length) { return *strings.insert(QString::fromUtf8(text, length)); }
};

QVariant toVariant(plist_t node, int depth, SharedTexts& shared)
{
    if (!node || depth > PropertyList::kMaxDepth)
        return QVariant();
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it)
            return map;
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(shared.string(key, qsizetype(std::strlen(key))), toVariant(value, depth + 1, shared));
            std::free(key);
        }
        std::free(it);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        list.reserve(plist_array_get_size(node));
        // By iterator: a parsed array has no index, and fetching member i
        // walks the i members before it, which takes hours for a long list.
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        if (!it)
            return list;
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, it, &item);
            if (!item)
                break;
            list.append(toVariant(item, depth + 1, shared));
        }
        std::free(it);
        return list;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return text ? shared.string(text, qsizetype(length)) : QString(QStringLiteral(""));
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return qint64(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return *shared.data.insert(QByteArray(bytes ? bytes : "", bytes ? qsizetype(length) : 0));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t micro = 0;
        plist_get_date_val(node, &seconds, &micro);
        return QDateTime::fromMSecsSinceEpoch((qint64(seconds) + kAppleEpochOffset) * 1000 + micro / 1000,
            QTimeZone::utc());
    }
    default:
        return QVariant();
    }
}

plist_t fromVariant(const QVariant& value, bool& ok, int depth = 1)
{
    // What is written must be readable again.
    if (depth > PropertyList::kMaxDepth) {
        ok = false;
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend() && ok; ++it) {
            if (!PropertyList::isRepresentable(it.key())) {
                ok = false;
                break;
            }
            plist_t child = fromVariant(it.value(), ok, depth + 1);
            if (child)
                plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
        }
        return dict;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        const QVariantList list = value.toList();
        for (const QVariant& item : list) {
            if (!ok)
                break;
            plist_t child = fromVariant(item, ok, depth + 1);
            if (child)
                plist_array_append_item(array, child);
        }
        return array;
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        if (!PropertyList::isRepresentable(text)) {
            ok = false;
            return nullptr;
        }
        return plist_new_string(text.toUtf8().constData());
    }
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kAppleEpochOffset * 1000;
        return plist_new_date(int32_t(ms / 1000), int32_t((ms % 1000) * 1000));
    }
    default:
        ok = false;
        return nullptr;
    }
}

} // namespace

std::optional<QVariant> PropertyList::fromData(const QByteArray& data)
{
    return parse(data).value;
}

PropertyList::Parsed PropertyList::parse(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > kMaxFileSize)
        return { std::nullopt, Refusal::Unreadable };
    if (!isBinary(data) && xmlHoldsNul(data))
        return { std::nullopt, Refusal::Unreadable };
    const Extent extent = isBinary(data) ? binaryExtent(data) : xmlExtent(data);
    if (extent.depth > kMaxDepth)
        return { std::nullopt, Refusal::Unreadable };
    if (extent.values > kMaxValues || extent.textBytes > kMaxTextBytes)
        return { std::nullopt, Refusal::TooLarge };
    plist_t root = nullptr; // must start out null: libplist leaves it alone on failure
    if (isBinary(data))
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    else
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
    if (!root)
        return { std::nullopt, Refusal::Unreadable };
    PlistPtr owner(root);
    SharedTexts shared;
    return { toVariant(root, 1, shared), Refusal::None };
}

std::optional<QVariant> PropertyList::read(const QString& path, Links links)
{
    // Opening a pipe or a device in place of the file would block or never
    // reach its end; only a regular file (or a link to one) is read. It is
    // judged on the open descriptor, so a file swapped for a FIFO after any
    // look at its name cannot hang the reader.
    const int fd = ::open(QFile::encodeName(path).constData(),
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0));
    struct stat status { };
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        SystemLog::write(QStringLiteral("Cannot read property list %1: it is not a file").arg(path));
        return std::nullopt;
    }
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        if (fd >= 0)
            ::close(fd);
        SystemLog::write(QStringLiteral("Cannot read property list %1: %2").arg(path, why));
        return std::nullopt;
    }
    // Read one byte past the limit so a file that grew since it was opened is
    // still caught; in pieces, since asking for the limit at once allocates it.
    QByteArray data;
    data.reserve(qsizetype(std::min<qint64>(file.size(), kMaxFileSize) + 1));
    while (data.size() <= kMaxFileSize) {
        const QByteArray piece = file.read(std::min<qint64>(kMaxFileSize + 1 - data.size(), 1 << 20));
        if (piece.isEmpty())
            break;
        data += piece;
    }
    if (data.size() > kMaxFileSize) {
        SystemLog::write(QStringLiteral("Property list %1 is too large to read").arg(path));
        return std::nullopt;
    }
    Parsed parsed = parse(data);
    if (parsed.refusal == Refusal::TooLarge)
        SystemLog::write(QStringLiteral("%1 would hold more than %2 values or %3 MiB of text; it is not read")
                             .arg(path)
                             .arg(kMaxValues)
                             .arg(kMaxTextBytes / (1024 * 1024)));
    else if (!parsed.value)
        SystemLog::write(QStringLiteral("%1 is not a readable property list").arg(path));
    return std::move(parsed.value);
}

QStringList PropertyList::stringMembers(const QVariant& array)
{
    QStringList strings;
    if (array.typeId() != QMetaType::QVariantList)
        return strings;
    for (const QVariant& member : array.toList()) {
        if (member.typeId() == QMetaType::QString)
            strings.append(member.toString());
    }
    return strings;
}

QVariantMap PropertyList::readDictionary(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {};
    const auto root = read(path);
    if (!root)
        return {};
    if (root->typeId() != QMetaType::QVariantMap) {
        SystemLog::write(QStringLiteral("%1 does not hold a dictionary").arg(path));
        return {};
    }
    return root->toMap();
}

std::optional<QByteArray> PropertyList::toXml(const QVariant& root)
{
    bool ok = true;
    PlistPtr node(fromVariant(root, ok));
    if (!ok || !node)
        return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    if (!xml)
        return std::nullopt;
    QByteArray result(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return result;
}

bool PropertyList::writeXml(const QVariant& root, const QString& path)
{
    return save(toXml(root), path, Links::Follow);
}

bool PropertyList::writeStringArrays(
    const QMap<QString, QStringList>& root, const QString& path, qsizetype sizeHint)
{
    return save(stringArraysToXml(root, sizeHint), path, Links::Refuse);
}

namespace {

// Below a space (tab and line feed among them) or from the surrogates up:
// a unit that needs a closer look before it is written.
constexpr unsigned isUnusualUnit(char16_t unit)
{
    return unsigned(char16_t(unit - u'\x20') >= char16_t(0xD800 - 0x20));
}

constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                            "<plist version=\"1.0\">\n";

// The text in UTF-8, with the three characters libplist spells out as
// entities spelt out; false when it cannot be kept.
bool appendEscaped(QByteArray& out, QStringView text, QStringEncoder& utf8)
{
    // One pass tells a plain text: nothing below a space or from the surrogates
    // up, and nothing to spell out. The rest are looked at closer.
    const bool plain = sumOverUnits(text, [](char16_t unit) {
        return isUnusualUnit(unit) | unsigned(unit == u'&') | unsigned(unit == u'<') | unsigned(unit == u'>');
    }) == 0;
    if (!plain && !PropertyList::isRepresentable(text))
        return false;
    const bool special = !plain && (text.contains(u'&') || text.contains(u'<') || text.contains(u'>'));
    const qsizetype start = out.size();
    out.resize(start + utf8.requiredSpace(text.size()));
    out.truncate(utf8.appendToBuffer(out.data() + start, text) - out.constData());
    if (!special)
        return true;
    const QByteArray unescaped = out.sliced(start);
    out.truncate(start);
    for (const char c : unescaped) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return true;
}

} // namespace

std::optional<QByteArray> PropertyList::stringArraysToXml(
    const QMap<QString, QStringList>& root, qsizetype sizeHint)
{
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    QByteArray out;
    out.reserve(sizeHint + qsizetype(sizeof(kXmlHead)) + 64);
    out += kXmlHead;
    out += root.isEmpty() ? "<dict/>\n" : "<dict>\n";
    for (auto it = root.cbegin(); it != root.cend(); ++it) {
        out += "\t<key>";
        if (!appendEscaped(out, it.key(), utf8))
            return std::nullopt;
        out += "</key>\n";
        out += it.value().isEmpty() ? "\t<array/>\n" : "\t<array>\n";
        for (const QString& text : it.value()) {
            out += "\t\t<string>";
            if (!appendEscaped(out, text, utf8))
                return std::nullopt;
            out += "</string>\n";
        }
        if (!it.value().isEmpty())
            out += "\t</array>\n";
    }
    if (!root.isEmpty())
        out += "</dict>\n";
    out += "</plist>\n";
    return out;
}

namespace {

bool writeAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t count = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += count;
    }
    return true;
}

// Replaces the file at `path`, whole or not at all, and never through what
// stands there: QSaveFile writes into the target of a link at the path, while
// rename() replaces a link, a FIFO or a file with other links by itself. The
// data goes into an unnamed file of the same folder first, so that a writer
// killed midway leaves nothing behind, and is named only for the rename.
// Empty when it worked, else the reason.
QString replaceFile(const QString& path, const QByteArray& data)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    const bool unnamed = fd >= 0;
    // A file system without unnamed files gets a named one, made new.
    QByteArray staged;
    for (int attempt = 0; attempt < 100; ++attempt) {
        staged = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        if (unnamed)
            break;
        fd = ::open(staged.constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            break;
    }
    bool named = !unnamed && fd >= 0;
    bool done = fd >= 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    if (done && unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        done = named
            = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, staged.constData(), AT_SYMLINK_FOLLOW) == 0;
    }
    done = done && ::rename(staged.constData(), target.constData()) == 0;
    const QString reason = done ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    if (!done && named)
        ::unlink(staged.constData());
    if (fd >= 0)
        ::close(fd);
    return reason;
}

} // namespace

bool PropertyList::save(const std::optional<QByteArray>& xml, const QString& path, Links links)
{
    if (!xml) {
        SystemLog::write(QStringLiteral("Cannot write %1: it would hold text a property list cannot keep").arg(path));
        return false;
    }
    QString reason;
    if (links == Links::Refuse) {
        reason = replaceFile(path, *xml);
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*xml) != xml->size() || !file.commit())
            reason = file.errorString();
    }
    if (!reason.isEmpty())
        SystemLog::write(QStringLiteral("Cannot write %1: %2").arg(path, reason));
    return reason.isEmpty();
}

bool PropertyList::isRepresentable(QStringView text)
{
    // Nearly every text is plain, below the surrogates and above the control
    // characters: one branch-free pass says so; every path a scan stores is
    // checked here.
    if (sumOverUnits(text, [](char16_t unit) { return isUnusualUnit(unit); }) == 0)
        return true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF)
            return false;
        // Half a surrogate pair has no UTF-8 form.
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 == text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(u)) {
            return false;
        }
    }
    return true;
}
