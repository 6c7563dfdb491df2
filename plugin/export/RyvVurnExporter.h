#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTER_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTER_H

#include "core/KMatrix.h"
#include "core/KSortedMap.h"
#include "core/KStringList.h"
#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/MSelectionList.h"
#include "plugin/export/RyvVurnDefaultShader.h"
#include "plugin/export/RyvVurnExportedNodes.h"
#include "plugin/export/RyvVurnFrameCorrection.h"
#include "plugin/import/KPivotCurves.h"
#include "plugin/import/KRootNameFilter.h"
#include "plugin/shell/RyvVurnObjectFactory.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class KFCurveNode;
class KLog;
class KRyvGeometry;
class MFnBlendShapeDeformer;
class MFnMesh;
class MFnSkinCluster;
class RyvVurnTextureRecord;
class KRyvPose;
class KRyvScene;
class MFnTransform;

// The exporter of one host export: it owns the object factory (host id 0) that makes the kit
// scene and every node, the tables that tie host objects to kit nodes, the export log and the
// selection, and runs the export passes in their fixed order (Export). One exporter serves one
// export: construct, Export once, destroy; the kit scene dies with it.
//
// The passes are members written in files of their own: the driver, master scale and write
// (RyvVurnExporter.cpp), node creation and scene-walk steps (RyvVurnExportNodes.cpp), the
// duplicate-name check (RyvVurnNameChecks.cpp), the geometry pass (RyvVurnGeometryPass.cpp),
// the hierarchy walk (RyvVurnHierarchyPass.cpp), the animation pass (RyvVurnAnimationPass.cpp),
// cameras and lights (RyvVurnCameraLightExport.cpp), the global transform cache
// (RyvVurnTransformExport.cpp) and the channel steps (RyvVurnCurveConversion.cpp).
//
// Host failures inside a pass are printed (ReportStatus, MStatus::perror) and the export goes
// on; only duplicate node names and a failed write fail an export, and a failed export leaves
// the target file as it was. The host scene is left as it was found.
class RyvVurnExporter : public KRootNameFilter
{
public:
    static constexpr const char* kLogFileName = "ryvvurnlog.txt";
    static constexpr const char* kTakeName = "Take 001";
    // The table sizes' block size.
    static constexpr int kTableBlock = 20;
    // What the geometry and hierarchy passes are given: a depth-first walk of every DAG path.
    static constexpr int kWalkDepthFirst = 1;
    static constexpr int kWalkEveryType = 0;

    // What the object table holds for one top-level DAG name: the look-at group (handle 0), the
    // camera (handle 1), two unused handles and the camera's kit node.
    struct HostObjectRecord
    {
        static constexpr int kLookAtGroup = 0;
        static constexpr int kCamera = 1;
        MObject mObjects[4];
        KRyvNode* mNode = nullptr;
    };

    RyvVurnExporter();
    ~RyvVurnExporter() override;
    RyvVurnExporter(const RyvVurnExporter&) = delete;
    RyvVurnExporter& operator=(const RyvVurnExporter&) = delete;

    // Exports the host scene (or its active selection, with kExportSelectionOnly) into
    // pFileName as a binary native file; success when the file was written. Call once.
    MStatus Export(const char* pFileName);
    // Writes the kit scene through the kit's exporter, format code 0, media embedded as
    // kExportEmbedTextures says.
    MStatus WriteFile(const char* pFileName);

    RyvVurnObjectFactory& GetFactory() { return mFactory; }
    KRyvScene* GetScene() const { return mScene; }
    KRyvNode* GetRootNode() const { return mRootNode; }
    // The kit node made for the host object at pPath (a shape's transform node for a shape),
    // as gathered at the start of the running deformer pass; null when none.
    KRyvNode* FindExportedNode(const MDagPath& pPath) const { return mExportedNodes.Find(pPath); }
    // 100 times the host's joint display scale, as the last Export found it.
    double GetJointDisplayScale() const { return mJointDisplayScale; }
    // The log of the export running now; null outside Export.
    KLog* GetLog() const { return mLog.get(); }
    // The sampling rate the export uses: the option's, or 30 when that is not a number above 0.
    double GetSamplingRate() const { return mSamplingRate; }
    // The default shader of the running geometry pass, shared by all its meshes.
    RyvVurnDefaultShader& GetDefaultShader() { return mDefaultShader; }

