#include "platform/PropertyList.h"

#include "platform/SystemLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <memory>
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

// Nesting depth of the XML container elements, counted without parsing: good
// enough to refuse a file built to exhaust the parser's stack.
int xmlDepth(const QByteArray& data)
{
    int depth = 0;
    int deepest = 0;
    const char* p = data.constData();
    const char* end = p + data.size();
    while (p < end) {
        const char* open = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        if (!open)
            break;
        const char* close = static_cast<const char*>(std::memchr(open, '>', size_t(end - open)));
        if (!close)
            break;
        const qsizetype length = close - open + 1;
        const QByteArrayView tag(open, length);
        const bool selfClosing = length >= 2 && close[-1] == '/';
        if (!selfClosing && (tag.startsWith("<array") || tag.startsWith("<dict"))) {
            deepest = std::max(deepest, ++depth);
        } else if (tag.startsWith("</array") || tag.startsWith("</dict")) {
            --depth;
        }
        p = close + 1;
    }
    return deepest;
}

// Binary lists reference their objects through an offset table; the depth is
// followed iteratively over that table so no recursion is needed to measure it.
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

// Binary lists reference their objects through an offset table; the depth is
// followed iteratively over that table so no recursion is needed to measure it.
// A list holding a string with a NUL counts as too deep: it must not be parsed.
int binaryDepth(const QByteArray& data)
{
    const auto size = quint64(data.size());
    if (size < 8 + 32)
        return 0;
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
        return 0; // not a sound binary list: the parser will refuse it
    auto offsetOf = [&](quint64 index) { return readBE(bytes + tableOffset + index * offsetSize, offsetSize); };
    for (quint64 i = 0; i < objectCount; ++i) {
        const quint64 offset = offsetOf(i);
        if (offset < tableOffset && binaryStringHoldsNul(bytes, offset, tableOffset))
            return PropertyList::kMaxDepth + 1;
    }

    struct Frame {
        quint64 object;
        int depth;
    };
    std::vector<Frame> stack { { topObject, 1 } };
    std::vector<int> seenDepth(size_t(objectCount), 0);
    int deepest = 0;
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        if (frame.depth > PropertyList::kMaxDepth)
            return frame.depth;
        if (seenDepth[frame.object] >= frame.depth)
            continue;
        seenDepth[frame.object] = frame.depth;
        deepest = std::max(deepest, frame.depth);
        const quint64 offset = offsetOf(frame.object);
        if (offset >= tableOffset)
            continue;
        const unsigned marker = bytes[offset];
        const unsigned type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            continue;
        quint64 count = marker & 0x0F;
        quint64 start = offset + 1;
        if (count == 0x0F) {
            if (start >= tableOffset || (bytes[start] >> 4) != 0x1)
                continue;
            const unsigned width = 1u << (bytes[start] & 0x0F);
            if (width > 8 || start + 1 + width > tableOffset)
                continue;
            count = readBE(bytes + start + 1, width);
            start += 1 + width;
        }
        const quint64 refs = type == 0xD ? count * 2 : count;
        if (refs > (tableOffset - start) / refSize)
            continue;
        for (quint64 i = 0; i < refs; ++i) {
            const quint64 child = readBE(bytes + start + i * refSize, refSize);
            if (child < objectCount)
                stack.push_back({ child, frame.depth + 1 });
        }
    }
    return deepest;
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

plist_t fromVariant(const QVariant& value, bool& ok)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend() && ok; ++it) {
            if (!PropertyList::isRepresentable(it.key())) {
                ok = false;
                break;
            }
            plist_t child = fromVariant(it.value(), ok);
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
            plist_t child = fromVariant(item, ok);
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
    plist_t root = nullptr; // libplist leaves the output alone on failure
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SystemLog::write(QStringLiteral("Cannot read property list %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        SystemLog::write(QStringLiteral("Property list %1 is too large to read").arg(path));
        return std::nullopt;
    }
    auto result = fromData(file.readAll());
    if (!result)
        SystemLog::write(QStringLiteral("%1 is not a readable property list").arg(path));
    return result;
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
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF)
            return false;
        if (c.isSurrogate())
            continue;
    }
    // Lone surrogates would not survive the UTF-8 round trip.
    return QString::fromUtf8(text.toUtf8()) == text;
}
