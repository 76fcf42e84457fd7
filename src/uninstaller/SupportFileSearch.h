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

    // Where a support file was found: the folder searched, and the plain
    // names below it. It is removed from that folder, never through a link.
    struct Found {
        QString folder;
        QStringList inside;
        // Another installed application's desktop entry refers to its name:
        // shown, but not ticked.
        bool shared = false;
        // A desktop entry or an icon is a file; a folder in its place is not ours.
        bool mayBeFolder = true;

        QString path() const;
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

    // The user's desktop entries whose command runs `file`: regular files
    // directly in the user's applications folder, never a link to one.
    static QStringList entriesExecuting(const QString& file);
    // The icons those entries name, looked up by name as the desktop does:
    // <icons>/<theme>/<size>/apps/<name>.<png|svg|xpm> and <pixmaps>/<name>.<ext>,
    // regular files reached through no link. An icon given as a path names
    // nothing here, and one another application's entry names is shared.
    static QList<Found> iconsOfEntries(const QStringList& entries);
    // The first of those icons, to show on the row; empty when there is none.
    static QString iconOfEntries(const QStringList& entries);

private:
    static QList<Found> iconFiles(const QStringList& entries);
};
