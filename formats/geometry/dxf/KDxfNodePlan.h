#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFNODEPLAN_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFNODEPLAN_H

#include "core/KVector4.h"
#include "formats/geometry/dxf/KDxfMeshData.h"

#include <memory>
#include <string>
#include <vector>

// A node that a DXF read will make once the whole file has been read: its name (before the
// clash renaming), its geometry (none when empty), display state, placement in scene axes
// (degrees for the rotation) and children. Nothing enters the scene before the read succeeds.
struct KDxfNodePlan
{
    std::string mName;
    KDxfMeshData mMesh;
    bool mVisible = true;
    bool mWireframe = false;
    bool mPlaced = false;
    KVector4 mTranslation{0.0, 0.0, 0.0, 1.0};
    KVector4 mRotation{0.0, 0.0, 0.0, 1.0};
    KVector4 mScaling{1.0, 1.0, 1.0, 1.0};
    std::vector<std::unique_ptr<KDxfNodePlan>> mChildren;
};

#endif
