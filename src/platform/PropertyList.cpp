#include "platform/PropertyList.h"

#include "platform/SystemLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
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

// Deeper than any list we accept: the answer for input built to mislead the
// depth count (a closing tag with nothing open).
constexpr int kRefused = PropertyList::kMaxDepth + 1;

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

// Nesting depth of the XML container elements, measured without recursion.
// Comments, CDATA sections, processing instructions and the document type are
// skipped the way the parser skips them, so tags hidden in them can neither
// add to the count nor cancel real ones out.
int xmlDepth(const QByteArray& data)
{
    int depth = 0;
    int deepest = 0;
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
            if (next && next[-1] != '/' && namesContainer(p + 1, end))
                deepest = std::max(deepest, ++depth);
        }
        if (!next || deepest > PropertyList::kMaxDepth)
            break; // unterminated markup: the parser refuses it as well
        p = next + 1;
    }
    return deepest;
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

bool binaryStringHoldsNul(const unsigned char* bytes, quint64 offset, quint64 end)
{
    const unsigned marker = bytes[offset];
    const unsigned type = marker >> 4;
    if (type != 0x5 && type != 0x6)
        return false;
    quint64 count = marker & 0x0F;
    quint64 start = offset + 1;
    if (count == 0x0F) {
        if (start >= end || (bytes[start] >> 4) != 0x1)
            return false;
        const unsigned width = 1u << (bytes[start] & 0x0F);
        if (width > 8 || start + 1 + width > end)
            return false;
        count = 0;
        for (unsigned i = 0; i < width; ++i)
            count = (count << 8) | bytes[start + 1 + i];
        start += 1 + width;
    }
    const quint64 unit = type == 0x6 ? 2 : 1;
    if (count > (end - start) / unit)
        return false;
    for (quint64 i = 0; i < count; ++i) {
        if (unit == 1 ? bytes[start + i] == 0 : (bytes[start + 2 * i] == 0 && bytes[start + 2 * i + 1] == 0))
            return true;
    }
    return false;
}

