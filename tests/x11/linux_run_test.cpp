// What the Linux programs share about their run: the stop signals, the
// clocks, where the bitmaps are found, and the table of sprite contexts and
// bitmaps.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <ctime>

#include "display/linux/BitmapCells.h"
#include "display/linux/LinuxRun.h"

namespace tovra {
namespace {

TEST(LinuxRun, StopSignalsAskTheRunToStopAndEndTheProgramAfterwards) {
    CatchStopSignals();
    EXPECT_FALSE(StopRequested());
    std::raise(SIGTERM);
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(StopSignal(), SIGTERM);
    CatchStopSignals();  // a new run starts without it
    EXPECT_EQ(StopSignal(), 0);
    // Ended by the signal that stopped the run, and not without one.
    for (const int stop : {SIGINT, SIGTERM, 0}) {
        const pid_t child = fork();
        if (child == 0) {
            CatchStopSignals();
            if (stop != 0) std::raise(stop);
            RaiseStopSignal();
            _exit(7);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (stop != 0) EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == stop) << stop;
        else EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
    }
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

TEST(LinuxRun, ClocksAndFolders) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double want = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    const double got = LocalSecondsSinceMidnight();
    EXPECT_TRUE(std::fabs(got - want) < 2 || std::fabs(got - want) > 86398) << got << " " << want;
    const double before = ProcessCpuSeconds();
    volatile double spin = 0;
    while (ProcessCpuSeconds() - before < 0.05) spin = spin + 1;
    EXPECT_GE(ProcessCpuSeconds() - before, 0.05);
    EXPECT_LT(ProcessCpuSeconds() - before, 1.0);
    // The tests run in the build tree, beside the bitmaps.
    EXPECT_EQ(CellBitmapFolder("/nowhere"), ProgramFileFolder());
    EXPECT_EQ(access((ProgramFileFolder() + "/tovra_tests").c_str(), X_OK), 0);
}

TEST(LinuxRun, TheSpriteTable) {
    const std::string folder = ProgramFileFolder();
    FileSprites sprites(folder, "tovra-test");
    const GdiHandle dc = sprites.CreateCompatibleDC();
    const GdiHandle bitmap = sprites.LoadBitmapFile(folder + "\\cellblue.bmp");  // as the display names it
    ASSERT_GT(bitmap, dc);
    EXPECT_EQ(sprites.loaded(), 1);
    EXPECT_EQ(sprites.LoadBitmapFile(folder + "\\no-such.bmp"), 0);
    EXPECT_EQ(sprites.loaded(), 1);
    EXPECT_EQ(sprites.SelectedBitmap(dc), 0);
    sprites.SelectObject(dc, bitmap);
    sprites.SelectObject(bitmap, dc);  // a bitmap selects nothing
    EXPECT_EQ(sprites.SelectedBitmap(dc), bitmap);
    EXPECT_EQ(sprites.SelectedBitmap(bitmap), 0);
    const SpritePixels blue = LoadCellBitmap(folder + "/cellblue.bmp");
    ASSERT_TRUE(blue.loaded);
    EXPECT_EQ(sprites.SpritePixelsOf(dc).pixels, blue.pixels);
    EXPECT_FALSE(sprites.SpritePixelsOf(bitmap).loaded);  // not a context
    EXPECT_FALSE(sprites.SpritePixelsOf(0).loaded);
    EXPECT_FALSE(sprites.SpritePixelsOf(99).loaded);
    EXPECT_EQ(sprites.SelectedBitmap(99), 0);  // no such handle
    EXPECT_EQ(sprites.DeleteDC(bitmap), 0);
    EXPECT_EQ(sprites.DeleteDC(99), 0);
    sprites.DeleteObject(dc);  // a context is not deleted as an object
    EXPECT_EQ(sprites.SelectedBitmap(dc), bitmap);
    sprites.DeleteObject(bitmap);
    EXPECT_FALSE(sprites.SpritePixelsOf(dc).loaded);
    EXPECT_EQ(sprites.DeleteDC(dc), 1);
    EXPECT_EQ(sprites.SelectedBitmap(dc), 0);
    // After a stop request nothing more is read.
    CatchStopSignals();
    std::raise(SIGINT);
    EXPECT_EQ(sprites.LoadBitmapFile(folder + "\\cell.bmp"), 0);
    CatchStopSignals();
    EXPECT_GT(sprites.LoadBitmapFile(folder + "\\cell.bmp"), 0);
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace
}  // namespace tovra
