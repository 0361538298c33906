// The built automation-hold as a child process, against classes of a scratch
// registry: none, one without a server, one whose server program is missing,
// and the test server's.
#include "hold_test_support.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

using hold_test::Finished;
using hold_test::HoldProcess;

const std::string kHoldingLine = std::string("holding ") + kHoldTestProgId + "\n";

class HoldProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(hold_test::BuiltHold())) << hold_test::BuiltHold();
        setenv("HOLD_TEST_SERVER_LOG", log_.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("HOLD_TEST_SERVER_LOG");
        // A test that failed half-way may leave its server running.
        std::string log = hold_test::ReadFile(log_);
        auto started = log.find("started ");
        if (started != std::string::npos && log.find("ended") == std::string::npos)
            kill(static_cast<pid_t>(std::stol(log.substr(started + 8))), SIGKILL);
    }

    static Finished Run(std::vector<std::string> args)
    {
        HoldProcess process(std::move(args));
        EXPECT_TRUE(process.started());
        process.CloseInput();
        return process.Finish();
    }

    // Holds the test server's object, ends the hold with `end`, and checks both sides.
    void HoldAndEnd(const std::function<void(HoldProcess&)>& end)
    {
        hold_test::RegisterTestClass(kHoldTestProgId, kHoldTestClsidText, hold_test::BuiltTestServer().string());
        HoldProcess process({kHoldTestProgId});
        ASSERT_TRUE(process.started());
        ASSERT_EQ(process.WaitForLine(), kHoldingLine);
        std::string log = hold_test::ReadFile(log_);
        EXPECT_NE(log.find("started "), std::string::npos) << log;  // a server of its own
        EXPECT_EQ(log.find("released"), std::string::npos) << log;  // still held

        end(process);
        Finished done = process.Finish();
        EXPECT_EQ(done.exitCode, 0);
        EXPECT_EQ(done.out, kHoldingLine);
        EXPECT_EQ(done.err, "");
        EXPECT_TRUE(hold_test::WaitForFileText(log_, "released")) << hold_test::ReadFile(log_);
    }

    testing_support::IsolatedEnvironment env_{true};
    std::filesystem::path log_ = env_.root() / "server.log";
};

TEST_F(HoldProgram, WrongCommandLinesAndHelp)
{
    for (auto args : {std::vector<std::string>{}, {"A.B", "C.D"}, {"--hold"}}) {
        Finished run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "usage: automation-hold <ProgID>\n");
    }
    Finished help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: automation-hold <ProgID>\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
}

TEST_F(HoldProgram, FailuresNameTheStepAndTheHresult)
{
    Finished unknown = Run({"No.Such.Thing"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "automation-hold: cannot look up No.Such.Thing: Invalid class string (0x800401F3)\n");

    hold_test::RegisterTestClass("VarnelTest.NoServer", "{5E7A0C31-92D4-4B6E-8F13-6C2D7A9B4E02}");
    Finished noServer = Run({"VarnelTest.NoServer"});
    EXPECT_EQ(noServer.exitCode, 1);
    EXPECT_EQ(noServer.out, "");
    EXPECT_EQ(noServer.err,
              "automation-hold: cannot create VarnelTest.NoServer: Class not registered (0x80040154)\n");
}

TEST_F(HoldProgram, ServerProgramMissing)
{
    hold_test::RegisterTestClass("VarnelTest.Missing", "{5E7A0C31-92D4-4B6E-8F13-6C2D7A9B4E03}",
                                 (env_.root() / "no-such-server").string());
    Finished run = Run({"VarnelTest.Missing"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "automation-hold: cannot create VarnelTest.Missing: Server execution failed (0x80080005)\n");
}

TEST_F(HoldProgram, EndOfInputEndsTheHold)
{
    HoldAndEnd([](HoldProcess& process) { process.CloseInput(); });
}

TEST_F(HoldProgram, SigtermEndsTheHold)
{
    HoldAndEnd([](HoldProcess& process) { process.Signal(SIGTERM); });
}

TEST_F(HoldProgram, CtrlCEndsTheHold)
{
    HoldAndEnd([](HoldProcess& process) { process.Signal(SIGINT); });
}

}  // namespace
