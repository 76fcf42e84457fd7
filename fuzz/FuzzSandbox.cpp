#include "FuzzSandbox.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

void FuzzSandbox::ensure()
{
    static QTemporaryDir* dir = [] {
        static int argc = 1;
        static char name[] = "velmora-fuzz";
        static char* argv[] = { name, nullptr };
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        auto* d = new QTemporaryDir;
        Locations::setCurrent(Locations::sandbox(d->path()));
        QDir().mkpath(Locations::current().home);
        SystemLog::setSink([](const QString&) {});
        return d;
    }();
    Q_UNUSED(dir);
}

QString FuzzSandbox::writeScratch(const char* name, const uint8_t* data, size_t size)
{
    ensure();
    const QString path = Locations::current().home + u'/' + QLatin1String(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}
