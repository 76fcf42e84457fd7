#include "support/OneLineTasksWithOutput.h"

#include <gtest/gtest.h>

namespace {

TEST(OneLineTasksWithOutputTest, AnswersStandardOutputAndReportsStandardError)
{
    const QString big = "i=0; while [ $i -lt 20000 ]; do echo \"line $i\"; echo \"complaint $i\" >&2; "
                        "i=$((i+1)); done; printf end";
    const struct {
        QString program;
        QString script;
        std::optional<QString> output; // of the large output, how it ends
        int code; // 0: no error; -1: did not start; -2: complained
        QString complaint; // how standard error ends
    } rows[] = {
        { "/bin/sh", "echo 'hello world'", "hello world\n", 0, "" },
        { "/bin/sh", "exit 3", "", 0, "" },
        { "/bin/sh", "printf oops >&2", "", -2, "oops" },
        { "/bin/sh", "echo out; echo err >&2", "out\n", -2, "err\n" },
        { "/bin/sh", "printf 'caf\\351'", std::nullopt, 0, "" },
        { "/bin/sh", "printf 'caf\\351' >&2", "", -2, "caf\uFFFD" },
        { "/bin/sh", "printf 'K\\303\\244se \\342\\202\\254'", "K\u00e4se \u20ac", 0, "" },
        // Far more than a pipe holds, on both streams at once, the last bytes just before the end.
        { "/bin/sh", big, "line 19999\nend", -2, "complaint 19999\n" },
        { "/no/such/program", "", std::nullopt, -1, "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script.left(30).toStdString());
        const QStringList arguments { "-c", row.script };
        std::optional<TaskError> error = TaskError { "stale", 99, {} };
        const auto output = OneLineTasksWithOutput::stringByLaunchingPath(row.program, arguments, &error);
        EXPECT_EQ(output.has_value(), row.output.has_value());
        const bool large = row.script == big;
        EXPECT_TRUE(!output
            || (large ? output->endsWith(*row.output) && output->count(u'\n') == 20000
                      : output == row.output))
            << output->left(60).toStdString();
        EXPECT_EQ(OneLineTasksWithOutput::stringByLaunchingPath(row.program, arguments).has_value(),
            row.output.has_value());
        ASSERT_EQ(error.has_value(), row.code != 0);
        if (!error)
            continue;
        EXPECT_EQ(error->domain, "com.apple.NSTask.OneLineTasksWithOutput");
        EXPECT_EQ(error->code, row.code);
        const QString complaint
            = error->userInfo.value(row.code == -1 ? "NSLocalizedDescription" : "standardError").toString();
        EXPECT_TRUE(row.code == -1 ? !complaint.isEmpty()
                : large            ? complaint.endsWith(row.complaint)
                                   : complaint == row.complaint)
            << complaint.toStdString();
    }
}

} // namespace
