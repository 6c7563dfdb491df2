#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFDRAWING_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFDRAWING_H

#include "core/KVector4.h"
#include "formats/geometry/dxf/KDxfNodePlan.h"
#include "formats/geometry/dxf/KDxfPairs.h"

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Turns the groups of a DXF file into the nodes a read makes (KDxfNodePlan), by layer, by
// entity or by block. Reads the LAYER table (names compared without regard to case), indexes
// every block of the BLOCKS section once, then walks the ENTITIES section: POLYLINE (polyface
// meshes and 3D polylines), 3DFACE, LINE and INSERT; other entities are skipped whole with one
// warning per kind. DXF points (x, y, z) become scene points (x, z, -y).
//
// Entity colours 0 (by block) and 256 (by layer) take the layer's colour, made positive; a
// colour outside 1..255 then gives no material. An INSERT places its block at the insertion
// point minus the rotated, scaled base point; a block that inserts itself, directly or through
// others, or nests deeper than kMaxBlockDepth, is refused with a warning. An insert whose tree
// would take the nodes made through inserts past kMaxBlockInstances is refused whole, with a
// warning naming its block and the nodes it would make (each node costs tens of kilobytes once
// built, so a small file must not make millions); more than kMaxBlockEntities entities read
// through inserts fail the read.
// Polyface indexes outside the polyline's vertices drop their face record
// with a warning. A 3D polyline's coloured segments give its mesh materials, as faces do.
class KDxfDrawing
{
public:
    enum EDerivation : int { eByLayer = 0, eByEntity = 1, eByBlock = 2 };

    static constexpr int kMaxBlockDepth = 32;
    static constexpr int kMaxBlockInstances = 10000;
    static constexpr long long kMaxBlockEntities = 10000000;

    // pPairs is walked (and checked on the way) by Read.
    KDxfDrawing(KDxfPairs& pPairs, int pDerivation, bool pWeld);

    // False (with GetReason) when the file ends inside a section or an entity before the end of
    // the ENTITIES section, or before its "EOF" when it has no ENTITIES section. A file cut off
    // after its ENTITIES section reads with a warning, blocks cut off left out. A group at fault
    // anywhere in the file (see KDxfPairs) fails the read with the first fault's reason and no
    // warnings, whatever else the file holds.
    bool Read(std::vector<std::unique_ptr<KDxfNodePlan>>& oNodes);

    // The colour the LAYER table gives a layer name (0 when it is not there).
    int GetLayerColor(std::string_view pLayer) const;
    const std::string& GetReason() const { return mReason; }
    // One line a warning, each "line: what".
    const std::string& GetWarnings() const { return mWarnings; }

private:
    struct Block
    {
        KDxfPair mFirst; // the code-0 pair of its first entity
        KVector4 mBase{0.0, 0.0, 0.0, 1.0};
    };
    struct Insert
    {
        std::string mName;
        double mPoint[3] = {0.0, 0.0, 0.0};
        double mScale[3] = {1.0, 1.0, 1.0};
        double mAngle = 0.0;
    };
    struct LayerMesh
    {
        std::string mName;
        std::unique_ptr<KDxfNodePlan> mNode;
    };
    using Nodes = std::vector<std::unique_ptr<KDxfNodePlan>>;

    bool ReadSections(Nodes& oNodes);
    bool Derive(KDxfPair& ioAt, Nodes& oNodes);
    // Walks the groups the read stepped over, and those after "EOF", so that a fault there is
    // found as well.
    void WalkUnwalked();
    // Sections. oFound: the file has an ENTITIES section, whose first group is oEntities.
    bool ScanSections(KDxfPair& oEntities, bool& oFound);
    bool ReadLayerTable(KDxfPair& ioAt);
    bool IndexBlocks(KDxfPair& ioAt);
    bool SkipToSectionEnd(KDxfPair& ioAt);
    // Derivations; ioAt starts at the section's first entity and ends on its ENDSEC/ENDBLK.
    bool ReadByLayer(KDxfPair& ioAt, Nodes& oNodes);
    bool ReadByEntity(KDxfPair& ioAt, Nodes& oNodes);
    bool ReadBlockBody(KDxfPair& ioAt, KDxfNodePlan& ioNode, bool pEntityLevel, Nodes& ioParent,
                       int pDepth, bool& oHasInsert);
    // Entities; each starts on the entity's code-0 pair and ends on the next one.
    bool ReadEntity(KDxfPair& ioAt, KDxfMeshData& ioMesh, bool pWeld, bool pCheckDegenerate,
                    std::string& oLayer);
    bool ReadPolyline(KDxfPair& ioAt, KDxfMeshData& ioMesh, std::string& oLayer);
    bool ReadVertex(KDxfPair& ioAt, KDxfMeshData& ioMesh, std::size_t pBase, int pColor,
                    std::string_view pLayer, int& ioPolyfaceVertices);
    bool Read3dFace(KDxfPair& ioAt, KDxfMeshData& ioMesh, bool pWeld, bool pCheckDegenerate,
                    std::string& oLayer);
    bool ReadLine(KDxfPair& ioAt, KDxfMeshData& ioMesh, bool pWeld, std::string& oLayer);
    // The groups of a 3DFACE or LINE: up to pCount points, the colour and the layer.
    bool ReadPoints(KDxfPair& ioAt, double (*oPoints)[3], int pCount, int& oColor,
                    std::string& oLayer);
    bool ReadInsert(KDxfPair& ioAt, Insert& oInsert);
    bool PlaceInsert(const Insert& pInsert, Nodes& ioParent, int pDepth);
    // Nodes an insert of the block would make, its own included, counted through the inserts
    // of its body (a block already on ioOpen counts nothing, as such inserts are refused);
    // above kMaxBlockInstances the answer is kMaxBlockInstances + 1. Known once per block.
    long long TreeSize(const std::string& pName, std::vector<std::string>& ioOpen);
    bool SkipEntity(KDxfPair& ioAt);

    // Helpers.
    bool IsEntity(std::string_view pKind) const;
    long long LastLine();
    bool IsPair(const KDxfPair& pPair, int pCode, std::string_view pValue) const;
    int ResolveColor(int pOwn, std::string_view pLayer);
    double Number(const KDxfPair& pPair);
    int Integer(const KDxfPair& pPair);
    void Warn(long long pLine, const std::string& pWhat);
    bool Fail(long long pLine, const char* pWhy);
    static KVector4 ToScene(const double* pPoint);

    KDxfPairs& mPairs;
    int mDerivation;
    bool mWeld;
    std::unordered_map<std::string, int> mLayerColors; // lower-case name -> colour
    // The layer ResolveColor looked up last, and its colour (the table is whole by then).
    bool mLastLayerKnown = false;
    std::string mLastLayer;
    int mLastLayerColor = 0;
    std::unordered_map<std::string, Block> mBlocks; // exact name, first definition
    std::vector<std::string> mActiveBlocks;
    std::unordered_map<std::string, long long> mTreeSizes;
    int mBlockInstances = 0;
    long long mBlockEntities = 0;
    std::set<std::string> mSkippedKinds;
    std::string mReason;
    std::string mWarnings;
    int mWarningCount = 0;
    // Where the entities section ends (found by a look-up), where the derivation stopped and
    // the "EOF" group; the end when there is none.
    KDxfPair mEntitiesEnd;
    KDxfPair mDerivedEnd;
    KDxfPair mEof;
};

#endif
