#include "uninstaller/PackageListing.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "support/ProcessRunner.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace {

// The data folders directly in `parent` named as the tool names its
// applications, none of which is installed; a link is no folder of the tool's.
QList<PackageLeftover> dataFoldersOfRemoved(
    const QString& parent, bool (*isName)(const QString&), const QSet<QString>& installed)
{
    QList<PackageLeftover> folders;
    const QStringList names = QDir(parent).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QString& name : names) {
        if (isName(name) && !installed.contains(name))
            folders.append(PackageLeftover::applicationData(parent, name));
    }
    return folders;
}

} // namespace

PackageListing::PackageListing(QObject* parent)
    : QObject(parent)
{
}

PackageListing::~PackageListing()
{
    m_cancelled = true;
    if (m_measuring.joinable())
        m_measuring.join();
}

void PackageListing::start()
{
    if (isRunning())
        return;
    m_answers.clear();
    // Held until every question is out, so an early answer cannot end the listing.
    m_pending = 1;
    const QString flatpak = ProcessRunner::findProgram(QStringLiteral("flatpak"));
    if (flatpak.isEmpty()) {
        SystemLog::write(QStringLiteral("No flatpak command: no flatpak applications listed"));
    } else {
        ask(flatpak, Question::FlatpakApps, FlatpakApps::listArguments());
        ask(flatpak, Question::FlatpakArch, FlatpakApps::defaultArchArguments());
        ask(flatpak, Question::FlatpakUserUnused, FlatpakApps::unusedArguments(QStringLiteral("user")));
        ask(flatpak, Question::FlatpakSystemUnused, FlatpakApps::unusedArguments(QStringLiteral("system")));
    }
    const QString snap = ProcessRunner::findProgram(QStringLiteral("snap"));
    if (snap.isEmpty())
        SystemLog::write(QStringLiteral("No snap command: no snap applications listed"));
    else
        ask(snap, Question::Snaps, SnapApps::listArguments());
    oneDone();
}

void PackageListing::ask(const QString& program, Question question, const QStringList& arguments)
{
    ++m_pending;
    const QString command = QFileInfo(program).fileName() + u' ' + arguments.join(u' ');
    ProcessRunner::start(
        program, arguments, this, [this, command, question](const ProcessRunner::Result& result) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString output = decoder.decode(result.standardOutput);
            const bool unused
                = question == Question::FlatpakUserUnused || question == Question::FlatpakSystemUnused;
            // Asked whether to remove what is unused, flatpak answers no itself and fails quietly.
            const bool declined
                = unused && result.started && result.exitCode > 0 && result.standardError.isEmpty();
            std::optional<QString> answer;
            if (!result.succeeded() && !declined)
                SystemLog::write(QStringLiteral("%1 failed: %2").arg(command, result.message()));
            else if (decoder.hasError())
                SystemLog::write(QStringLiteral("%1 answered in something other than UTF-8").arg(command));
            else
                answer = output;
            answered(question, answer);
        });
}

void PackageListing::answered(Question question, const std::optional<QString>& output)
{
    m_answers.insert(question, output);
    if (output && question == Question::FlatpakApps) {
        if (const QList<ApplicationDetails> found = FlatpakApps::rows(*output); !found.isEmpty())
            Q_EMIT rowsFound(found);
    } else if (output && question == Question::Snaps) {
        if (const QList<ApplicationDetails> found = SnapApps::rows(*output); !found.isEmpty())
            Q_EMIT rowsFound(found);
    }
    oneDone();
}

void PackageListing::oneDone()
{
    if (--m_pending == 0)
        allAnswered();
}

void PackageListing::allAnswered()
{
    QList<PackageLeftover> leftovers;
    const QString arch = m_answers.value(Question::FlatpakArch).value_or(QString()).trimmed();
    for (const auto& [question, installation] : { std::pair { Question::FlatpakUserUnused, "user" },
             std::pair { Question::FlatpakSystemUnused, "system" } }) {
        if (const std::optional<QString> output = m_answers.value(question))
            leftovers += FlatpakApps::unusedRuntimes(*output, QLatin1String(installation), arch);
    }
    const std::optional<QString> snaps = m_answers.value(Question::Snaps);
    const SnapApps::Listing snapListing = snaps ? SnapApps::read(*snaps) : SnapApps::Listing();
    leftovers += snapListing.oldRevisions;
    const Locations& l = Locations::current();
    if (const std::optional<QString> apps = m_answers.value(Question::FlatpakApps))
        leftovers += dataFoldersOfRemoved(
            l.flatpakUserData, FlatpakApps::isApplicationId, FlatpakApps::installedIds(*apps));
    if (snaps)
        leftovers += dataFoldersOfRemoved(l.snapUserData, SnapApps::isSnapName, snapListing.installed);

    QStringList paths;
    for (const PackageLeftover& leftover : std::as_const(leftovers))
        paths.append(leftover.measuredPath());
    m_cancelled = false;
    m_measuring = std::thread([this, leftovers, paths]() mutable {
        for (qsizetype i = 0; i < leftovers.size(); ++i)
            leftovers[i].setFootprint(PathSizeCalculator::footprintOfPath(paths.at(i), &m_cancelled));
        QMetaObject::invokeMethod(
            this, [this, leftovers] { measured(leftovers); }, Qt::QueuedConnection);
    });
}

void PackageListing::measured(const QList<PackageLeftover>& leftovers)
{
    m_measuring.join();
    if (!leftovers.isEmpty())
        Q_EMIT leftoversFound(leftovers);
    Q_EMIT finished();
}

bool PackageListing::hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph;
    });
}

QString PackageListing::escaped(const QString& text)
{
    QString shown;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && c != u'\t')
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            shown += c;
    }
    return shown;
}
