#pragma once

#include "uninstaller/ApplicationDetails.h"
#include "uninstaller/PackageLeftover.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

#include <atomic>
#include <optional>
#include <thread>

// Asks flatpak and snap for their applications, and for what they leave
// behind, in the background, so the page shows at once and their rows
// follow as each answer arrives; the leftovers follow once every answer is
// in and each has been measured, off the main thread.
class PackageListing final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PackageListing)

public:
    explicit PackageListing(QObject* parent = nullptr);
    // Abandons a running measurement and waits for its thread.
    ~PackageListing() override;

    // A missing or failing command gives a log line and no rows of its kind;
    // no data folder is taken for a leftover unless its tool listed its
    // applications.
    void start();
    bool isRunning() const { return m_pending > 0 || m_measuring.joinable(); }

    // Listings hold no control character of their own, so one in a line is a
    // name trying to pass for more than a name: the line is dropped.
    static bool hasControlCharacter(const QString& text);
    // The line as a log line can carry it: control characters other than the
    // tab written as \xNN, so no line break or terminal sequence reaches the log.
    static QString escaped(const QString& text);

Q_SIGNALS:
    void rowsFound(const QList<ApplicationDetails>& rows);
    // Unused runtimes, old snap revisions, then data folders of removed applications, each measured.
    void leftoversFound(const QList<PackageLeftover>& leftovers);
    // Every command has answered (or was not there) and the leftovers are in.
    void finished();

private:
    enum class Question { FlatpakApps, FlatpakArch, FlatpakUserUnused, FlatpakSystemUnused, Snaps };
    // Runs the tool; its output, or nothing when it failed, is kept for allAnswered.
    void ask(const QString& program, Question question, const QStringList& arguments);
    void answered(Question question, const std::optional<QString>& output);
    void oneDone();
    // Lists the leftovers from the kept answers and measures them on a thread.
    void allAnswered();
    void measured(const QList<PackageLeftover>& leftovers);

    int m_pending = 0;
    QHash<Question, std::optional<QString>> m_answers;
    std::thread m_measuring;
    std::atomic<bool> m_cancelled { false };
};
