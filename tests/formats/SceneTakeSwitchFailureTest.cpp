// A scene's take switch under the allocation-failure walk (which only this test program has):
// whichever allocation fails, every take container is left on the take it had, or the switch
// is whole.

#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/formats/FailingAllocation.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace {

constexpr long kMaxAllocations = 10000;

// The current take of every container, then the scene's current take name.
std::vector<std::string> TakesOf(KRyvScene& pScene)
{
    std::vector<std::string> lTakes;
    KRyvSceneEntity& lContent = *pScene.GetSceneEntity();
    for (int i = 0; i < lContent.GetNodeCount(); ++i) {
        lTakes.emplace_back(lContent.GetNode(i)->GetCurrentTakeNodeName());
    }
    for (int i = 0; i < lContent.GetMaterialCount(); ++i) {
        lTakes.emplace_back(lContent.GetMaterial(i)->GetCurrentTakeNodeName());
    }
    lTakes.emplace_back(pScene.GetCurrentTakeName());
    return lTakes;
}

TEST(SceneTakeSwitchFailures, EveryContainerKeepsItsTakeOrTheSwitchIsWhole)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    // Containers with the take around ones without it, which record an error as they switch.
    for (const char* lName : {"Hips", "Bare", "Chest", "Also bare"}) {
        KRyvNode* lNode = lFactory.CreateNode(lName);
        lScene.GetRootNode()->AddChild(lNode);
        lNode->AddTakeNode("rest");
        if (std::string(lName).find("are") == std::string::npos) {
            lNode->AddTakeNode("walk");
        }
        lNode->SetCurrentTakeNode("rest");
    }
    KRyvMaterial* lMaterial = lFactory.CreateMaterial("Skin");
    lScene.GetSceneEntity()->AddMaterial(lMaterial);
    lMaterial->AddTakeNode("rest");
    lMaterial->SetCurrentTakeNode("rest");
    ASSERT_FALSE(lScene.SetCurrentTake("rest"));
    const std::vector<std::string> lBefore = TakesOf(lScene);

    for (long lNth = 1; lNth < kMaxAllocations; ++lNth) {
        bool lSwitched = false;
        bool lFired = false;
        {
            FailingAllocation lFailure(lNth);
            try {
                lSwitched = lScene.SetCurrentTake("walk");
            } catch (const std::bad_alloc&) {
                lSwitched = false;
            }
            lFired = FailingAllocation::Fired(lNth);
        }
        if (!lFired) {
            EXPECT_FALSE(lSwitched) << "two nodes and the material lack the take";
            const std::vector<std::string> lWhole = {"Default", "walk",    "Default", "walk",
                                                     "Default", "Default", "walk"};
            EXPECT_EQ(TakesOf(lScene), lWhole);
            EXPECT_STREQ(lScene.GetError().GetLastErrorString().Buffer(),
                         "Not all nodes have a take node called walk");
            return;
        }
        ASSERT_EQ(TakesOf(lScene), lBefore) << "allocation " << lNth;
    }
    ADD_FAILURE() << "the switch never ends";
}

} // namespace
