#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// A file that existed when the reference was made. The store takes
// references rather than strings so that "names no existing file" is
// decided once, where the caller's URL or path comes in.
class FileReference final {
public:
    // std::nullopt unless the URL is a file URL whose absolute path names an
    // existing file or folder (links followed).
    static std::optional<FileReference> fromURL(const QUrl& url);
    static std::optional<FileReference> fromPath(const QString& path);

    const QString& path() const { return m_path; }

    // The file URL of a path, cleaned so that one file is always named by one
    // URL: login items are found again by comparing URLs.
    static QUrl urlForPath(const QString& path);

private:
    explicit FileReference(const QString& path);
    QString m_path;
};
