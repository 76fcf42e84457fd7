// The most memory the fix page takes for a results file made to exhaust it:
// the few hundred bytes that would become billions of strings, and the
// largest lists the reader still accepts. Each file is opened in a fresh
// process of its own, so each peak is that file's alone. Runs in a temporary
// folder.

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "removal/FixPageController.h"
#include "results/ResultsTreeModel.h"
#include "shell/ApplicationController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int width)
{
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

void appendMarker(QByteArray& out, int type, quint64 count)
{
    if (count < 15) {
        out.append(char(type << 4 | int(count)));
        return;
    }
    out.append(char(type << 4 | 0xF));
    out.append('\x12'); // the count in the next four bytes
    appendBigEndian(out, count, 4);
}

// A binary results file { "Cookies": A1 } where each of `levels` arrays holds
// the next one `fan` times and the last holds one path `fan` times: the
// reader copies the path fan^levels times.
QByteArray sharedPaths(int levels, quint32 fan, const QByteArray& path)
{
    QList<QByteArray> objects;
    QByteArray dictionary;
    appendMarker(dictionary, 0xD, 1);
    appendBigEndian(dictionary, 1, 4);
    appendBigEndian(dictionary, 2, 4);
    objects << dictionary;
    QByteArray key;
    appendMarker(key, 0x5, 7);
    objects << key + "Cookies";
    for (int level = 0; level < levels; ++level) {
        QByteArray array;
        appendMarker(array, 0xA, fan);
        for (quint32 i = 0; i < fan; ++i)
            appendBigEndian(array, quint64(objects.size() + 1), 4);
        objects << array;
    }
    QByteArray text;
    appendMarker(text, 0x5, quint64(path.size()));
    objects << text + path;

    QByteArray out("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        appendBigEndian(offsets, quint64(out.size()), 4);
        out += object;
    }
    const auto table = quint64(out.size());
    out += offsets + QByteArray(6, '\0') + "\x04\x04";
    for (const quint64 value : { quint64(objects.size()), quint64(0), table })
        appendBigEndian(out, value, 8);
    return out;
}

QByteArray differentPaths(int count)
{
    QVariantList paths;
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("/home/u/.cache/junk/%1").arg(i));
    return PropertyList::toXml(QVariantMap { { QStringLiteral("Cookies"), paths } }).value_or(QByteArray());
}

// The high-water mark of this process's own memory: unlike getrusage(), it
// starts afresh at exec and so leaves out the parent's.
long peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    }
    return -1;
}

// In the child: shows the fix page for the results file already in place.
int openFixPage(const QString& root)
{
    Locations::setCurrent(Locations::sandbox(root));
    UserDefaults::reload();
    QElapsedTimer timer;
    timer.start();
    ApplicationController controller;
    controller.awakeFromNib();
    controller.window()->resize(1000, 700);
    controller.window()->show();
    FixPageController& fix = *controller.fixPageController();
    QEventLoop measuring;
    QObject::connect(fix.model(), &ResultsTreeModel::sizesMeasuringFinished, &measuring, &QEventLoop::quit);
    controller.showFixPage();
    QCoreApplication::processEvents();
    if (!fix.model()->sizesMeasured())
        measuring.exec();
    std::printf("%8ld MB peak %9.1f s  %d rows under the first group\n", peakRssMb(), timer.elapsed() / 1e3,
        fix.model()->rowCount(fix.model()->index(0, 0)) > 0
            ? fix.model()->rowCount(fix.model()->index(0, 0, fix.model()->index(0, 0)))
            : 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--open")
        return openFixPage(QString::fromLocal8Bit(argv[2]));

    const QByteArray shortPath = "/home/u/.cache/junk";
    const QByteArray longPath = '/' + QByteArray(4095, 'a');
    const struct {
        const char* name;
        QByteArray file;
    } cases[] = {
        { "8^10 copies of one path (refused)", sharedPaths(10, 8, shortPath) },
        { "999,990 copies of one short path", sharedPaths(1, 999990, shortPath) },
        { "999,990 different paths (XML)", differentPaths(999990) },
        { "65,000 copies of a 4 KiB path (254 MiB)", sharedPaths(1, 65000, longPath) },
        { "65,600 copies of a 4 KiB path (refused)", sharedPaths(1, 65600, longPath) },
    };
    QTemporaryDir sandbox;
    std::printf("the fix page opened on each results file, in a process of its own:\n");
    for (const auto& item : cases) {
        const Locations locations = Locations::sandbox(sandbox.path());
        QDir().mkpath(locations.resultsFolder);
        QFile file(locations.resultsFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(item.file) != item.file.size())
            return 1;
        file.close();
        std::printf("%-42s %9lld bytes: ", item.name, qint64(item.file.size()));
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--open"), sandbox.path() });
        child.waitForFinished(-1);
    }
    return 0;
}
