#pragma once

#include <QHash>
#include <QString>

// Looks user-visible texts up by key in the table of the user's language
// (resources/localization/<language>.plist); a missing key gives the English default.
class Localization final {
public:
    static QString text(const QString& key, const QString& englishDefault);
    // How a category is shown: the stored name ("System Logs") is its English
    // form and stays the key of results and definitions; the table's entry
    // "CATEGORY_SYSTEM_LOGS" gives it in the user's language.
    static QString categoryName(const QString& storedName);

    // The language whose table is used ("de"); empty means English defaults only.
    // Chosen on first use from QLocale(), the system locale unless set otherwise; tests set it.
    static void setLanguage(const QString& language);
    static QString language();
    // Qt's own texts (the standard buttons' "Cancel", the text fields' menus)
    // in the same language, from the translations Qt ships; English without
    // them. Called on the main thread once the application exists, and again
    // after the language changes.
    static void installQtTranslations();
};

// Fills the "%@" and "%d" placeholders of a localised format, left to right.
// Text that the arguments bring in is never scanned for placeholders again.
QString formatText(const QString& format, const QStringList& arguments);

// A size as every page shows it, in the user's locale: "1 byte", "512 bytes",
// "12.4 MB"; empty for an unknown (negative) size.
QString formattedSize(qint64 bytes);

// A title whose last word keeps to the word before it when the line breaks:
// a last word alone on a line of its own reads as a stray.
QString withoutWidow(QString title);
