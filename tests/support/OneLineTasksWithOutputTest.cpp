#include "support/OneLineTasksWithOutput.h"

#include <gtest/gtest.h>

namespace {

// The reader under every program this one runs: far more than a pipe holds, on
// both streams at once, must neither hang nor lose the last bytes before the end.
TEST(OneLineTasksWithOutputTest, AnswersStandardOutputAndReportsStandardError)
{
    const QString script = "i=0; while [ $i -lt 20000 ]; do echo \"line $i\"; echo \"complaint $i\" >&2; "
                           "i=$((i+1)); done; printf end";
    std::optional<TaskError> error;
    const auto output = OneLineTasksWithOutput::stringByLaunchingPath("/bin/sh", { "-c", script }, &error);
    ASSERT_TRUE(output && error);
    EXPECT_TRUE(output->endsWith("line 19999\nend") && output->count(u'\n') == 20000);
    EXPECT_EQ(error->code, -2);
    EXPECT_TRUE(error->userInfo.value("standardError").toString().endsWith("complaint 19999\n"));

    // Output that is not UTF-8 is no answer; a program that cannot start says why.
    EXPECT_FALSE(OneLineTasksWithOutput::stringByLaunchingPath("/bin/sh", { "-c", "printf 'caf\\351'" }));
    EXPECT_FALSE(OneLineTasksWithOutput::stringByLaunchingPath("/no/such/program", {}, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, -1);
    EXPECT_FALSE(error->userInfo.value("NSLocalizedDescription").toString().isEmpty());
}

} // namespace
