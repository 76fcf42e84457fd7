#pragma once

#include <QString>
#include <QStringList>

// A process table laid out as /proc is: one numeric folder per process with
// an "exe" link and a "comm" file, either of which may be missing.
class FakeProcessTable final {
public:
    explicit FakeProcessTable(const QString& folder);

    QString folder() const { return m_folder; }
    // An empty exe or comm leaves that entry out.
    void add(int pid, const QString& exe, const QString& comm = QString());
    // The process's environment, as the kernel lays it out: NUL-terminated "NAME=value" entries.
    void setEnvironment(int pid, const QStringList& variables);

private:
    QString m_folder;
};
