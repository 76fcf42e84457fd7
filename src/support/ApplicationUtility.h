#pragma once

#include <QString>
#include <QStringList>

class QAbstractButton;
class QIcon;
class QLabel;

// Class operations without state, shared by the pages.
class ApplicationUtility final {
public:
    ApplicationUtility() = delete;

    // Links and underlined titles.
    static void setHyperlinkOnTextField(QLabel* textField, const QString& link);
    static void setUnderLineOnButton(QAbstractButton* button, const QString& buttonName);

    // Files and text (the uninstaller's helpers).
    static QStringList matchesForFilename(const QString& name, const QString& path);
    static QString updatedString(const QString& text, const QIcon& image);
    static QString humanReadableFileType(const QString& path);
};
