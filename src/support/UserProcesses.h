#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The processes of the user running this program, read from a process table
// laid out as /proc. A process that ends while it is read is passed over.
class UserProcesses final {
public:
    UserProcesses() = delete;

    struct Process {
        QString folder; // procFolder/<pid>
        // Where "exe" leads, without the " (deleted)" the kernel adds once the program
        // file was replaced (a browser updated while it runs); empty when unreadable.
        QString executable;
    };
    static QList<Process> list(const QString& procFolder);
    // The value of one variable of the process's environment; null when it has none.
    static QString environmentValue(const Process& process, const QByteArray& name);
};
