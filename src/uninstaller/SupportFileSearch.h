#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Finds an application's support files by name, and keeps the desktop's own
// shared folders out of them: a name-based search cannot tell an application
// called "keyrings" from the user's stored passwords.
class SupportFileSearch final {
public:
    SupportFileSearch() = delete;

    struct Found {
        QString path;
        // Another installed application's desktop entry refers to its name:
        // shown, but not ticked.
        bool shared = false;
    };

    // A name that desktop components share (dconf, keyrings, gtk-*, ...).
    static bool isSharedName(const QString& name);
    // Names are looked for directly inside the system's shared folders, and
    // what is found is deleted: a name that is empty, "." or "..", or that holds
    // a "/", would name one of those folders or climb out of it.
    static bool isSearchableName(const QString& name);

    // The entries directly inside `folders` named exactly one of `names`,
    // sorted, without the folders themselves, not searching for a name that is
    // not searchable, and without (one log line each)
    // those whose name is shared. `ownEntries` are desktop entries of the
    // application itself, which do not make a name shared.
    static QList<Found> namedIn(
        const QStringList& names, const QStringList& folders, const QStringList& ownEntries = {});

    // The user's desktop entries whose command runs `file`.
    static QStringList entriesExecuting(const QString& file);
    // The icon files those entries name, in the user's icons folder (or, given
    // as a path, anywhere in the user's home).
    static QStringList iconsOfEntries(const QStringList& entries);
    static QString iconOfEntries(const QStringList& entries);
};
