// The library core: per-thread state, the last-error convention, the progress depth rule, the version.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "pixmill/pxcore.h"
#include "pxtest.h"

namespace {

// Progress calls seen on this thread, and what the callback answers.
thread_local std::vector<std::pair<UINT, UINT>> t_calls;
thread_local BOOL t_answer = TRUE;

BOOL Record(UINT done, UINT total) {
    t_calls.emplace_back(done, total);
    return t_answer;
}

// A stand-in operation: n steps, a report (i, n) after each, stopping as the rule says.
BOOL Steps(UINT n, px::AbortRule rule = px::AbortRule::OnFalse) {
    return px::RunWorker([&](ErrorCode& err) -> BOOL {
        px::DepthGuard depth;
        for (UINT i = 0; i < n; ++i) {
            if (px::ProgressStops(i, n, rule)) {
                err = ErrorCode::Aborted;
                return FALSE;
            }
        }
        return TRUE;
    });
}

// An operation that fails with the given code.
BOOL FailWith(ErrorCode code) {
    return px::RunWorker([&](ErrorCode& err) -> BOOL {
        err = code;
        return FALSE;
    });
}

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        t_calls.clear();
        t_answer = TRUE;
        SetProgressCallback(nullptr);
    }
    void TearDown() override { SetProgressCallback(nullptr); }
};

TEST_F(CoreTest, FreshThreadStartsFromTheDefaults) {
    // This thread fails a call and changes options; another thread sees none of it.
    EXPECT_FALSE(FailWith(ErrorCode::BadParam));
    EXPECT_EQ(GetLastErrorCode(), 5);
    SetUseDibSection(1);
    SetProgressCallback(Record);
    int otherError = -1;
    BOOL otherDib = -1;
    double otherGamma = 0;
    size_t otherCalls = 99;
    std::thread([&] {
        otherError = GetLastErrorCode();
        otherDib = px::GetThreadState().m_bUseDibSection;
        otherGamma = px::GetThreadState().m_dPngScreenGamma;
        Steps(3);  // no callback on this thread, so no calls recorded anywhere
        otherCalls = t_calls.size();
    }).join();
    EXPECT_EQ(otherError, 0);
    EXPECT_EQ(otherDib, 0);
    EXPECT_EQ(otherGamma, 2.9);
    EXPECT_EQ(otherCalls, 0u);
    EXPECT_EQ(px::GetThreadState().m_bUseDibSection, 1);
    SetUseDibSection(2);  // only 1 switches DIB sections on
    EXPECT_EQ(px::GetThreadState().m_bUseDibSection, 0);
    EXPECT_EQ(GetLastErrorCode(), 5);  // option setters leave the last error alone
}

TEST_F(CoreTest, DefaultsOfTheState) {
    std::thread([] {
        const px::ThreadState& s = px::GetThreadState();
        EXPECT_EQ(s.m_nDepth, 0);
        EXPECT_EQ(s.m_nPngResX, 0xFFFFFFFFu);
        EXPECT_EQ(s.m_nPngOutResX, 1u);
        EXPECT_EQ(s.m_nPngOutResUnit, 0u);
        EXPECT_EQ(s.m_nJpegDensityX, 0xFFFFFFFFu);
        EXPECT_EQ(s.m_nJpegOutDensityY, 1u);
        EXPECT_EQ(s.m_nTiffResUnit, 0xFFFFFFFFu);
        EXPECT_EQ(s.m_nTiffOutResUnit, 1u);
        EXPECT_EQ(s.m_nTiffCompression, 1u);
        EXPECT_EQ(s.m_pfnProgress, nullptr);
    }).join();
}

TEST_F(CoreTest, SuccessAfterFailureClearsTheLastError) {
    EXPECT_FALSE(FailWith(ErrorCode::BadBmp));
    EXPECT_EQ(GetLastErrorCode(), 6);
    EXPECT_TRUE(Steps(2));
    EXPECT_EQ(GetLastErrorCode(), 0);
}

TEST_F(CoreTest, AbortOnTheFirstReport) {
    t_answer = FALSE;
    SetProgressCallback(Record);
    EXPECT_FALSE(Steps(3));
    EXPECT_EQ(GetLastErrorCode(), 14);
    ASSERT_EQ(t_calls.size(), 1u);
    EXPECT_EQ(t_calls[0], std::make_pair(0u, 3u));
}

// A callback that, on its first call, runs another operation with progress: that one runs at depth 2
// and reports nothing; the outer one goes on reporting.
BOOL NestedCall(UINT done, UINT total) {
    t_calls.emplace_back(done, total);
    if (t_calls.size() == 1) {
        EXPECT_TRUE(Steps(8));
        EXPECT_EQ(px::GetThreadState().m_nDepth, 1);
    }
    return TRUE;
}

TEST_F(CoreTest, NestedCallFromTheCallbackReportsNothing) {
    SetProgressCallback(NestedCall);
    EXPECT_TRUE(Steps(3));
    const std::vector<std::pair<UINT, UINT>> expected = {{0, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(t_calls, expected);
    EXPECT_EQ(px::GetThreadState().m_nDepth, 0);
}

TEST_F(CoreTest, NegativeAnswerStopsOnlyWhereTheRuleSaysSo) {
    t_answer = -1;
    SetProgressCallback(Record);
    EXPECT_TRUE(Steps(2, px::AbortRule::OnFalse));
    EXPECT_EQ(t_calls.size(), 2u);
    EXPECT_FALSE(Steps(2, px::AbortRule::OnFalseOrNegative));
    EXPECT_EQ(GetLastErrorCode(), 14);
    EXPECT_EQ(t_calls.size(), 3u);
}

TEST_F(CoreTest, ExceptionsBecomeCodes) {
    const BOOL r1 = px::RunWorker([](ErrorCode&) -> BOOL { throw std::bad_alloc(); });
    EXPECT_EQ(r1, 0);
    EXPECT_EQ(GetLastErrorCode(), 1);
    const UINT r2 = px::RunWorker([](ErrorCode&) -> UINT { throw 42; });
    EXPECT_EQ(r2, 0u);
    EXPECT_EQ(GetLastErrorCode(), 17);
}

TEST_F(CoreTest, VersionStringIsZeroPaddedToTwentyBytes) {
    char buffer[24];
    std::memset(buffer, 'x', sizeof(buffer));
    GetLibraryVersion(buffer);
    EXPECT_STREQ(buffer, "PX 1.4.9.1");
    for (int i = 10; i < 20; ++i) EXPECT_EQ(buffer[i], '\0') << i;
    EXPECT_EQ(buffer[20], 'x');
    GetLibraryVersion(nullptr);
}

TEST_F(CoreTest, AllocationLimitAndSizeArithmetic) {
    EXPECT_EQ(px::SizeMul(0xFFFFFFFFull, 0xFFFFFFFFull, 3), UINT64_MAX);
    EXPECT_EQ(px::SizeMul(4000, 3000, 3), 36000000u);
    EXPECT_EQ(px::SizeAdd(UINT64_MAX, 1), UINT64_MAX);
    EXPECT_EQ(px::AllocBlock(0x7FFDEFFF), nullptr);
    void* p = px::AllocBlock(0x1000);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GlobalSize(p), 0x1000u);
    GlobalFree(p);
    px::SetAllocationLimitForTesting(0x1000);
    EXPECT_EQ(px::AllocBlock(0x1000), nullptr);
    px::SetAllocationLimitForTesting(0);
    EXPECT_EQ(px::AllocationLimit(), 0x7FFDEFFFu);
}

}  // namespace
