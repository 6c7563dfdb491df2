#include "scene/KRyvSameNames.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint32_t kNone = kRyvNoNextWithSameName;

TEST(KRyvSameNames, EachNodeNamesTheNextOfItsNameInListOrder)
{
    KRyvObjectFactory lFactory;
    std::vector<KRyvNode*> lNodes;
    for (const char* lName : {"Hand", "Spine", "hand", "Hand", "Head", "Spine", "Hand"}) {
        lNodes.push_back(lFactory.CreateNode(lName));
    }
    // Names compare byte for byte: "hand" is a name of its own.
    const std::vector<std::uint32_t> lExpected = {3, 5, kNone, 6, kNone, kNone, kNone};
    EXPECT_EQ(KRyvNextWithSameName(lNodes), lExpected);
    EXPECT_TRUE(KRyvNextWithSameName({}).empty());
}

TEST(KRyvSameNames, APrefixIsNotTheSameName)
{
    KRyvObjectFactory lFactory;
    const std::vector<KRyvNode*> lNodes = {lFactory.CreateNode("Arm"), lFactory.CreateNode("Arm2"),
                                           lFactory.CreateNode("Ar")};
    EXPECT_EQ(KRyvNextWithSameName(lNodes), std::vector<std::uint32_t>(3, kNone));
}

} // namespace
