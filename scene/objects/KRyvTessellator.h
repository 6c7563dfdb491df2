#ifndef RYVKIT_SCENE_OBJECTS_KRYVTESSELLATOR_H
#define RYVKIT_SCENE_OBJECTS_KRYVTESSELLATOR_H

#include "core/KError.h"

class KRyvGeometry;
class KRyvMesh;
class KRyvNurb;
class KRyvObjectFactory;
class KRyvPatch;
class KSurfaceEvaluator;
class KSurfaceInfluenceTable;

// Turns a patch or a NURBS surface into a triangle mesh made by the factory: one control point
// per surface sample (U fastest) with a unit normal mapped by control point, two triangles per
// grid cell with a UV per corner (layer 0, by polygon vertex, IndexToDirect), closing cells for
// closed directions, the shapes tessellated with the same tables and the skin links carried over
// to the samples. The source is left unchanged.
//
// The mesh gets the source's layers and pivot; copied elements that were mapped per control
// point, polygon vertex or polygon no longer fit and are dropped (materials and textures become
// mapped all same). A surface that cannot be sampled (see KSurfaceEvaluator, KNurbEvaluator, and
// a control-point count other than U x V) makes nothing and answers null with kInvalidSurface and
// the reason as message. Shapes whose point count is not U x V are left out.
class KRyvTessellator
{
public:
    enum EError : int {
        kParameterIsNull = 0,
        kInvalidSurface = 1,
        kCreationFailed = 2,
        kErrorCount = 3,
    };

    // Not owned; the mesh, its shapes and links come from this factory.
    explicit KRyvTessellator(KRyvObjectFactory* pFactory);

    KRyvMesh* TessellatePatch(KRyvPatch* pPatch);
    KRyvMesh* TessellateNurb(KRyvNurb* pNurb);

    KError& GetError() { return mError; }

private:
    KRyvMesh* Tessellate(KRyvGeometry& pSource, KSurfaceEvaluator& ioEvaluator, int pUCount,
                         int pVCount, int pUStep, int pVStep);
    void TessellateShapes(KRyvGeometry& pSource, KSurfaceEvaluator& ioEvaluator, KRyvMesh& ioMesh,
                          int pUCount, int pVCount, int pSampleCount);
    void TransferLinks(KRyvGeometry& pSource, KRyvMesh& ioMesh,
                       const KSurfaceInfluenceTable& pInfluences, int pSampleCount);
    bool Refuse(KSurfaceEvaluator& pEvaluator);

    KRyvObjectFactory* mFactory;
    KError mError;
};

#endif
