#include "core/KError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kTable[] = {"File is corrupted", nullptr, "Wrong password"};

std::string Message(const KError& pError)
{
    return pError.GetLastErrorString().Buffer();
}

} // namespace

TEST(KErrorTest, CodesTakeTheirTableTextOrUnknown)
{
    KError error(kTable, 3);
    EXPECT_EQ(error.GetLastErrorID(), -1);
    EXPECT_EQ(error.GetErrorCount(), 3);
    const std::pair<int, const char*> cases[] = {{2, "Wrong password"},    {1, ""},
                                                 {0, "File is corrupted"}, {3, "Unknown error"},
                                                 {1000, "Unknown error"},  {-1, "Unknown error"},
                                                 {-7, "Unknown error"}};
    for (const auto& c : cases) {
        error.SetLastErrorID(c.first);
        EXPECT_EQ(error.GetLastErrorID(), c.first);
        EXPECT_EQ(Message(error), c.second) << c.first;
    }
    error.SetLastError(0, "Index out of range");
    EXPECT_EQ(Message(error), "Index out of range");
    error.SetLastError(9, nullptr);
    EXPECT_EQ(error.GetLastErrorID(), 9);
    EXPECT_EQ(Message(error), "");
    error.SetLastErrorID(2);
    error.ClearLastError();
    EXPECT_EQ(error.GetLastErrorID(), -1);
    EXPECT_EQ(Message(error), "");
}

TEST(KErrorTest, MissingOrNegativeTablesAreEmpty)
{
    for (KError error : {KError(nullptr, 5), KError(kTable, -2), KError(kTable, 0)}) {
        EXPECT_EQ(error.GetErrorCount(), 0);
        error.SetLastErrorID(0);
        EXPECT_EQ(Message(error), "Unknown error");
    }
}
