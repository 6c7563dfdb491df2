#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvLink.h"

#include "core/KAffineMatrix.h"
#include "object/KPropertyObjectList.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A matrix from translation, Euler rotation and scale, as a bind pose would be stored.
KMatrix TRSMatrix(const KVector4& pT, const KVector4& pR, const KVector4& pS)
{
    KMatrix lMatrix;
    lMatrix.SetTRS(pT, pR, pS);
    return lMatrix;
}

void ExpectMatrixNear(const KMatrix& pA, const KMatrix& pB)
{
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            EXPECT_NEAR(pA.Get(lRow, lColumn), pB.Get(lRow, lColumn), 1e-9)
                << "row " << lRow << " column " << lColumn;
        }
    }
}

} // namespace

TEST(KRyvLink, NewLinkIsReset)
{
    KRyvLink lLink;
    EXPECT_EQ(lLink.GetLink(), nullptr);
    EXPECT_STREQ(lLink.GetLinkName().Buffer(), "");
    EXPECT_EQ(lLink.GetLinkMode(), KRyvLink::eAdditive);
    EXPECT_EQ(lLink.GetControlPointIndicesCount(), 0);
    EXPECT_EQ(lLink.GetControlPointIndices(), nullptr);
    EXPECT_FALSE(lLink.GetTransformParentSet());
    KMatrix lMatrix(KVector4(10.0, 20.0, 30.0));
    EXPECT_EQ(lLink.GetTransformMatrix(lMatrix), KMatrix());
    EXPECT_EQ(lLink.GetTransformParentMatrix(lMatrix), KMatrix());
    EXPECT_EQ(lLink.GetTransformT(), KVector4(0.0, 0.0, 0.0, 1.0));
    EXPECT_DOUBLE_EQ(lLink.GetTransformS()[3], 1.0);
}

TEST(KRyvLink, NodesNamesAndUserData)
{
    KRyvNode lBone(nullptr, "Model::Bone");
    KRyvNode lMesh(nullptr, "Model::Body");
    KRyvLink lLink;
    lLink.SetLink(&lBone);
    lLink.SetLink(nullptr);
    EXPECT_EQ(lLink.GetLink(), &lBone);
    EXPECT_STREQ(lLink.GetLinkName().Buffer(), "Model::Bone");

    lLink.SetAssociateModel(&lMesh);
    lMesh.SetName("Torso");
    EXPECT_STREQ(lLink.GetAssociateModelName().Buffer(), "Model::Torso");
    lLink.SetAssociateModel(nullptr);
    EXPECT_STREQ(lLink.GetAssociateModelName().Buffer(), "");

    lLink.SetUserData("Id", "Value");
    EXPECT_STREQ(lLink.GetUserDataID().Buffer(), "Id");
    EXPECT_STREQ(lLink.GetUserData().Buffer(), "Value");
    lLink.SetUserData(nullptr, nullptr);
    EXPECT_STREQ(lLink.GetUserDataID().Buffer(), "");
}

TEST(KRyvLink, IndicesAndWeightsIgnoreNegativeIndices)
{
    KRyvLink lLink;
    lLink.AddControlPointIndex(-1, 0.5);
    EXPECT_EQ(lLink.GetControlPointIndicesCount(), 0);
    lLink.AddControlPointIndex(4, 0.25);
    lLink.AddControlPointIndex(0, 1.0);
    lLink.AddControlPointIndex(-7, 0.5);
    ASSERT_EQ(lLink.GetControlPointIndicesCount(), 2);
    EXPECT_EQ(lLink.GetControlPointIndices()[0], 4);
    EXPECT_EQ(lLink.GetControlPointIndices()[1], 0);
    EXPECT_DOUBLE_EQ(lLink.GetControlPointWeights()[0], 0.25);
    EXPECT_DOUBLE_EQ(lLink.GetControlPointWeights()[1], 1.0);
}

