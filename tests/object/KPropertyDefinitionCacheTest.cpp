#include "object/KPropertyDefinitionCache.h"
#include "object/KObject.h"
#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Two properties registered the same way on each object, as every node's block does.
std::unique_ptr<KObject> MakeObject(const char* pLabel)
{
    auto lObject = std::make_unique<KObject>();
    lObject->CreateProperty("Size", kPropertyTypeDouble, nullptr, true);
    KProperty* lColor = lObject->CreateProperty("Color", kPropertyTypeColorRGB, nullptr);
    lColor->SetLabel(pLabel);
    lColor->SetMinimum(0.0);
    return lObject;
}

const KPropertyDefinition* DefinitionOf(const KObject& pObject, int pIndex)
{
    return &static_cast<const KProperty*>(pObject.GetProperty(pIndex))->GetDefinition();
}

} // namespace

// Equal definitions are held once; a different one keeps its own; a change made later through
// one object reaches a copy of its own and leaves the other objects' answers alone.
TEST(KPropertyDefinitionCache, SharesEqualDefinitionsAndCopiesOnWrite)
{
    KPropertyDefinitionCache lCache;
    const int lKind = 0;
    std::unique_ptr<KObject> lFirst = MakeObject("Tint");
    std::unique_ptr<KObject> lSecond = MakeObject("Tint");
    std::unique_ptr<KObject> lOdd = MakeObject("Other");
    for (KObject* lObject : {lFirst.get(), lSecond.get(), lOdd.get()}) {
        lCache.Share(&lKind, *lObject);
    }
    EXPECT_EQ(DefinitionOf(*lFirst, 0), DefinitionOf(*lSecond, 0));
    EXPECT_EQ(DefinitionOf(*lFirst, 1), DefinitionOf(*lSecond, 1));
    EXPECT_EQ(DefinitionOf(*lFirst, 0), DefinitionOf(*lOdd, 0));
    EXPECT_NE(DefinitionOf(*lFirst, 1), DefinitionOf(*lOdd, 1));
    EXPECT_STREQ(lOdd->GetProperty(1)->GetLabel(), "Other");

    KProperty* lColor = lSecond->GetProperty(1);
    lColor->SetLabel("Changed");
    lColor->SetMaximum(0.5);
    EXPECT_STREQ(lColor->GetLabel(), "Changed");
    EXPECT_EQ(lColor->GetMaximum(), 0.5);
    EXPECT_STREQ(lFirst->GetProperty(1)->GetLabel(), "Tint");
    EXPECT_EQ(lFirst->GetProperty(1)->GetMaximum(), std::numeric_limits<double>::infinity());
    EXPECT_NE(DefinitionOf(*lFirst, 1), DefinitionOf(*lSecond, 1));

    // The shared definitions outlive any one holder: the cache and the other objects keep them.
    lFirst.reset();
    EXPECT_STREQ(lSecond->GetProperty(0)->GetName(), "Size");
    EXPECT_TRUE(lSecond->GetProperty(0)->IsAnimatable());
    std::unique_ptr<KObject> lLater = MakeObject("Tint");
    lCache.Share(&lKind, *lLater);
    EXPECT_EQ(DefinitionOf(*lLater, 0), DefinitionOf(*lSecond, 0));
}

TEST(KPropertyDefinitionRef, CopiesShareAndTheLastOneFrees)
{
    KPropertyDefinition lDefinition;
    lDefinition.SetFlag(KPropertyDefinition::kAnimatable, true);
    KPropertyDefinitionRef lEmpty;
    EXPECT_FALSE(lEmpty);
    EXPECT_FALSE(lEmpty.IsShared());
    KPropertyDefinitionRef lOne = KPropertyDefinitionRef::Make(lDefinition);
    EXPECT_FALSE(lOne.IsShared());
    {
        KPropertyDefinitionRef lTwo = lOne;
        EXPECT_TRUE(lOne.IsShared());
        EXPECT_EQ(&*lTwo, &*lOne);
        KPropertyDefinitionRef lMoved = std::move(lTwo);
        EXPECT_FALSE(lTwo);
        EXPECT_EQ(&*lMoved, &*lOne);
        lEmpty = lMoved;
    }
    EXPECT_TRUE(lOne.IsShared());
    lEmpty = KPropertyDefinitionRef();
    EXPECT_FALSE(lOne.IsShared());
    EXPECT_TRUE((*lOne).GetFlag(KPropertyDefinition::kAnimatable));
}
