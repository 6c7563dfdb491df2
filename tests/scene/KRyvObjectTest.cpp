#include "scene/KRyvObject.h"
#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvUserProperty.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A scene object of any type, counting its user-property hook.
class TypedObject : public KRyvObject
{
public:
    TypedObject(int pType, const char* pName) : KRyvObject(nullptr, pName), mType(pType) {}
    int GetObjectType() const override { return mType; }
    void OnUserPropertyAdded(KRyvUserProperty* pUserProperty) override
    {
        ++mAdded;
        mLastAdded = pUserProperty;
    }

    int mType;
    int mAdded = 0;
    KRyvUserProperty* mLastAdded = nullptr;
};

std::string Str(const KString& pText)
{
    return pText.Buffer();
}

} // namespace

TEST(KRyvObject, PrefixesAndObjectNames)
{
    const char* const kPrefixes[] = {"",
                                     "Model::",
                                     "Texture::",
                                     "Material::",
                                     "Video::",
                                     "Video::",
                                     "Constraint::",
                                     "MarkerSet::",
                                     "Constraint::",
                                     "Pose::",
                                     "",
                                     "Pose::",
                                     "ControlSetPlug::",
                                     ""};
    for (int lType = 0; lType <= 13; ++lType) {
        EXPECT_EQ(Str(KRyvObject::GetNamePrefixOfType(lType)), kPrefixes[lType]) << lType;
    }
    EXPECT_EQ(Str(KRyvObject::GetNamePrefixOfType(-1)), "");

    // What follows the first separator is kept.
    const struct
    {
        const char* mPrefix;
        const char* mName;
        const char* mResult;
    } kNames[] = {{"Model::", "Arm", "Model::Arm"},
                  {"Model::", "Model::Arm", "Model::Arm"},
                  {"Model::", "", "Model::Name"},
                  {"Model::", "X::", "Model::Name"},
                  {"Model::", "X::Y::Z", "Model::Y::Z"},
                  {nullptr, nullptr, "Name"},
                  {"", "A:B", "A:B"}};
    for (const auto& lCase : kNames) {
        KString lName;
        BuildObjectName(lName, lCase.mPrefix, lCase.mName);
        EXPECT_EQ(Str(lName), lCase.mResult);
    }
    const struct
    {
        const char* mName;
        const char* mStripped;
    } kStrips[] = {{"Model::Cube", "Cube"},
                   {"Cube", "Cube"},
                   {"ns:a:b", "b"},
                   {"end:", ""},
                   {":b", "b"},
                   {nullptr, ""}};
    for (const auto& lCase : kStrips) {
        EXPECT_EQ(Str(KRyvObject::StripThroughLastColon(lCase.mName)), lCase.mStripped);
    }
}

TEST(KRyvObject, SetNameOnEveryTypeLeavesTheInitialName)
{
    const char* const lInputs[] = {"X", "Model::X", "", "X::Y::Z"};
    const char* const lPlain[] = {"X", "X", "Name", "Y::Z"};
    for (int lType = 1; lType <= 13; ++lType) {
        for (int i = 0; i < 4; ++i) {
            TypedObject lObject(lType, "Initial");
            lObject.SetName(lInputs[i]);
            const std::string lExpected = Str(KRyvObject::GetNamePrefixOfType(lType)) + lPlain[i];
            EXPECT_EQ(Str(lObject.GetName()), lExpected) << lType << " " << lInputs[i];
            EXPECT_EQ(Str(lObject.GetInitialName()), "Initial");
        }
    }
    // The constructor keeps the raw name; SetInitialName sets both.
    TypedObject lNode(KRyvObject::kTypeNode, "Cube");
    EXPECT_EQ(Str(lNode.GetName()), "Cube");
    lNode.SetInitialName("Other");
    EXPECT_EQ(Str(lNode.GetName()), "Other");
    EXPECT_EQ(Str(lNode.GetInitialName()), "Other");

    // The factory names deformers with a prefix their type does not have: SetName drops it.
    TypedObject lDeformer(KRyvObject::kTypeDeformer, "SubDeformer::Cluster Arm");
    EXPECT_EQ(Str(lDeformer.GetNameWithoutPrefix()), "SubDeformer::Cluster Arm");
    lDeformer.SetName("SubDeformer::Cluster Arm");
    EXPECT_EQ(Str(lDeformer.GetName()), "Cluster Arm");
}

TEST(KRyvObject, NameWithoutPrefixBranches)
{
    TypedObject lNode(KRyvObject::kTypeNode, "Model::Cube");
    const struct
    {
        const char* mInitial;
        const char* mPlain;
    } kCases[] = {{"Model::Cube", "Cube"},
                  {"Material::Cube", "Cube"},
                  {"Cube", "Cube"},
                  {"Model::", ""},
                  {"A::B::C", "B::C"}};
    for (const auto& lCase : kCases) {
        lNode.SetInitialName(lCase.mInitial);
        EXPECT_EQ(Str(lNode.GetNameWithoutPrefix()), lCase.mPlain) << lCase.mInitial;
    }
    EXPECT_EQ(Str(TypedObject(42, "A::B").GetNameWithoutPrefix()), "A::B");
}

TEST(KRyvObject, UserPropertyListHoldsEachOnce)
{
    KObject lSet;
    KProperty* lA = lSet.CreateProperty("A", kPropertyTypeDouble, nullptr);
    KProperty* lB = lSet.CreateProperty("B", kPropertyTypeDouble, nullptr);
    TypedObject lObject(KRyvObject::kTypeNode, "n");
    KRyvUserProperty lFirst(nullptr, "Speed", "Real", "");
    KRyvUserProperty lSecond(nullptr, "speed", "Real", "");
    KRyvUserProperty lUnbound(nullptr, "A", "Real", "");
    KRyvUserProperty lBound(nullptr, lA);
    lObject.AddUserProperty(nullptr);
    EXPECT_EQ(lObject.GetUserPropertyCount(), 0);
    EXPECT_EQ(lObject.mAdded, 0);
    lObject.AddUserProperty(&lFirst);
    lObject.AddUserProperty(&lFirst);
    EXPECT_EQ(lObject.GetUserPropertyCount(), 1);
    EXPECT_EQ(lObject.mAdded, 1);
    lObject.AddUserProperty(&lSecond);
    EXPECT_EQ(lObject.mLastAdded, &lSecond);
    EXPECT_EQ(lObject.GetUserProperty(1), &lSecond);
    EXPECT_EQ(lObject.GetUserProperty(-1), nullptr);
    EXPECT_EQ(lObject.GetUserProperty(2), nullptr);
    EXPECT_EQ(lObject.FindUserProperty("speed"), &lSecond);
    EXPECT_EQ(lObject.FindUserProperty("Speed"), &lFirst);
    EXPECT_EQ(lObject.FindUserProperty("SPEED"), nullptr);
    EXPECT_EQ(lObject.FindUserProperty(static_cast<const char*>(nullptr)), nullptr);

    lObject.AddUserProperty(&lUnbound);
    lObject.AddUserProperty(&lBound);
    EXPECT_EQ(lObject.FindUserProperty(lA), &lBound);
    EXPECT_EQ(lObject.FindUserProperty(lB), nullptr);
    EXPECT_EQ(lObject.FindUserProperty(static_cast<const KProperty*>(nullptr)), nullptr);
    // By name the first listed wins, bound or not.
    EXPECT_EQ(lObject.FindUserProperty("A"), &lUnbound);
}