TEST(KRyvLink, TransformsRoundTripThroughTRS)
{
    KRyvLink lLink;
    const KMatrix lTransform =
        TRSMatrix(KVector4(1.0, -2.0, 3.0), KVector4(30.0, 45.0, -60.0), KVector4(1.0, 2.0, 3.0));
    // A negative scale comes back: the rotation takes the flip.
    const KMatrix lMirror =
        TRSMatrix(KVector4(0.0, 5.0, 0.0), KVector4(0.0, 0.0, 0.0), KVector4(-1.0, -1.0, -1.0));
    const KMatrix lOneFlip =
        TRSMatrix(KVector4(0.0, 0.0, 0.0), KVector4(10.0, 0.0, 0.0), KVector4(1.0, -2.0, 1.0));
    lLink.SetTransformMatrix(lTransform);
    lLink.SetTransformLinkMatrix(lMirror);
    lLink.SetTransformAssociateModelMatrix(lOneFlip);
    EXPECT_FALSE(lLink.GetTransformParentSet());
    lLink.SetTransformParentMatrix(lTransform);
    EXPECT_TRUE(lLink.GetTransformParentSet());

    KMatrix lBack;
    ExpectMatrixNear(lLink.GetTransformMatrix(lBack), lTransform);
    ExpectMatrixNear(lLink.GetTransformLinkMatrix(lBack), lMirror);
    ExpectMatrixNear(lLink.GetTransformAssociateModelMatrix(lBack), lOneFlip);
    ExpectMatrixNear(lLink.GetTransformParentMatrix(lBack), lTransform);
    EXPECT_NEAR(lLink.GetTransformT()[1], -2.0, 1e-12);
    EXPECT_NEAR(lLink.GetTransformS()[2], 3.0, 1e-12);
    EXPECT_NEAR(lLink.GetTransformLinkS()[0], -1.0, 1e-12);

    // Shear is not kept: the stored parts rebuild a matrix without it.
    KMatrix lShear;
    lShear.Set(1, 0, 0.5);
    lLink.SetTransformMatrix(lShear);
    EXPECT_NE(lLink.GetTransformMatrix(lBack), lShear);

    // Single parts.
    lLink.SetTransformLinkT(KVector4(7.0, 8.0, 9.0));
    lLink.SetTransformLinkR(KVector4(0.0, 90.0, 0.0));
    lLink.SetTransformLinkS(KVector4(1.0, 1.0, 1.0));
    ExpectMatrixNear(
        lLink.GetTransformLinkMatrix(lBack),
        TRSMatrix(KVector4(7.0, 8.0, 9.0), KVector4(0.0, 90.0, 0.0), KVector4(1.0, 1.0, 1.0)));
}

TEST(KRyvLink, CopyKeepsEverything)
{
    KRyvNode lBone(nullptr, "Model::Bone");
    KRyvLink lLink;
    lLink.SetLink(&lBone);
    lLink.SetLinkMode(KRyvLink::eTotal1);
    lLink.SetUserData("a", "b");
    lLink.AddControlPointIndex(2, 0.5);
    lLink.SetTransformParentMatrix(KMatrix(KVector4(0.0, 10.0, 0.0)));

    KRyvLink lCopy;
    lCopy.AddControlPointIndex(9, 9.0);
    lCopy = lLink;
    EXPECT_EQ(lCopy.GetLink(), &lBone);
    EXPECT_STREQ(lCopy.GetLinkName().Buffer(), "Model::Bone");
    EXPECT_EQ(lCopy.GetLinkMode(), KRyvLink::eTotal1);
    EXPECT_STREQ(lCopy.GetUserData().Buffer(), "b");
    ASSERT_EQ(lCopy.GetControlPointIndicesCount(), 1);
    EXPECT_EQ(lCopy.GetControlPointIndices()[0], 2);
    EXPECT_TRUE(lCopy.GetTransformParentSet());
    KMatrix lBack;
    ExpectMatrixNear(lCopy.GetTransformParentMatrix(lBack), KMatrix(KVector4(0.0, 10.0, 0.0)));
}