    // Steps of the export, public so that each can be run on its own (tests, later passes).
    // They need a log: Export makes one, and BeginSteps makes one for a step run alone.
    void BeginSteps(const char* pHeader);
    void EndSteps();

    // Node creation and scene-walk steps.
    RyvVurnNode* ExportNullNode(const MDagPath& pPath, const MFnDagNode& pDagNode);
    RyvVurnNode* ExportJointNode(const MDagPath& pPath, const MFnDagNode& pDagNode);
    void SetSkeletonFromTypeId(RyvVurnNode* pNode);
    void LinkToParent(const MFnDagNode& pDagNode, KRyvNode* pNode);
    void ExportUserPropertiesTree(KRyvNode* pNode);
    void ExportUserProperties(const MFnDependencyNode& pHostNode, KRyvNode* pNode);
    void DestroyRemovalList();
    // Temporary nodes to detach and destroy before the write.
    void AddToRemovalList(KRyvNode* pNode) { mRemovalList.push_back(pNode); }

    // Name checks: failure when two nodes of the tree share a name.
    MStatus CheckDuplicateNames(KRyvNode* pRoot);

    // Geometry pass, its mesh export and the hierarchy walk.
    MStatus ExportGeometry(int pTraversal, int pFilter);
    RyvVurnNode* ExportMesh(const MDagPath& pPath, const MFnDagNode& pDagNode);
    RyvVurnNode* ExportNurbs(const MDagPath& pPath, const MFnDagNode& pDagNode);
    MStatus ExportHierarchy(int pTraversal, int pFilter);

    // Geometry and appearance: the mesh conversion (RyvVurnMeshConversion.cpp), materials,
    // vertex colours and the coincident-vertex check (RyvVurnMaterialExport.cpp), textures
    // (RyvVurnTextureExport.cpp); meshes and NURBS surfaces (RyvVurnGeometryExport.cpp).
    // Fills pNode with the mesh of pMesh (the shape the checks chose), its points taken from
    // pFurther when not null, else from pReference; a reference of another topology marks the
    // node mismatched and leaves it without a mesh.
    void ConvertMesh(const MFnMesh& pMesh, RyvVurnNode* pNode, const MObject& pReference,
                     const MObject& pFurther);
    // The index of the kit material of pShader (named after pName) in pGeometry's materials,
    // made from the shader when neither the geometry nor the factory has it; -1 on failure.
    int ExportMaterial(const MString& pName, const MObject& pShader, KRyvGeometry* pGeometry);
    // The material and textures of a node whose geometry is not a mesh.
    void ExportNodeMaterials(KRyvNode* pNode);
    // The textures on pShader's colour into pNode's geometry and ioRecord; true when the last
    // input looked at made one.
    bool GatherShaderTextures(const MObject& pShader, KRyvNode* pNode,
                              RyvVurnTextureRecord& ioRecord);
    bool ExportLayeredTexture(KRyvNode* pNode, const MObject& pLayered,
                              RyvVurnTextureRecord& ioRecord);
    // The kit texture of a host file texture on layer pLayer; true when it exists afterwards.
    bool ExportFileTexture(KRyvNode* pNode, const MObject& pFile, RyvVurnTextureRecord& ioRecord,
                           int pLayer, int pAlphaSource, double pAlpha, int pBlendMode);
    // Enters pRecord's material (layer 0) and, with pWriteIndices, its texture indices into
    // pGeometry's layers.
    void FillTextureLayers(const RyvVurnTextureRecord& pRecord, KRyvGeometry* pGeometry,
                           bool pWriteIndices);
    // Below pNode: reports the coincident control points of every mesh with per-polygon-vertex
    // normals and gives each of its polygon vertices a control point of its own.
    void CheckCoincidentVertices(KRyvNode* pNode);

