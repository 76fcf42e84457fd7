#pragma once

#include "uninstaller/ApplicationDetails.h"

#include <QList>
#include <QObject>

// Asks flatpak and snap for their applications in the background, so the
// page shows at once and their rows follow as each answer arrives.
class PackageListing final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PackageListing)

public:
    explicit PackageListing(QObject* parent = nullptr);

    // A missing or failing command gives a log line and no rows of its kind.
    void start();
    bool isRunning() const { return m_pending > 0; }

    // Listings hold no control character of their own, so one in a line is a
    // name trying to pass for more than a name: the line is dropped.
    static bool hasControlCharacter(const QString& text);
    // The line as a log line can carry it: control characters other than the
    // tab written as \xNN, so no line break or terminal sequence reaches the log.
    static QString escaped(const QString& text);

Q_SIGNALS:
    void rowsFound(const QList<ApplicationDetails>& rows);
    // Both commands have answered (or were not there).
    void finished();

private:
    void ask(const QString& tool, const QStringList& arguments,
        QList<ApplicationDetails> (*rows)(const QString& output));
    void oneDone();

    int m_pending = 0;
};