TEST(KRyvDeformer, KindFromTheKindText)
{
    KRyvDeformer lCluster(nullptr, "Arm", "Cluster");
    KRyvDeformer lLower(nullptr, "Arm", "cLuStEr");
    KRyvDeformer lSkin(nullptr, "Body", "skin");
    KRyvDeformer lOther(nullptr, "Body", "clusters");
    KRyvDeformer lNull(nullptr, "Body", nullptr);
    EXPECT_EQ(lCluster.GetDeformerType(), KRyvDeformer::eCluster);
    EXPECT_EQ(lLower.GetDeformerType(), KRyvDeformer::eCluster);
    EXPECT_EQ(lSkin.GetDeformerType(), KRyvDeformer::eSkin);
    EXPECT_EQ(lOther.GetDeformerType(), KRyvDeformer::eSkin);
    EXPECT_EQ(lNull.GetDeformerType(), KRyvDeformer::eSkin);

    EXPECT_EQ(lCluster.GetObjectType(), 10);
    EXPECT_STREQ(lCluster.GetTypeName().Buffer(), "Cluster");
    EXPECT_STREQ(lSkin.GetTypeName().Buffer(), "Skin");
    ASSERT_EQ(lSkin.GetTypeFlags().GetCount(), 1);
    EXPECT_STREQ(lSkin.GetTypeFlags().GetText(0).Buffer(), "Deformer");
    EXPECT_EQ(lSkin.GetTakeNodeCount(), 1);
    EXPECT_STREQ(lSkin.GetCurrentTakeNodeName(), "Default");
    EXPECT_DOUBLE_EQ(lSkin.GetAccuracy(), 50.0);
    EXPECT_DOUBLE_EQ(lSkin.GetDeformerProperties()->GetAccuracy(), 50.0);
    EXPECT_FALSE(lSkin.GetMultiLayer());
    lSkin.SetMultiLayer(true);
    EXPECT_TRUE(lSkin.GetMultiLayer());

    // A cluster's property set counts as a skin's, under its own class name.
    KObject* lClusterSet = lCluster.GetProperties();
    EXPECT_TRUE(lClusterSet->IsA(KRyvDeformerProperties::ClassId()));
    EXPECT_TRUE(lClusterSet->IsA(KRyvClusterProperties::ClassId()));
    EXPECT_FALSE(lSkin.GetProperties()->IsA(KRyvClusterProperties::ClassId()));
    EXPECT_EQ(lSkin.GetClusterProperties(), nullptr);
    EXPECT_EQ(lClusterSet->GetOwnerObject(), static_cast<KObjectOwner*>(&lCluster));

    std::vector<KProperty*> lProperties;
    lCluster.GetUserProperties(lProperties);
    ASSERT_EQ(lProperties.size(), 2u);
    EXPECT_STREQ(lProperties[0]->GetName(), "SrcModel");
    EXPECT_STREQ(lProperties[1]->GetName(), "SrcModelReference");
    lProperties.clear();
    lSkin.GetUserProperties(lProperties);
    EXPECT_TRUE(lProperties.empty());
}

TEST(KRyvDeformer, SourceModelListsAcceptNodeBlocksOnly)
{
    KRyvNode lBone(nullptr, "Model::Bone");
    KRyvDeformer lOther(nullptr, "Other", "Skin");
    {
        KRyvDeformer lCluster(nullptr, "Arm", "Cluster");
        KPropertyObjectList& lModels = lCluster.GetClusterProperties()->GetSrcModel();
        EXPECT_EQ(lModels.GetPropertyType(), kPropertyTypeObject);
        EXPECT_TRUE(lModels.GetDefinition().GetFlag(KPropertyDefinition::kObjectList));
        EXPECT_TRUE(lModels.SetObjectAt(0, lBone.GetNodeProperties()));
        EXPECT_FALSE(lModels.SetObjectAt(1, lOther.GetDeformerProperties()));
        EXPECT_EQ(lModels.GetObjectCount(), 1);
        EXPECT_EQ(lModels.GetObject(0), lBone.GetNodeProperties());
        KPropertyObjectList& lReferences = lCluster.GetClusterProperties()->GetSrcModelReference();
        EXPECT_TRUE(lReferences.SetObjectAt(0, lBone.GetNodeProperties()));
        EXPECT_GT(lBone.GetNodeProperties()->GetDstCount(), 0);
    }
    // The destroyed cluster took its connections with it.
    EXPECT_EQ(lBone.GetNodeProperties()->GetDstCount(), 0);
}