    // Cameras and lights.
    RyvVurnNode* ExportLightNode(const MDagPath& pPath, const MFnDagNode& pDagNode);
    RyvVurnNode* ExportCameraNode(const MDagPath& pPath, const MFnDagNode& pDagNode);
    RyvVurnNode* ExportLookAtGroup(const MDagPath& pPath, const MFnDagNode& pDagNode);
    bool ExportLightAnimationCurves(RyvVurnNode* pNode);
    bool ExportCameraAnimationCurves(RyvVurnNode* pNode, const MObject& pLookAt);
    // The record of pPath's camera or look-at group; null when none.
    HostObjectRecord* FindRecord(const MDagPath& pPath);

    // Animation pass.
    MStatus ExportAnimation(KRyvNode* pNode);
    bool ExportLightAnimation(const MDagPath& pPath, RyvVurnNode* pNode);
    bool ExportCameraAnimation(RyvVurnNode* pNode);
    void ExportTransformChannels(const MFnTransform& pTransform, KFCurveNode* pCurveNode,
                                 bool pResample);
    // Converts the curve driving pHostNode's pAttribute into the curve of pCurveNode's child
    // pChannel / pComponent (pComponent may be null); nothing when either end is missing.
    void ExportChannel(const MFnDependencyNode& pHostNode, const char* pAttribute,
                       KFCurveNode* pCurveNode, const char* pChannel, const char* pComponent,
                       bool pResample, double pFactor);
    MStatus ExportUserPropertyChannels(KRyvNode* pNode, const MFnDependencyNode& pHostNode);

    // Global transforms of every node below pNode into their caches.
    void CacheGlobalTransforms(KRyvNode* pNode);

    // The master-scale step with scale pScale (1.0 changes nothing).
    void ApplyMasterScale(double pScale);

