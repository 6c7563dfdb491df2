#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DS_H

// The 3DS chunk toolkit: one context per reader or writer run (Toolkit3dsContext), its files,
// the chunk database and tree, and the typed records with their get and put operations.
#include "formats/geometry/3ds/toolkit/CameraLight3ds.h"
#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ChunkNode3ds.h"
#include "formats/geometry/3ds/toolkit/Keyframer3ds.h"
#include "formats/geometry/3ds/toolkit/Material3ds.h"
#include "formats/geometry/3ds/toolkit/MeshObject3ds.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"
#include "formats/geometry/3ds/toolkit/SceneSettings3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#endif
