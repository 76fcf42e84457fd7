#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A small file that other programs write, read only when it is what it
// claims to be: opened without blocking and checked on the open descriptor,
// so a FIFO or a device planted under its name can neither hang nor feed the
// reader, and never read past the caller's bound.
class SmallFile final {
public:
    enum class Links { Follow, Refuse };

    // The whole contents, or nothing and the reason ("not a regular file",
    // "larger than N bytes", ...).
    static std::optional<QByteArray> read(const QString& path, qint64 maxSize, Links links, QString* reason);
};