    // Deformers (RyvVurnClusterExport.cpp, RyvVurnSkinExport.cpp, RyvVurnShapeExport.cpp).
    // Clusters below pNode: one additive link per deformed geometry (see ExportCluster).
    void ExportClusters(KRyvNode* pNode);
    // The cluster of the handle shape at child pHandleIndex of pPath, whose transform made
    // pHandleNode.
    void ExportCluster(const MDagPath& pPath, unsigned int pHandleIndex, KRyvNode* pHandleNode);
    // Every skin cluster of the host, with one bind pose each when kExportBindPose is on.
    void ExportSkinClusters();
    // Skin cluster pSkin, number pIndex (from 1) of pCount, into ioPose when not null.
    MStatus ExportSkinCluster(const MObject& pSkin, int pIndex, int pCount, KRyvPose* ioPose);
    // Blend shapes of every node below pNode, children last to first.
    void ExportShapes(KRyvNode* pNode);
    void ExportNodeShapes(const MDagPath& pPath, RyvVurnNode* pNode);

private:
    void QueryJointDisplayScale();
    void ReadSamplingRate();
    bool RunPasses();
    void SetTakeSpans();
    void ScaleRootNamed(const std::vector<KRyvNode*>& pNodes, double pScale);
    void ScaleRrsChildren(KRyvNode* pNode, const KMatrix& pScale);
    bool DissolveNode(KRyvNode* pNode);
    RyvVurnNode* ExportTransformByTypeId(const MDagPath& pPath, const MFnDagNode& pDagNode);
    RyvVurnNode* DispatchPath(const MDagPath& pPath, const MFnDagNode& pDagNode, bool& oJoint);
    void AddToNodeTable(const MDagPath& pPath, KRyvNode* pNode);
    KRyvNode* LookUpNode(const MDagPath& pPath);
    KRyvNode* FindParentNode(const MDagPath& pParentPath);
    // The first node of the table whose host path is pPath now, for entries gone stale.
    KRyvNode* NodeNowAt(const MDagPath& pPath);
    RyvVurnNode* CreateHostNode(const MDagPath& pPath, const MFnDagNode& pDagNode);
    // oCorrection: for a light or camera whose frame the file changes, what it changed.
    void AnimateNode(RyvVurnNode* pNode, std::optional<RyvVurnFrameCorrection>& oCorrection);
    void KeepChildFrames(RyvVurnNode* pNode, const RyvVurnFrameCorrection& pCorrection);
    void KeepPivotAnimation(RyvVurnNode* pNode, const KPivotCurves& pPivots);
    void ExportSkinGeometry(const MFnSkinCluster& pSkin, const MDagPath& pShape,
                            KRyvNode* pGeometryNode, int pIndex, int pCount, KRyvPose* ioPose);
    KMatrix InfluenceBindMatrix(const MDagPath& pPath, KRyvNode*& ioNode, KRyvPose* ioPose);
    // Enters pNode in ioPose (when not null); a refusal marks the conflict and lists pPath's
    // node once per export.
    void EnterPoseEntry(KRyvPose* ioPose, KRyvNode* pNode, const KMatrix& pMatrix,
                        const MDagPath& pPath);
    void ReportPoseConflicts();
    void ExportBaseShapes(const MFnBlendShapeDeformer& pBlend, const MObject& pBase,
                          KRyvNode* pBaseNode);
    void ExportClusterMember(const MFnDependencyNode& pDeformer, const MPlug& pWeights,
                             const MDagPath& pMember, const MObject& pComponent,
                             const MDagPath& pHandlePath, KRyvNode* pHandleNode);

    RyvVurnObjectFactory mFactory;
    KRyvScene* mScene = nullptr;
    KRyvNode* mRootNode = nullptr;
    RyvVurnExportedNodes mExportedNodes;
    // Host full DAG path -> kit node. Host names are case-sensitive, so is the table.
    KStringList mNodeTable;
    // mNodeTable's nodes by the path each stands at now, made on the first stale entry of a
    // hierarchy pass (a scan of the table per stale entry would cost the square of its size).
    RyvVurnExportedNodes mNodesNowAt;
    bool mNodesNowAtBuilt = false;
    // Top-level DAG name -> HostObjectRecord (owned by mRecords).
    KStringList mObjectTable;
    std::vector<std::unique_ptr<HostObjectRecord>> mRecords;
    // Filled and cleared by the skin pass.
    KStringList mBindPoseConflicts;
    bool mWrapWarningShown = false;
    bool mBindPoseConflictSeen = false;
    KSortedMap mReportedKeys;
    // Node name -> its matrix in the bind poses the skin pass has added to the scene.
    std::unordered_map<std::string, KMatrix> mBindMatrices;
    // Top-level host name -> whether its bind poses may be written, once the fallback question
    // was asked for it.
    std::map<std::string, bool> mBindPoseHierarchies;
    // A refused hierarchy drops the pose of the skin cluster being exported.
    bool mBindPoseRefused = false;
    // The master scale the skin pass applies to host bind matrices.
    double mMasterScale = 1.0;
    // Whether the skin pass meets the pivot nulls of kExportPivotToNull.
    bool mPivotNulls = false;
    // Nodes whose host pivots move, for the pivot nulls to carry.
    KPivotCurvesTable mAnimatedPivots;
    std::unique_ptr<MSelectionList> mSelection;
    std::unique_ptr<KLog> mLog;
    std::vector<KRyvNode*> mRemovalList;
    RyvVurnDefaultShader mDefaultShader;
    double mJointDisplayScale = 0.0;
    double mSamplingRate = 30.0;
};

#endif
