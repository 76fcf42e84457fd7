#include "support/OneLineTasksWithOutput.h"

#include <gtest/gtest.h>

namespace {

std::optional<QString> runShell(const QString& script, std::optional<TaskError>* error)
{
    return OneLineTasksWithOutput::stringByLaunchingPath(
        QStringLiteral("/bin/sh"), { QStringLiteral("-c"), script }, error);
}

TEST(OneLineTasksWithOutputTest, AnswersStandardOutputAndReportsStandardError)
{
    struct Row {
        const char* name;
        QString script;
        std::optional<QString> output;
        std::optional<QString> complaint;
    };
    const Row rows[] = {
        { "one line", QStringLiteral("echo 'hello world'"), QStringLiteral("hello world\n"), std::nullopt },
        { "nothing at all", QStringLiteral("exit 3"), QString(""), std::nullopt },
        { "only complaints", QStringLiteral("printf oops >&2"), QString(""), QStringLiteral("oops") },
        { "both", QStringLiteral("echo out; echo err >&2"), QStringLiteral("out\n"),
            QStringLiteral("err\n") },
        { "output that is not UTF-8", QStringLiteral("printf 'caf\\351'"), std::nullopt, std::nullopt },
        { "complaint that is not UTF-8", QStringLiteral("printf 'caf\\351' >&2"), QString(""),
            QStringLiteral("caf\uFFFD") },
        { "multi-byte characters", QStringLiteral("printf 'K\\303\\244se \\342\\202\\254'"),
            QStringLiteral("K\u00e4se \u20ac"), std::nullopt },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<TaskError> error = TaskError { QStringLiteral("stale"), 99, {} };
        EXPECT_EQ(runShell(row.script, &error), row.output);
        if (row.complaint) {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->domain, QStringLiteral("com.apple.NSTask.OneLineTasksWithOutput"));
            EXPECT_EQ(error->code, -2);
            EXPECT_EQ(error->userInfo.value(QStringLiteral("standardError")).toString(), *row.complaint);
        } else {
            EXPECT_FALSE(error);
        }
        EXPECT_EQ(runShell(row.script, nullptr), row.output);
    }
}

TEST(OneLineTasksWithOutputTest, CollectsLargeOutputOnBothStreamsToTheEnd)
{
    // Far more than a pipe holds, written to both streams at once, and the last
    // bytes just before the child ends.
    std::optional<TaskError> error;
    const std::optional<QString> output = runShell(
        QStringLiteral(
            "i=0; while [ $i -lt 20000 ]; do echo \"line $i of the output\"; echo \"complaint $i\" >&2; "
            "i=$((i+1)); done; printf end"),
        &error);

    ASSERT_TRUE(output);
    EXPECT_EQ(output->count(u'\n'), 20000);
    EXPECT_TRUE(output->startsWith(QStringLiteral("line 0 of the output\n")));
    EXPECT_TRUE(output->endsWith(QStringLiteral("line 19999 of the output\nend")));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->userInfo.value(QStringLiteral("standardError"))
                    .toString()
                    .endsWith(QStringLiteral("complaint 19999\n")));
}

TEST(OneLineTasksWithOutputTest, AProgramThatCannotStartGivesTheSystemsReason)
{
    std::optional<TaskError> error;
    EXPECT_FALSE(
        OneLineTasksWithOutput::stringByLaunchingPath(QStringLiteral("/no/such/program"), {}, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, QStringLiteral("com.apple.NSTask.OneLineTasksWithOutput"));
    EXPECT_EQ(error->code, -1);
    EXPECT_FALSE(error->userInfo.value(QStringLiteral("NSLocalizedDescription")).toString().isEmpty());

    EXPECT_FALSE(OneLineTasksWithOutput::stringByLaunchingPath(QStringLiteral("/no/such/program"), {}));
}

} // namespace
