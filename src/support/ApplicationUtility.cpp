#include "support/ApplicationUtility.h"

// Link and title styling.
#include "widgets/Hyperlink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QUrl>

void ApplicationUtility::setHyperlinkOnTextField(QLabel* textField, const QString& link)
{
    if (!textField)
        return;
    textField->setTextFormat(Qt::RichText);
    // Selectable, and a click on the link opens it with the desktop's handler.
    textField->setTextInteractionFlags(Qt::TextBrowserInteraction);
    textField->setOpenExternalLinks(true);
    textField->setText(Hyperlink::hyperlinkFromString(link, QUrl(link, QUrl::StrictMode)));
    // Screen readers would otherwise read the markup's plain text only by chance.
    textField->setAccessibleName(link);
}

void ApplicationUtility::setUnderLineOnButton(QAbstractButton* button, const QString& buttonName)
{
    if (!button)
        return;
    // Qt fonts know one underline thickness; the title is underlined with the font's own.
    QFont font = QApplication::font();
    font.setPointSizeF(10.0);
    font.setUnderline(true);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(Qt::blue));
    button->setPalette(palette);
    button->setText(buttonName);
}

// File and text helpers.

#include "platform/Locations.h"
#include "platform/SystemLog.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QPixmap>
#include <QProcess>
#include <QStringDecoder>

#include <optional>

namespace {

Q_LOGGING_CATEGORY(supportLog, "velmora.support", QtWarningMsg)

// Inside single quotes the shell takes every character literally except the
// quote itself, which has to close the quoting, appear escaped, and reopen it.
QString quotedForShell(const QString& value)
{
    QString inner = value;
    inner.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + inner + u'\'';
}

// `find -name` takes a pattern; the names searched for are literal names, so
// an application called "Foo*" must not take "FooBar"'s files.
QString literalFindPattern(const QString& name)
{
    QString pattern;
    pattern.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'\\' || c == u'*' || c == u'?' || c == u'[')
            pattern += u'\\';
        pattern += c;
    }
    return pattern;
}

// find prints each hit as the starting point as given, "/", and the name; a
// trailing slash would double, and a leading dash would read as an option.
QString findStartingPoint(const QString& folder)
{
    QString start = folder;
    while (start.size() > 1 && start.endsWith(u'/'))
        start.chop(1);
    if (start.startsWith(u'-'))
        start.prepend(QStringLiteral("./"));
    return start;
}

// The shell's standard output, or nothing when the shell could not run.
// find's complaints about missing folders are expected for most searches, so
// its standard error goes to the developer diagnostics, not the user's log.
std::optional<QByteArray> standardOutputOfShell(const QString& command)
{
    QProcess shell;
    shell.setProgram(QStringLiteral("/bin/sh"));
    shell.setArguments({ QStringLiteral("-c"), command });
    shell.setStandardInputFile(QProcess::nullDevice());
    shell.start();
    if (!shell.waitForStarted(-1)) {
        SystemLog::write(QStringLiteral("Cannot run /bin/sh: %1").arg(shell.errorString()));
        return std::nullopt;
    }
    shell.waitForFinished(-1);
    const QByteArray errors = shell.readAllStandardError();
    if (!errors.isEmpty())
        qCDebug(supportLog) << "find:" << errors;
    return shell.readAllStandardOutput();
}

} // namespace

QStringList ApplicationUtility::matchesForFilename(const QString& name, const QString& path)
{
    if (name.isEmpty() || path.isEmpty())
        return {};
    const QString start = findStartingPoint(Locations::current().expandTilde(path));
    // A command line ends at the first NUL, which could cut a quoted value open.
    if (name.contains(QChar(0)) || start.contains(QChar(0))) {
        SystemLog::write(QStringLiteral("Not searching for a name or folder that holds a NUL character"));
        return {};
    }

    const QString command = QStringLiteral("find %1 -name %2 -maxdepth 1")
                                .arg(quotedForShell(start), quotedForShell(literalFindPattern(name)));
    SystemLog::write(QStringLiteral("command = ") + command);
    const std::optional<QByteArray> output = standardOutputOfShell(command);
    if (!output)
        return {};

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(*output);
    if (decoder.hasError())
        return {};

    // A name may hold line breaks, so the output is read as the hits it can
    // only consist of (the entry, or the starting folder itself) rather than
    // cut at every line break, which would make paths of pieces of a name.
    const QString entry = (start == QStringLiteral("/") ? start : start + u'/') + name;
    const QString entryLine = entry + u'\n';
    const QString startLine = start + u'\n';
    QStringList matches;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        if (rest.startsWith(entryLine)) {
            matches.append(entry);
            rest = rest.sliced(entryLine.size());
        } else if (rest.startsWith(startLine)) {
            matches.append(start);
            rest = rest.sliced(startLine.size());
        } else {
            const qsizetype lineEnd = rest.indexOf(u'\n');
            qCDebug(supportLog) << "unexpected find output"
                                << rest.first(lineEnd < 0 ? rest.size() : lineEnd);
            rest = lineEnd < 0 ? QStringView() : rest.sliced(lineEnd + 1);
        }
    }
    // find ends its output with a line break; callers know the trailing empty element.
    matches.append(QString());
    return matches;
}

QString ApplicationUtility::updatedString(const QString& text, const QIcon& image)
{
    // The image goes in at the size it has: the caller sizes it beforehand.
    const QList<QSize> sizes = image.availableSizes();
    const QSize size = sizes.isEmpty() ? QSize(16, 16) : sizes.constLast();
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap = image.pixmap(size, ratio);
    if (pixmap.isNull()) {
        // Keeps the text where it would be beside an image.
        pixmap = QPixmap(size);
        pixmap.fill(Qt::transparent);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");

    // Blanks are part of the label, so they must not collapse as HTML white space would.
    QString escaped = text.toHtmlEscaped();
    escaped.replace(u' ', QStringLiteral("&nbsp;"));
    return QStringLiteral("<img src=\"data:image/png;base64,%1\" width=\"%2\" height=\"%3\" "
                          "style=\"vertical-align: middle\">%4")
        .arg(QString::fromLatin1(png.toBase64()), QString::number(size.width()),
            QString::number(size.height()), escaped);
}

QString ApplicationUtility::humanReadableFileType(const QString& path)
{
    const QString expanded = Locations::current().expandTilde(path);
    if (expanded.isEmpty() || !QFileInfo::exists(expanded))
        return {};
    const QMimeType type = QMimeDatabase().mimeTypeForFile(expanded);
    return type.isValid() ? type.comment() : QString();
}
