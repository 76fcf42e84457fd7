#pragma once

#include "platform/Locations.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A test's private world: every location of the program inside a temporary
// folder, fresh user defaults, the English texts, and the log lines and alerts
// recorded instead of written or shown. Restores the previous state when it goes.
class Sandbox final {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString root() const { return m_dir.path(); }
    const Locations& locations() const { return Locations::current(); }
    void setLocations(const Locations& locations);
    QString path(const QString& relativeToRoot) const { return root() + u'/' + relativeToRoot; }
    // Both create the missing parent folders and answer the absolute path.
    QString makeFile(const QString& relativeToRoot, const QByteArray& contents = "x");
    QString makeFolder(const QString& relativeToRoot);
    // A link counts whatever it points to.
    static bool exists(const QString& path)
    {
        return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
    }

    // What a file holds; empty when it cannot be read.
    static QByteArray contents(const QString& path);

    QStringList logLines() const;
    bool logged(const QString& line) const { return logLines().contains(line); }
    QStringList alerts() const;
    void clearRecords();

private:
    QTemporaryDir m_dir;
    Locations m_previous;
    QString m_previousLanguage;
};
