// Members an object makes on first use: they hold their place in the property array from the
// start, are made only when reached, and go with the object.
#include "object/KObject.h"
#include "object/KPropertyDefinitionCache.h"
#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Counts the members alive, so that a test sees each one go.
class CountedMember : public KPropertyInt
{
public:
    explicit CountedMember(int& ioAlive) : mAlive(ioAlive) { ++mAlive; }
    ~CountedMember() override { --mAlive; }

private:
    int& mAlive;
};

const char* const kMemberNames[] = {"Alpha", "Beta", "Gamma"};
constexpr int kMemberCount = 3;

// Three deferred members ("Alpha", "Beta", "Gamma") valued 10, 11 and 12, and a property of its
// own ("Own"), last or (pOwnFirst) first.
class DeferringObject : public KObject
{
public:
    explicit DeferringObject(int& ioAlive, bool pOwnFirst = false) : mAlive(ioAlive)
    {
        if (pOwnFirst) {
            CreateProperty("Own", kPropertyTypeInt, nullptr);
        }
        for (int i = 0; i < kMemberCount; ++i) {
            RegisterDeferredMember(i);
        }
        if (!pOwnFirst) {
            CreateProperty("Own", kPropertyTypeInt, nullptr);
        }
    }

    int mMade = 0;

protected:
    KProperty* MakeDeferredMember(int pMember) override
    {
        auto* lMember = new CountedMember(mAlive);
        lMember->SetPlugFlags(kMemberOfOwner, true);
        lMember->SetPropertyType(kPropertyTypeInt);
        lMember->Attach(kMemberNames[pMember], this);
        lMember->SetCachedValue(10 + pMember);
        ++mMade;
        return lMember;
    }
    const char* GetDeferredMemberName(int pMember) const override { return kMemberNames[pMember]; }

private:
    int& mAlive;
};

} // namespace

TEST(KObjectDeferredMembers, HoldTheirPlaceAndAreMadeOnlyWhenReached)
{
    int lAlive = 0;
    DeferringObject lObject(lAlive);
    ASSERT_EQ(lObject.GetPropertyCount(), 4);
    for (int i = 0; i < kMemberCount; ++i) {
        EXPECT_FALSE(lObject.IsPropertyMade(i));
    }
    ASSERT_TRUE(lObject.IsPropertyMade(3));
    EXPECT_STREQ(lObject.GetProperty(3)->GetName(), "Own");
    EXPECT_EQ(lObject.FindProperty("Own"), lObject.GetProperty(3));
    EXPECT_EQ(lObject.FindProperty("Delta"), nullptr);
    EXPECT_EQ(lObject.mMade, 0);

    // A lookup by name makes the member it finds and no other.
    KProperty* lBeta = lObject.FindProperty("Beta");
    ASSERT_NE(lBeta, nullptr);
    EXPECT_EQ(lObject.mMade, 1);
    EXPECT_TRUE(lObject.IsPropertyMade(1));
    EXPECT_FALSE(lObject.IsPropertyMade(0));
    EXPECT_EQ(lBeta->GetValueAsInt(), 11);
    EXPECT_EQ(lBeta->GetParentObject(), &lObject);
    // Made once: later lookups find the same property.
    EXPECT_EQ(lObject.FindProperty("Beta"), lBeta);
    EXPECT_EQ(lObject.GetProperty(1), lBeta);
    EXPECT_EQ(lObject.mMade, 1);

    // A lookup by index makes it too; a member is not a child of the object's plug.
    KProperty* lGamma = lObject.GetProperty(2);
    ASSERT_NE(lGamma, nullptr);
    EXPECT_STREQ(lGamma->GetName(), "Gamma");
    EXPECT_EQ(lObject.mMade, 2);
    EXPECT_EQ(lAlive, 2);
    EXPECT_FALSE(lObject.RegisterProperty(lGamma));
}

TEST(KObjectDeferredMembers, MadeMembersGoWithTheObjectOrTheirRemoval)
{
    int lAlive = 0;
    {
        DeferringObject lObject(lAlive);
        KProperty* lAlpha = lObject.FindProperty("Alpha");
        ASSERT_TRUE(lObject.RemoveProperty(lAlpha));
        EXPECT_EQ(lAlive, 0);
        // The others keep their names and order after the removal.
        ASSERT_EQ(lObject.GetPropertyCount(), 3);
        EXPECT_STREQ(lObject.GetProperty(0)->GetName(), "Beta");
        EXPECT_STREQ(lObject.GetProperty(1)->GetName(), "Gamma");
        EXPECT_EQ(lAlive, 2);
    }
    EXPECT_EQ(lAlive, 0);

    // Destruct takes made and unmade members out alike; connections go first.
    DeferringObject lObject(lAlive);
    KPropertyInt lPartner;
    KProperty* lBeta = lObject.FindProperty("Beta");
    ASSERT_TRUE(lBeta->ConnectSrc(&lPartner));
    lObject.Destruct();
    EXPECT_EQ(lObject.GetPropertyCount(), 0);
    EXPECT_EQ(lAlive, 0);
    EXPECT_EQ(lPartner.GetDstCount(), 0);
}

