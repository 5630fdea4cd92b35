// The descriptors kept in reserve: given up while a room for a shortage lives, taken again when the
// last room goes, and then really there for whoever needs them in a process that has none left.
#include <gtest/gtest.h>

#include <cerrno>

#include "kernel/descriptorfill.h"
#include "platform/kernel/fdreserve.h"

namespace {

class DescriptorReserve : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kernel::TakeDescriptorReserve()); }
    void TearDown() override { kernel::ReleaseDescriptorReserve(); }
};

TEST_F(DescriptorReserve, ARoomGivesItUpUntilTheLastRoomGoes) {
    EXPECT_TRUE(kernel::HoldsDescriptorReserve());
    {
        const kernel::CDescriptorRoom none(false);  // no shortage: nothing changes
        EXPECT_TRUE(kernel::HoldsDescriptorReserve());
    }
    {
        const kernel::CDescriptorRoom outer(true);
        EXPECT_FALSE(kernel::HoldsDescriptorReserve());
        EXPECT_FALSE(kernel::TakeDescriptorReserve());  // the room stays free
        {
            const kernel::CDescriptorRoom inner(true);
            EXPECT_FALSE(kernel::HoldsDescriptorReserve());
        }
        EXPECT_FALSE(kernel::HoldsDescriptorReserve());  // the outer room still lives
    }
    EXPECT_TRUE(kernel::HoldsDescriptorReserve());
}

TEST_F(DescriptorReserve, InAProcessWithNoDescriptorLeftTheRoomIsThere) {
    CDescriptorFill fill;
    ASSERT_GE(fill.Taken(), 1u);
    EXPECT_FALSE(kernel::CanOpenDescriptors());
    {
        const kernel::CDescriptorRoom room(true);
        EXPECT_TRUE(kernel::CanOpenDescriptors());
    }
    // The slots the room freed are the reserve's again; none is left over.
    EXPECT_TRUE(kernel::HoldsDescriptorReserve());
    EXPECT_FALSE(kernel::CanOpenDescriptors());

    // Given up for good and the slots taken meanwhile: it comes back once slots are free.
    kernel::ReleaseDescriptorReserve();
    const int nTaken = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    EXPECT_GE(nTaken, 0);
    EXPECT_FALSE(kernel::TakeDescriptorReserve());
    fill.Free();
    EXPECT_TRUE(kernel::TakeDescriptorReserve());
    if (nTaken >= 0) ::close(nTaken);
}

TEST(DescriptorShortage, OnlyTheLimitsAreAShortage) {
    EXPECT_TRUE(kernel::IsDescriptorShortage(EMFILE));
    EXPECT_TRUE(kernel::IsDescriptorShortage(ENFILE));
    EXPECT_FALSE(kernel::IsDescriptorShortage(ENOENT));
    EXPECT_FALSE(kernel::IsDescriptorShortage(EACCES));
    EXPECT_FALSE(kernel::IsDescriptorShortage(-1));
}

}  // namespace
