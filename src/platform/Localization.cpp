#include "platform/Localization.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QPointer>
#include <QTranslator>

namespace {

struct Table {
    bool loaded = false;
    QString language;
    QHash<QString, QString> texts;
};

QMutex& tableLock()
{
    static QMutex lock;
    return lock;
}

Table& table()
{
    static Table t;
    return t;
}

void load(Table& t, const QString& language)
{
    t.language = language;
    t.texts.clear();
    t.loaded = true;
    if (language.isEmpty() || language == QStringLiteral("en"))
        return;
    const QString path = Locations::current().resourcesFolder + QStringLiteral("/localization/") + language
        + QStringLiteral(".plist");
    const QVariantMap entries = PropertyList::readDictionary(path);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.value().typeId() == QMetaType::QString)
            t.texts.insert(it.key(), it.value().toString());
    }
}

} // namespace

QString Localization::text(const QString& key, const QString& englishDefault)
{
    QMutexLocker locker(&tableLock());
    Table& t = table();
    if (!t.loaded)
        load(t, QLocale().name().section(u'_', 0, 0));
    const auto found = t.texts.constFind(key);
    return found == t.texts.cend() ? englishDefault : *found;
}

QString Localization::categoryName(const QString& storedName)
{
    return text(QStringLiteral("CATEGORY_") + storedName.toUpper().replace(u' ', u'_'), storedName);
}

void Localization::setLanguage(const QString& language)
{
    QMutexLocker locker(&tableLock());
    load(table(), language);
}

QString Localization::language()
{
    QMutexLocker locker(&tableLock());
    Table& t = table();
    if (!t.loaded)
        load(t, QLocale().name().section(u'_', 0, 0));
    return t.language;
}

void Localization::installQtTranslations()
{
    static QPointer<QTranslator> installed;
    if (!QCoreApplication::instance())
        return;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const QString current = language();
    if (current.isEmpty() || current == QStringLiteral("en"))
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(current), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
}

QString formattedSize(qint64 bytes)
{
    if (bytes < 0)
        return QString();
    const QLocale locale;
    // Qt has one plural for every count of bytes.
    if (bytes == 1)
        return formatText(Localization::text(QStringLiteral("SIZE_ONE_BYTE"), QStringLiteral("%d byte")),
            { locale.toString(1) });
    return locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString formatText(const QString& format, const QStringList& arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && (format[i + 1] == u'@' || format[i + 1] == u'd')) {
            if (next < arguments.size())
                result += arguments[next++];
            ++i;
        } else if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u'%') {
            result += u'%';
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}

QString withoutWidow(QString title)
{
    if (const qsizetype lastSpace = title.lastIndexOf(u' '); lastSpace > 0)
        title[lastSpace] = QChar::Nbsp;
    return title;
}
