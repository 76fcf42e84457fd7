#include "uninstaller/PackageListing.h"

#include "platform/SystemLog.h"
#include "support/ProcessRunner.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"

#include <QStringDecoder>

#include <algorithm>

PackageListing::PackageListing(QObject* parent)
    : QObject(parent)
{
}

void PackageListing::start()
{
    m_pending = 2;
    ask(QStringLiteral("flatpak"), FlatpakApps::listArguments(), &FlatpakApps::rows);
    ask(QStringLiteral("snap"), { QStringLiteral("list") }, &SnapApps::rows);
}

void PackageListing::ask(const QString& tool, const QStringList& arguments,
    QList<ApplicationDetails> (*rows)(const QString& output))
{
    const QString program = ProcessRunner::findProgram(tool);
    if (program.isEmpty()) {
        SystemLog::write(QStringLiteral("No %1 command: no %1 applications listed").arg(tool));
        oneDone();
        return;
    }
    ProcessRunner::start(program, arguments, this, [this, tool, rows](const ProcessRunner::Result& result) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString output = decoder.decode(result.standardOutput);
        if (!result.succeeded())
            SystemLog::write(
                QStringLiteral("%1 cannot list its applications: %2").arg(tool, result.message()));
        else if (decoder.hasError())
            SystemLog::write(
                QStringLiteral("%1 listed its applications in something other than UTF-8").arg(tool));
        else if (const QList<ApplicationDetails> found = rows(output); !found.isEmpty())
            Q_EMIT rowsFound(found);
        oneDone();
    });
}

void PackageListing::oneDone()
{
    if (--m_pending == 0)
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
