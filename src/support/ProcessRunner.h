#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Runs the desktop's own tools (flatpak, snap, gsettings) by name, never
// through a shell, looked up only in Locations' command search path.
class ProcessRunner final {
public:
    ProcessRunner() = delete;

    struct Result {
        bool started = false;
        int exitCode = -1; // -1 as well when the program crashed
        QByteArray standardOutput;
        QByteArray standardError;
        QString failure; // why it could not be started

        bool succeeded() const { return started && exitCode == 0; }
        // What the program said about its failure, for the user.
        QString message() const;
    };

    // The full path of the named program, or empty when it is not installed.
    static QString findProgram(const QString& name);

    // Waits for the end while the event loop keeps running (without user input).
    static Result run(const QString& program, const QStringList& arguments);

    // Returns at once; `done` runs on context's thread when the program has
    // ended or could not start, unless context is gone by then.
    static void start(const QString& program, const QStringList& arguments, QObject* context,
        std::function<void(const Result&)> done);
};
