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

TEST(KRyvObject, PrefixOfEveryType)
{
    const char* const lExpected[] = {"",
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
        EXPECT_EQ(Str(KRyvObject::GetNamePrefixOfType(lType)), lExpected[lType]) << lType;
    }
    EXPECT_EQ(Str(KRyvObject::GetNamePrefixOfType(-1)), "");
}

TEST(KRyvObject, BuildObjectNameKeepsWhatFollowsTheFirstSeparator)
{
    KString lName;
    BuildObjectName(lName, "Model::", "Arm");
    EXPECT_EQ(Str(lName), "Model::Arm");
    BuildObjectName(lName, "Model::", "Model::Arm");
    EXPECT_EQ(Str(lName), "Model::Arm");
    BuildObjectName(lName, "Model::", "");
    EXPECT_EQ(Str(lName), "Model::Name");
    BuildObjectName(lName, "Model::", "X::");
    EXPECT_EQ(Str(lName), "Model::Name");
    BuildObjectName(lName, "Model::", "X::Y::Z");
    EXPECT_EQ(Str(lName), "Model::Y::Z");
    BuildObjectName(lName, nullptr, nullptr);
    EXPECT_EQ(Str(lName), "Name");
    BuildObjectName(lName, "", "A:B");
    EXPECT_EQ(Str(lName), "A:B");
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
}

TEST(KRyvObject, ConstructorKeepsTheRawName)
{
    TypedObject lNode(KRyvObject::kTypeNode, "Cube");
    EXPECT_EQ(Str(lNode.GetName()), "Cube");
    EXPECT_EQ(Str(lNode.GetInitialName()), "Cube");
    lNode.SetName("Cube");
    EXPECT_EQ(Str(lNode.GetName()), "Model::Cube");
    EXPECT_EQ(Str(lNode.GetInitialName()), "Cube");
    lNode.SetInitialName("Other");
    EXPECT_EQ(Str(lNode.GetName()), "Other");
    EXPECT_EQ(Str(lNode.GetInitialName()), "Other");
}

TEST(KRyvObject, MaterialAndDeformerNames)
{
    TypedObject lMaterial(KRyvObject::kTypeMaterial, "m");
    lMaterial.SetName("Model::Cube");
    EXPECT_EQ(Str(lMaterial.GetName()), "Material::Cube");

    // The factory names deformers with a prefix their type does not have: SetName drops it.
    TypedObject lDeformer(KRyvObject::kTypeDeformer, "SubDeformer::Cluster Arm");
    EXPECT_EQ(Str(lDeformer.GetNameWithoutPrefix()), "SubDeformer::Cluster Arm");
    lDeformer.SetName("SubDeformer::Cluster Arm");
    EXPECT_EQ(Str(lDeformer.GetName()), "Cluster Arm");
}

TEST(KRyvObject, NameWithoutPrefixBranches)
{
    TypedObject lNode(KRyvObject::kTypeNode, "Model::Cube");
    EXPECT_EQ(Str(lNode.GetNameWithoutPrefix()), "Cube");
    lNode.SetInitialName("Material::Cube");
    EXPECT_EQ(Str(lNode.GetNameWithoutPrefix()), "Cube");
    lNode.SetInitialName("Cube");
    EXPECT_EQ(Str(lNode.GetNameWithoutPrefix()), "Cube");
    lNode.SetInitialName("Model::");
    EXPECT_EQ(Str(lNode.GetNameWithoutPrefix()), "");
    lNode.SetInitialName("A::B::C");
    EXPECT_EQ(Str(lNode.GetNameWithoutPrefix()), "B::C");
    TypedObject lUnknown(42, "A::B");
    EXPECT_EQ(Str(lUnknown.GetNameWithoutPrefix()), "A::B");
}

TEST(KRyvObject, StripThroughLastColon)
{
    EXPECT_EQ(Str(KRyvObject::StripThroughLastColon("Model::Cube")), "Cube");
    EXPECT_EQ(Str(KRyvObject::StripThroughLastColon("Cube")), "Cube");
    EXPECT_EQ(Str(KRyvObject::StripThroughLastColon("ns:a:b")), "b");
    EXPECT_EQ(Str(KRyvObject::StripThroughLastColon("end:")), "");
    EXPECT_EQ(Str(KRyvObject::StripThroughLastColon(nullptr)), "");
}

TEST(KRyvObject, UserPropertyListHoldsEachOnce)
{
    TypedObject lObject(KRyvObject::kTypeNode, "n");
    KRyvUserProperty lFirst(nullptr, "Speed", "Real", "");
    KRyvUserProperty lSecond(nullptr, "speed", "Real", "");
    lObject.AddUserProperty(nullptr);
    EXPECT_EQ(lObject.GetUserPropertyCount(), 0);
    EXPECT_EQ(lObject.mAdded, 0);
    lObject.AddUserProperty(&lFirst);
    lObject.AddUserProperty(&lFirst);
    EXPECT_EQ(lObject.GetUserPropertyCount(), 1);
    EXPECT_EQ(lObject.mAdded, 1);
    lObject.AddUserProperty(&lSecond);
    EXPECT_EQ(lObject.mAdded, 2);
    EXPECT_EQ(lObject.mLastAdded, &lSecond);
    EXPECT_EQ(lObject.GetUserProperty(0), &lFirst);
    EXPECT_EQ(lObject.GetUserProperty(1), &lSecond);
    EXPECT_EQ(lObject.GetUserProperty(-1), nullptr);
    EXPECT_EQ(lObject.GetUserProperty(2), nullptr);

    EXPECT_EQ(lObject.FindUserProperty("speed"), &lSecond);
    EXPECT_EQ(lObject.FindUserProperty("Speed"), &lFirst);
    EXPECT_EQ(lObject.FindUserProperty("SPEED"), nullptr);
    EXPECT_EQ(lObject.FindUserProperty(static_cast<const char*>(nullptr)), nullptr);
}

TEST(KRyvObject, FindUserPropertyByBoundProperty)
{
    KObject lSet;
    KProperty* lA = lSet.CreateProperty("A", kPropertyTypeDouble, nullptr);
    KProperty* lB = lSet.CreateProperty("B", kPropertyTypeDouble, nullptr);
    TypedObject lObject(KRyvObject::kTypeNode, "n");
    KRyvUserProperty lUnbound(nullptr, "A", "Real", "");
    KRyvUserProperty lBound(nullptr, lA);
    lObject.AddUserProperty(&lUnbound);
    lObject.AddUserProperty(&lBound);
    EXPECT_EQ(lObject.FindUserProperty(lA), &lBound);
    EXPECT_EQ(lObject.FindUserProperty(lB), nullptr);
    EXPECT_EQ(lObject.FindUserProperty(static_cast<const KProperty*>(nullptr)), nullptr);
    // By name the first listed wins, bound or not.
    EXPECT_EQ(lObject.FindUserProperty("A"), &lUnbound);
}

TEST(KRyvObject, BaseVirtualsAreEmpty)
{
    TypedObject lObject(KRyvObject::kTypePose, "p");
    std::vector<KProperty*> lProperties;
    lObject.GetUserProperties(lProperties);
    EXPECT_TRUE(lProperties.empty());
    EXPECT_EQ(lObject.GetProperties(), nullptr);
    EXPECT_EQ(Str(lObject.GetTypeName()), "");
    EXPECT_EQ(lObject.GetTypeFlags().GetCount(), 0);
    EXPECT_EQ(lObject.GetObjectFactory(), nullptr);
}
