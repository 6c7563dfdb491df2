#include "core/KError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kTable[] = {"File is corrupted", nullptr, "Wrong password"};

std::string Text(const KString& pText)
{
    return pText.Buffer();
}

} // namespace

TEST(KErrorTest, StartsWithoutError)
{
    const KError error(kTable, 3);
    EXPECT_EQ(error.GetLastErrorID(), -1);
    EXPECT_TRUE(error.GetLastErrorString().IsEmpty());
    EXPECT_EQ(error.GetErrorCount(), 3);
}

TEST(KErrorTest, CodesTakeTheirTableText)
{
    KError error(kTable, 3);
    error.SetLastErrorID(2);
    EXPECT_EQ(error.GetLastErrorID(), 2);
    EXPECT_EQ(Text(error.GetLastErrorString()), "Wrong password");
    error.SetLastErrorID(1);
    EXPECT_EQ(error.GetLastErrorID(), 1);
    EXPECT_TRUE(error.GetLastErrorString().IsEmpty());

    error.SetLastError(0, "Index out of range");
    EXPECT_EQ(error.GetLastErrorID(), 0);
    EXPECT_EQ(Text(error.GetLastErrorString()), "Index out of range");

    error.ClearLastError();
    EXPECT_EQ(error.GetLastErrorID(), -1);
    EXPECT_TRUE(error.GetLastErrorString().IsEmpty());
}

TEST(KErrorTest, CodesOutsideTheTableAreSafe)
{
    KError error(kTable, 3);
    for (int code : {3, 1000, -1, -7}) {
        error.SetLastErrorID(code);
        EXPECT_EQ(error.GetLastErrorID(), code);
        EXPECT_EQ(Text(error.GetLastErrorString()), "Unknown error");
    }

    // A table pointer without entries, and a negative count, are empty tables.
    KError empty(nullptr, 5);
    EXPECT_EQ(empty.GetErrorCount(), 0);
    empty.SetLastErrorID(0);
    EXPECT_EQ(Text(empty.GetLastErrorString()), "Unknown error");
    KError negative(kTable, -2);
    negative.SetLastErrorID(0);
    EXPECT_EQ(Text(negative.GetLastErrorString()), "Unknown error");

    error.SetLastError(9, nullptr);
    EXPECT_EQ(error.GetLastErrorID(), 9);
    EXPECT_TRUE(error.GetLastErrorString().IsEmpty());
}
