#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The profiles a Firefox-family profiles folder names in its "profiles.ini".
// The browser, its profile manager and any program of the user write that
// file, so a folder it names is taken only when it lies below the profiles
// folder and is reached without a link; anything else is passed over with a
// log line, as removal would refuse it.
class FirefoxProfiles final {
public:
    // Far beyond a file with hundreds of profiles.
    static constexpr qint64 kMaxIniSize = 256 * 1024;

    struct Named {
        QString path; // as the file writes it
        bool isRelative = false;
    };
    // The "Path" of every "[Profile...]" section, in the file's order.
    static QList<Named> parse(const QByteArray& ini);
    // The folders root's profiles.ini names that may be scanned, each once;
    // none when it has no such file.
    static QStringList listedIn(const QString& root);
};