// The longest chain of references below the top object of a binary list, found
// without recursion. A list that refers back to itself is refused outright.
// A list holding a string with a NUL is refused as well: libplist would abort on it.
int binaryDepth(const QByteArray& data)
{
    const auto size = quint64(data.size());
    if (size < 8 + 32)
        return kRefused; // too short to hold a trailer
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const unsigned char* trailer = bytes + size - 32;
    const unsigned offsetSize = trailer[6];
    const unsigned refSize = trailer[7];
    auto readBE = [](const unsigned char* at, unsigned width) {
        quint64 v = 0;
        for (unsigned i = 0; i < width; ++i)
            v = (v << 8) | at[i];
        return v;
    };
    const quint64 objectCount = readBE(trailer + 8, 8);
    const quint64 topObject = readBE(trailer + 16, 8);
    const quint64 tableOffset = readBE(trailer + 24, 8);
    if (offsetSize == 0 || offsetSize > 8 || refSize == 0 || refSize > 8 || objectCount == 0
        || objectCount > size || topObject >= objectCount || tableOffset >= size
        || objectCount * offsetSize > size - tableOffset)
        // libplist parses some lists whose trailer no writer makes (a reference
        // size of 33 bytes, say) and then trips over them: refuse them here.
        return kRefused;
    for (quint64 i = 0; i < objectCount; ++i) {
        const quint64 offset = readBE(bytes + tableOffset + i * offsetSize, offsetSize);
        // A string may run on past the object table as far as the parser is
        // concerned, so it is read to the end of the data.
        if (offset < size && binaryStringHoldsNul(bytes, offset, size))
            return kRefused;
    }

    // The references of a container object; none for anything else or for an
    // object whose bytes do not add up.
    struct Refs {
        quint64 start = 0;
        quint64 count = 0;
    };
    auto refsOf = [&](quint64 object) -> Refs {
        const quint64 offset = readBE(bytes + tableOffset + object * offsetSize, offsetSize);
        if (offset >= tableOffset)
            return {};
        const unsigned marker = bytes[offset];
        const unsigned type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            return {};
        quint64 count = marker & 0x0F;
        quint64 start = offset + 1;
        if (count == 0x0F) {
            if (start >= tableOffset || (bytes[start] >> 4) != 0x1)
                return {};
            const unsigned width = 1u << (bytes[start] & 0x0F);
            if (width > 8 || start + 1 + width > tableOffset)
                return {};
            count = readBE(bytes + start + 1, width);
            start += 1 + width;
        }
        const quint64 refs = type == 0xD ? count * 2 : count;
        if (count > size || refs > (tableOffset - start) / refSize)
            return {};
        return { start, refs };
    };

    enum : int { kUnvisited = 0, kOnPath = -1 };
    std::vector<int> height(size_t(objectCount), kUnvisited); // objects below and including it, once known
    struct Frame {
        quint64 object;
        Refs refs;
        quint64 next;
        int tallest;
    };
    std::vector<Frame> path { { topObject, refsOf(topObject), 0, 0 } };
    height[topObject] = kOnPath;
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.refs.count) {
            height[frame.object] = frame.tallest + 1;
            const int finished = height[frame.object];
            path.pop_back();
            if (!path.empty())
                path.back().tallest = std::max(path.back().tallest, finished);
            continue;
        }
        const quint64 child = readBE(bytes + frame.refs.start + frame.next++ * refSize, refSize);
        if (child >= objectCount)
            continue;
        if (height[child] == kOnPath)
            return kRefused;
        if (height[child] != kUnvisited) {
            frame.tallest = std::max(frame.tallest, height[child]);
            continue;
        }
        if (path.size() >= size_t(PropertyList::kMaxDepth))
            return kRefused;
        height[child] = kOnPath;
        path.push_back({ child, refsOf(child), 0, 0 });
    }
    return height[topObject];
}

QVariant toVariant(plist_t node, int depth)
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
            map.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            std::free(key);
        }
        std::free(it);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        list.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            list.append(toVariant(plist_array_get_item(node, i), depth + 1));
        return list;
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        QString result = text ? QString::fromUtf8(text) : QString(QStringLiteral(""));
        std::free(text);
        return result;
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
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray result(bytes ? bytes : "", bytes ? qsizetype(length) : 0);
        std::free(bytes);
        return result;
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
    if (data.isEmpty() || data.size() > kMaxFileSize)
        return std::nullopt;
    if (!isBinary(data) && xmlHoldsNul(data))
        return std::nullopt;
    const int depth = isBinary(data) ? binaryDepth(data) : xmlDepth(data);
    if (depth > kMaxDepth)
        return std::nullopt;
    plist_t root = nullptr; // must start out null: libplist leaves it alone on failure
    if (isBinary(data))
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    else
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
    if (!root)
        return std::nullopt;
    PlistPtr owner(root);
    return toVariant(root, 1);
}

std::optional<QVariant> PropertyList::read(const QString& path)
{
    // Opening a pipe or a device in place of the file would block or never
    // reach its end; only a regular file (or a link to one) is read.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        SystemLog::write(QStringLiteral("Cannot read property list %1: it is not a file").arg(path));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SystemLog::write(QStringLiteral("Cannot read property list %1: %2").arg(path, file.errorString()));
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
    auto result = fromData(data);
    if (!result)
        SystemLog::write(QStringLiteral("%1 is not a readable property list").arg(path));
    return result;
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
    const auto xml = toXml(root);
    if (!xml) {
        SystemLog::write(QStringLiteral("Cannot write %1: it would hold text a property list cannot keep").arg(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*xml) != xml->size() || !file.commit()) {
        SystemLog::write(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool PropertyList::isRepresentable(const QString& text)
{
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
