#include "common/diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "numerics/numerics.h"

namespace gaussnet {
namespace {

// A caller that installs its own sink gets the special functions' reports as
// text, and standard error gets nothing; the previous sink comes back after.
TEST(Diagnostics, InstalledSinkTakesTheReportsAndIsUndone) {
    captured_diagnostics captured;
    testing::internal::CaptureStderr();
    {
        const scoped_process_diagnostics installed(captured);
        EXPECT_EQ(&process_diagnostics(), &captured);
        EXPECT_TRUE(std::isnan(studtp(1, 0)));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(captured.take(), "Numerics Error in routine studtp\n    Invalid v parameter\n");
    EXPECT_EQ(captured.text(), "");
    EXPECT_EQ(&process_diagnostics(), &standard_error_sink());
}

}  // namespace
}  // namespace gaussnet