TEST(KRyvDeformer, ClusterAndLinkConvertBothWays)
{
    KRyvLink lLink;
    lLink.SetLinkMode(KRyvLink::eNormalize);
    lLink.SetUserData("Id", "Value");
    lLink.AddControlPointIndex(1, 0.25);
    lLink.AddControlPointIndex(5, 0.75);
    lLink.SetTransformMatrix(
        TRSMatrix(KVector4(1.0, 2.0, 3.0), KVector4(10.0, 20.0, 30.0), KVector4(1.0, 1.0, 1.0)));
    lLink.SetTransformLinkMatrix(
        TRSMatrix(KVector4(0.0, 0.0, 0.0), KVector4(0.0, 0.0, 45.0), KVector4(-2.0, -2.0, -2.0)));
    lLink.SetTransformAssociateModelMatrix(KMatrix(KVector4(5.0, 0.0, 0.0)));
    lLink.SetTransformParentMatrix(KMatrix(KVector4(0.0, 0.0, 5.0)));

    KRyvDeformer lSkin(nullptr, "Body", "Skin");
    EXPECT_FALSE(lSkin.CopyFromLink(&lLink));
    EXPECT_TRUE(lSkin.GetControlPointIndexArray().empty());

    KRyvDeformer lCluster(nullptr, "Arm", "Cluster");
    EXPECT_FALSE(lCluster.CopyFromLink(nullptr));
    ASSERT_TRUE(lCluster.CopyFromLink(&lLink));
    EXPECT_EQ(lCluster.GetLinkMode(), KRyvLink::eNormalize);
    EXPECT_STREQ(lCluster.GetUserDataID().Buffer(), "Id");
    EXPECT_EQ(lCluster.GetControlPointIndexArray(), (std::vector<int>{1, 5}));
    EXPECT_EQ(lCluster.GetControlPointWeightArray(), (std::vector<double>{0.25, 0.75}));
    EXPECT_TRUE(lCluster.GetTransformParentSet());

    KRyvLink lBack;
    lBack.CopyFromCluster(&lCluster);
    EXPECT_EQ(lBack.GetLinkMode(), KRyvLink::eNormalize);
    EXPECT_STREQ(lBack.GetUserData().Buffer(), "Value");
    ASSERT_EQ(lBack.GetControlPointIndicesCount(), 2);
    EXPECT_EQ(lBack.GetControlPointIndices()[1], 5);
    EXPECT_DOUBLE_EQ(lBack.GetControlPointWeights()[1], 0.75);
    EXPECT_TRUE(lBack.GetTransformParentSet());
    KMatrix lA;
    KMatrix lB;
    ExpectMatrixNear(lBack.GetTransformMatrix(lA), lLink.GetTransformMatrix(lB));
    ExpectMatrixNear(lBack.GetTransformLinkMatrix(lA), lLink.GetTransformLinkMatrix(lB));
    ExpectMatrixNear(lBack.GetTransformAssociateModelMatrix(lA),
                     lLink.GetTransformAssociateModelMatrix(lB));
    ExpectMatrixNear(lBack.GetTransformParentMatrix(lA), lLink.GetTransformParentMatrix(lB));

    // The parent flag follows the cluster's, even though the parent matrix was copied.
    lCluster.SetTransformParentSet(false);
    lBack.CopyFromCluster(&lCluster);
    EXPECT_FALSE(lBack.GetTransformParentSet());

    // From a skin, or from nothing, the link is reset.
    lBack.CopyFromCluster(&lSkin);
    EXPECT_EQ(lBack.GetLinkMode(), KRyvLink::eAdditive);
    EXPECT_EQ(lBack.GetControlPointIndicesCount(), 0);
    lBack = lLink;
    lBack.CopyFromCluster(nullptr);
    EXPECT_EQ(lBack.GetControlPointIndicesCount(), 0);
}

TEST(KRyvLink, DestroyedNodesReadAsGoneButKeepTheirNames)
{
    auto lBone = std::make_unique<KRyvNode>(nullptr, "Bone");
    auto lModel = std::make_unique<KRyvNode>(nullptr, "Body");
    KRyvLink lLink;
    lLink.SetLink(lBone.get());
    lLink.SetAssociateModel(lModel.get());
    EXPECT_EQ(lLink.GetLink(), lBone.get());
    EXPECT_EQ(lLink.GetAssociateModel(), lModel.get());

    // A copy holds the same nodes; neither reaches freed memory once they are gone.
    KRyvLink lCopy(lLink);
    lBone.reset();
    lModel.reset();
    EXPECT_EQ(lLink.GetLink(), nullptr);
    EXPECT_EQ(lCopy.GetLink(), nullptr);
    EXPECT_EQ(lLink.GetAssociateModel(), nullptr);
    EXPECT_STREQ(lLink.GetLinkName().Buffer(), "Model::Bone");
    EXPECT_STREQ(lLink.GetAssociateModelName().Buffer(), "Model::Body");
}
