// Ending the program while fetches hang: the real start and end (RunProgram) in a process of its
// own (tools/program_probe), with ten metric workers and the update check waiting on a server that
// never answers. Closing the main window must end the process at once and cleanly (exit code 0),
// not after the workers' 30 s receive time-out.
#include "../../native/catalogue/program_folder_fixture.h"
#include "catalogue/main_form.h"
#include "tests/support/loopback_server.h"
#include "tools/program_probe.h"

namespace qm {
namespace {

class ProgramEnd : public testing::ProgramFolderTest {};

TEST_F(ProgramEnd, ClosingTheMainWindowDuringStalledFetchesEndsTheProcessAtOnce) {
    AddCategories({"A"});
    AddSites({{"A", "http://a.cn", "1"}});
    test::LoopbackServer server;
    test::CannedResponse stalled;
    stalled.stall = true;
    server.ServeOthers(stalled);
    for (int run = 0; run < 2; ++run) {
        probe::Probe probe;
        ASSERT_TRUE(probe::StartProbe(probe, QM_PROGRAM_PROBE, "exit", Folder(), server.HostAndPort()));
        // Five workers of each form and the update check's request.
        ASSERT_TRUE(server.WaitForRequests(11 * (run + 1), 60000)) << server.Requests().size();
        HWND main = probe::FindWindowOf(probe, kMainWindowCaption, 10000);
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_EQ(WaitForSingleObject(probe.process, 15000), WAIT_OBJECT_0)
            << "still running long after its window was closed";
        DWORD code = 1;
        GetExitCodeProcess(probe.process, &code);
        EXPECT_EQ(code, 0u);
    }
}

}  // namespace
}  // namespace qm