TEST(KObjectDeferredMembers, KeepTheirPlaceBehindPropertiesRegisteredBefore)
{
    int lAlive = 0;
    DeferringObject lObject(lAlive, true);
    ASSERT_EQ(lObject.GetPropertyCount(), 4);
    ASSERT_TRUE(lObject.IsPropertyMade(0));
    EXPECT_STREQ(lObject.GetProperty(0)->GetName(), "Own");
    EXPECT_FALSE(lObject.IsPropertyMade(3));
    EXPECT_STREQ(lObject.GetProperty(3)->GetName(), "Gamma");
    KProperty* lAlpha = lObject.FindProperty("Alpha");
    EXPECT_TRUE(lObject.IsPropertyMade(1));
    EXPECT_EQ(lObject.GetProperty(1), lAlpha);
    EXPECT_FALSE(lObject.IsPropertyMade(2));
    // A property registered later comes after them all.
    KProperty* lLater = lObject.CreateProperty("Later", kPropertyTypeBool, nullptr);
    EXPECT_EQ(lObject.GetProperty(4), lLater);
    EXPECT_EQ(lObject.FindProperty("Beta")->GetValueAsInt(), 11);
    EXPECT_EQ(lAlive, 3);
}

TEST(KObjectDeferredMembers, DefinitionsAreSharedWithoutMakingMembers)
{
    int lAlive = 0;
    KPropertyDefinitionCache lCache;
    DeferringObject lFirst(lAlive);
    DeferringObject lSecond(lAlive);
    lCache.Share(&lFirst, lFirst);
    lCache.Share(&lFirst, lSecond);
    EXPECT_EQ(lAlive, 0);
    // Members shared one at a time under a kind of their own.
    KProperty* lFirstBeta = lFirst.FindProperty("Beta");
    KProperty* lSecondBeta = lSecond.FindProperty("Beta");
    lCache.ShareOne(kMemberNames, 1, *lFirstBeta);
    lCache.ShareOne(kMemberNames, 1, *lSecondBeta);
    EXPECT_EQ(&std::as_const(*lFirstBeta).GetDefinition(),
              &std::as_const(*lSecondBeta).GetDefinition());
    // A change gives the changed one a definition of its own.
    lSecondBeta->SetLabel("Changed");
    EXPECT_EQ(lFirstBeta->GetLabel(), nullptr);
    EXPECT_STREQ(lSecondBeta->GetLabel(), "Changed");
}

namespace {

// Whether a visitor taking TProperty can be handed to a walk of TVisit.
template <class TVisit, class TProperty>
constexpr bool kWalkTakes = std::is_constructible_v<TVisit, void (*)(TProperty)>;
using ReadVisit = std::function<void(const KProperty&)>;
using ListVisit = std::function<void(KProperty&)>;

// What a read walk hands cannot take a connection, either end, nor a value.
static_assert(!std::is_invocable_v<decltype(&KPlug::ConnectSrc), const KProperty&, KPlug*, int>);
static_assert(!std::is_invocable_v<decltype(&KPlug::ConnectDst), const KProperty&, KPlug*, int>);
static_assert(!std::is_invocable_v<decltype(&KPlug::ConnectSrc), KPlug&, const KProperty*, int>);
static_assert(!std::is_invocable_v<decltype(&KProperty::SetPropertyValue), const KProperty&,
                                   const KPropertyValue&>);

// The names and integer values a walk hands, in order.
std::vector<std::pair<std::string, int>> Walked(const DeferringObject& pObject, bool pRead)
{
    std::vector<std::pair<std::string, int>> lWalked;
    const auto lAdd = [&lWalked](const KProperty& pProperty) {
        lWalked.emplace_back(pProperty.GetName(), pProperty.GetValueAsInt());
    };
    if (pRead) {
        pObject.WalkToRead(lAdd);
    } else {
        pObject.WalkToConnect(lAdd);
    }
    return lWalked;
}

} // namespace

TEST(KObjectPropertyWalks, EachWalkHandsWhatItsUseAllows)
{
    // A visitor that would change or connect is refused by the read walk when it is compiled.
    EXPECT_TRUE((kWalkTakes<ReadVisit, const KProperty&>));
    EXPECT_FALSE((kWalkTakes<ReadVisit, KProperty&>));
    EXPECT_TRUE((kWalkTakes<ListVisit, KProperty&>));

    int lAlive = 0;
    DeferringObject lObject(lAlive);
    lObject.FindProperty("Beta")->SetValueAsInt(21);
    lObject.mMade = 0;
    // Reading sees every property with its value and leaves nothing made behind.
    using Walk = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(Walked(lObject, true),
              (Walk{{"Alpha", 10}, {"Beta", 21}, {"Gamma", 12}, {"Own", 0}}));
    EXPECT_EQ(lAlive, 1);
    EXPECT_FALSE(lObject.IsPropertyMade(0));
    // The walk to connect hands the properties that can hold a connection as they are.
    EXPECT_EQ(Walked(lObject, false), (Walk{{"Beta", 21}, {"Own", 0}}));
    // Listing makes every member, so that what it hands may be kept and connected.
    std::vector<KProperty*> lListed;
    lObject.WalkToList([&lListed](KProperty& ioProperty) { lListed.push_back(&ioProperty); });
    ASSERT_EQ(lListed.size(), 4u);
    EXPECT_EQ(lAlive, 3);
    EXPECT_EQ(lListed[0], lObject.FindProperty("Alpha"));
    KPropertyInt lPartner;
    ASSERT_TRUE(lListed[2]->ConnectSrc(&lPartner));
    EXPECT_EQ(lObject.FindProperty("Gamma")->GetSrc(0), &lPartner);
    EXPECT_EQ(Walked(lObject, false).size(), 4u);
}
