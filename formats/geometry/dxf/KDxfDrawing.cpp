#include "formats/geometry/dxf/KDxfDrawing.h"

#include "core/KQuotedValue.h"
#include "formats/geometry/dxf/KDxfColor.h"
#include "formats/geometry/dxf/KDxfLayerNames.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kMaxWarnings = 100;
constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

// Flags of VERTEX entities, compared as whole values.
constexpr int kPolyfaceVertex = 192;
constexpr int kPolyfaceFace = 128;
constexpr int k3dPolylineVertex = 32;
// POLYLINE flags of a closed 3D polyline.
constexpr int kClosed3dPolyline = 9;

// Group codes.
constexpr int kCodeEntity = 0;
constexpr int kCodeName = 2;
constexpr int kCodeLayer = 8;
constexpr int kCodeX = 10;
constexpr int kCodeY = 20;
constexpr int kCodeZ = 30;
constexpr int kCodeScaleX = 41;
constexpr int kCodeAngle = 50;
constexpr int kCodeColor = 62;
constexpr int kCodeFlags = 70;
constexpr int kCodeFirstIndex = 71;
constexpr int kMaxFaceIndexes = 4;

bool Near(const double* pA, const double* pB)
{
    for (int c = 0; c < 3; ++c) {
        if (std::fabs(pA[c] - pB[c]) > KDxfMeshData::kWeldTolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

KDxfDrawing::KDxfDrawing(KDxfPairs& pPairs, int pDerivation, bool pWeld)
    : mPairs(pPairs), mDerivation(pDerivation), mWeld(pWeld)
{
}

bool KDxfDrawing::Read(Nodes& oNodes)
{
    const bool lRead = ReadSections(oNodes);
    if (lRead) {
        WalkUnwalked();
    }
    if (lRead && !mPairs.HasFailed()) {
        return true;
    }
    if (mPairs.CheckAll()) {
        return lRead;
    }
    // A group at fault anywhere refuses the file, whatever the groups before it said.
    oNodes.clear();
    mWarnings.clear();
    mWarningCount = 0;
    mReason = mPairs.GetReason();
    return false;
}

bool KDxfDrawing::ReadSections(Nodes& oNodes)
{
    KDxfPair lAt;
    bool lFound = false;
    if (!ScanSections(lAt, lFound)) {
        return false;
    }
    if (!lFound) {
        return true;
    }
    const bool lRead = Derive(lAt, oNodes);
    mDerivedEnd = lAt;
    return lRead;
}

bool KDxfDrawing::Derive(KDxfPair& ioAt, Nodes& oNodes)
{
    if (mDerivation == eByEntity) {
        return ReadByEntity(ioAt, oNodes);
    }
    if (mDerivation == eByBlock) {
        auto lEntities = std::make_unique<KDxfNodePlan>();
        lEntities->mName = "ENTITIES";
        bool lHasInsert = false;
        if (!ReadBlockBody(ioAt, *lEntities, true, oNodes, 0, lHasInsert)) {
            return false;
        }
        if (!lEntities->mMesh.IsEmpty()) {
            oNodes.push_back(std::move(lEntities));
        }
        return true;
    }
    return ReadByLayer(ioAt, oNodes);
}

void KDxfDrawing::WalkUnwalked()
{
    // The derivation may stop on an ENDBLK before the section's end.
    for (KDxfPair lAt = mDerivedEnd; !lAt.IsEnd() && lAt.mLine < mEntitiesEnd.mLine;) {
        mPairs.Next(lAt);
    }
    for (KDxfPair lAt = mEof; !lAt.IsEnd();) {
        mPairs.Next(lAt);
    }
}

int KDxfDrawing::GetLayerColor(std::string_view pLayer) const
{
    const auto lFound = mLayerColors.find(KDxfLayerNames::Key(pLayer));
    return lFound == mLayerColors.end() ? 0 : lFound->second;
}

// ---------------------------------------------------------------------------------------------
// Sections

bool KDxfDrawing::ScanSections(KDxfPair& oEntities, bool& oFound)
{
    KDxfPair lAt = mPairs.First();
    while (!lAt.IsEnd()) {
        if (IsPair(lAt, kCodeEntity, "EOF")) {
            mEof = lAt;
            return true;
        }
        KDxfPair lNamePair = lAt;
        if (IsPair(lAt, kCodeEntity, "SECTION")) {
            mPairs.Next(lNamePair);
        }
        if (!IsPair(lAt, kCodeEntity, "SECTION") || lNamePair.IsEnd() ||
            lNamePair.mCode != kCodeName) {
            mPairs.Next(lAt);
            continue;
        }
        const std::string_view lName = lNamePair.mValue;
        lAt = lNamePair;
        mPairs.Next(lAt);
        const bool lAfterEntities = oFound;
        bool lRead = true;
        if (lName == "TABLES") {
            lRead = ReadLayerTable(lAt);
        } else if (lName == "BLOCKS") {
            lRead = IndexBlocks(lAt);
        } else if (lName == "ENTITIES" && !oFound) {
            oEntities = lAt;
            oFound = true;
            // The derivation walks the entities: here they are only stepped over.
            mPairs.ToSectionEnd(lAt);
            mEntitiesEnd = lAt;
            lRead = !lAt.IsEnd();
        } else {
            lRead = SkipToSectionEnd(lAt);
        }
        if (!lRead && lAfterEntities) {
            // The entities were read whole before the damage: it costs only what follows.
            Warn(LastLine(), "the file ends inside section " + KQuoteValue(lName) +
                                 " after ENTITIES: the rest is left out");
            return true;
        }
        if (!lRead) {
            return Fail(LastLine(), "the file ends inside a section");
        }
    }
    // The entities were read whole; only what follows them is missing.
    if (oFound) {
        return true;
    }
    return Fail(LastLine(), "the file ends without \"EOF\"");
}

bool KDxfDrawing::SkipToSectionEnd(KDxfPair& ioAt)
{
    while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDSEC")) {
        mPairs.Next(ioAt);
    }
    return !ioAt.IsEnd();
}

bool KDxfDrawing::ReadLayerTable(KDxfPair& ioAt)
{
    bool lInLayers = false;
    while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDSEC")) {
        const KDxfPair& lPair = ioAt;
        if (lPair.mCode == kCodeEntity && lPair.mValue == "TABLE") {
            KDxfPair lNext = ioAt;
            mPairs.Next(lNext);
            lInLayers = IsPair(lNext, kCodeName, "LAYER");
        } else if (lPair.mCode == kCodeEntity && lPair.mValue == "ENDTAB") {
            lInLayers = false;
        } else if (lInLayers && lPair.mCode == kCodeEntity && lPair.mValue == "LAYER") {
            std::string_view lName;
            int lColor = 0;
            for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
                if (ioAt.mCode == kCodeName) {
                    lName = ioAt.mValue;
                } else if (ioAt.mCode == kCodeColor) {
                    lColor = Integer(ioAt);
                }
            }
            if (!lName.empty()) {
                mLayerColors.emplace(KDxfLayerNames::Key(lName), lColor);
            }
            continue;
        }
        mPairs.Next(ioAt);
    }
    return !ioAt.IsEnd();
}

bool KDxfDrawing::IndexBlocks(KDxfPair& ioAt)
{
    while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDSEC")) {
        if (!IsPair(ioAt, kCodeEntity, "BLOCK")) {
            mPairs.Next(ioAt);
            continue;
        }
        std::string lName;
        Block lBlock;
        double lBase[3] = {0.0, 0.0, 0.0};
        for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
            const KDxfPair& lPair = ioAt;
            if (lPair.mCode == kCodeName) {
                lName = lPair.mValue;
            } else if (lPair.mCode == kCodeX || lPair.mCode == kCodeY || lPair.mCode == kCodeZ) {
                lBase[(lPair.mCode - kCodeX) / (kCodeY - kCodeX)] = Number(lPair);
            }
        }
        lBlock.mFirst = ioAt;
        lBlock.mBase.Set(lBase[0], lBase[1], lBase[2], 1.0);
        while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDBLK") &&
               !IsPair(ioAt, kCodeEntity, "ENDSEC")) {
            mPairs.Next(ioAt);
        }
        // A block cut off by the end of the file is not one an insert can use.
        if (!lName.empty() && !ioAt.IsEnd()) {
            mBlocks.emplace(lName, lBlock);
        }
    }
    return !ioAt.IsEnd();
}

// ---------------------------------------------------------------------------------------------
// Derivations

bool KDxfDrawing::ReadByLayer(KDxfPair& ioAt, Nodes& oNodes)
{
    // Keyed by the lower-case name, so the map's order is the names' order without case.
    std::map<std::string, LayerMesh> lLayers;
    while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDSEC") &&
           !IsPair(ioAt, kCodeEntity, "ENDBLK")) {
        const std::string_view lKind = ioAt.mValue;
        bool lRead = true;
        if (lKind == "INSERT") {
            Insert lInsert;
            lRead = ReadInsert(ioAt, lInsert) && PlaceInsert(lInsert, oNodes, 0);
        } else if (IsEntity(lKind)) {
            // The layer comes inside the entity: look it up before reading into its mesh.
            std::string lLayer;
            KDxfPair lPair = ioAt;
            for (mPairs.Next(lPair); !lPair.IsEnd() && lPair.mCode != kCodeEntity;
                 mPairs.Next(lPair)) {
                if (lPair.mCode == kCodeLayer) {
                    lLayer = lPair.mValue;
                }
            }
            LayerMesh& lTarget = lLayers[KDxfLayerNames::Key(lLayer)];
            if (!lTarget.mNode) {
                lTarget.mName = lLayer;
                lTarget.mNode = std::make_unique<KDxfNodePlan>();
            }
            lRead = ReadEntity(ioAt, lTarget.mNode->mMesh, mWeld, true, lLayer);
        } else {
            lRead = SkipEntity(ioAt);
        }
        if (!lRead) {
            return false;
        }
    }
    if (ioAt.IsEnd()) {
        return Fail(LastLine(), "the file ends inside ENTITIES");
    }
    for (auto& lEntry : lLayers) {
        LayerMesh& lLayer = lEntry.second;
        if (lLayer.mNode->mMesh.IsEmpty()) {
            continue;
        }
        lLayer.mNode->mName = lLayer.mName;
        lLayer.mNode->mVisible = GetLayerColor(lLayer.mName) >= 0;
        oNodes.push_back(std::move(lLayer.mNode));
    }
    return true;
}

bool KDxfDrawing::ReadByEntity(KDxfPair& ioAt, Nodes& oNodes)
{
    while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDSEC") &&
           !IsPair(ioAt, kCodeEntity, "ENDBLK")) {
        const std::string_view lKind = ioAt.mValue;
        bool lRead = true;
        if (lKind == "INSERT") {
            Insert lInsert;
            lRead = ReadInsert(ioAt, lInsert) && PlaceInsert(lInsert, oNodes, 0);
        } else if (IsEntity(lKind)) {
            auto lNode = std::make_unique<KDxfNodePlan>();
            lNode->mName = std::string(lKind);
            lNode->mWireframe = lKind == "LINE";
            std::string lLayer;
            lRead = ReadEntity(ioAt, lNode->mMesh, false, false, lLayer);
            if (lRead && !lNode->mMesh.IsEmpty()) {
                oNodes.push_back(std::move(lNode));
            }
        } else {
            lRead = SkipEntity(ioAt);
        }
        if (!lRead) {
            return false;
        }
    }
    return !ioAt.IsEnd() || Fail(LastLine(), "the file ends inside ENTITIES");
}

bool KDxfDrawing::ReadBlockBody(KDxfPair& ioAt, KDxfNodePlan& ioNode, bool pEntityLevel,
                                Nodes& ioParent, int pDepth, bool& oHasInsert)
{
    while (!ioAt.IsEnd() && !IsPair(ioAt, kCodeEntity, "ENDSEC") &&
           !IsPair(ioAt, kCodeEntity, "ENDBLK")) {
        const std::string_view lKind = ioAt.mValue;
        bool lRead = true;
        if (lKind == "INSERT") {
            Insert lInsert;
            oHasInsert = true;
            lRead = ReadInsert(ioAt, lInsert) &&
                    PlaceInsert(lInsert, pEntityLevel ? ioParent : ioNode.mChildren, pDepth + 1);
        } else if (IsEntity(lKind)) {
            // Blocks are read again for every insert: their total is bounded.
            if (++mBlockEntities > kMaxBlockEntities) {
                return Fail(ioAt.mLine, "the blocks nest into too many entities");
            }
            std::string lLayer;
            lRead = ReadEntity(ioAt, ioNode.mMesh, mWeld, true, lLayer);
        } else {
            lRead = SkipEntity(ioAt);
        }
        if (!lRead) {
            return false;
        }
    }
    return !ioAt.IsEnd() || Fail(LastLine(), "the file ends inside a block");
}

bool KDxfDrawing::PlaceInsert(const Insert& pInsert, Nodes& ioParent, int pDepth)
{
    if (pInsert.mName.empty()) {
        return true;
    }
    const auto lBlock = mBlocks.find(pInsert.mName);
    if (lBlock == mBlocks.end()) {
        Warn(0, "block " + KQuoteValue(pInsert.mName) + " is not defined: its INSERT adds nothing");
        return true;
    }
    for (const std::string& lActive : mActiveBlocks) {
        if (lActive == pInsert.mName) {
            Warn(0,
                 "block " + KQuoteValue(pInsert.mName) + " inserts itself: the insert is left out");
            return true;
        }
    }
    if (pDepth > kMaxBlockDepth || mBlockInstances >= kMaxBlockInstances) {
        Warn(0, "block " + KQuoteValue(pInsert.mName) + " nests too deep or too often: left out");
        return true;
    }
    std::vector<std::string> lOpen = mActiveBlocks;
    const long long lSize = TreeSize(pInsert.mName, lOpen);
    if (mBlockInstances + lSize > kMaxBlockInstances) {
        const std::string lCount = lSize > kMaxBlockInstances
                                       ? "more than " + std::to_string(kMaxBlockInstances)
                                       : std::to_string(lSize);
        Warn(0, "block " + KQuoteValue(pInsert.mName) + " would make " + lCount +
                    " nodes, past the limit of " + std::to_string(kMaxBlockInstances) +
                    " made through inserts: the insert is left out");
        return true;
    }
    ++mBlockInstances;
    auto lNode = std::make_unique<KDxfNodePlan>();
    lNode->mName = pInsert.mName;
    // The block's base point lands on the insertion point: t = insertion - R S base.
    const KVector4& lBase = lBlock->second.mBase;
    const double lScaled[2] = {lBase[0] * pInsert.mScale[0], lBase[1] * pInsert.mScale[1]};
    const double lCos = std::cos(pInsert.mAngle * kDegreesToRadians);
    const double lSin = std::sin(pInsert.mAngle * kDegreesToRadians);
    const double lPlace[3] = {pInsert.mPoint[0] - (lScaled[0] * lCos - lScaled[1] * lSin),
                              pInsert.mPoint[1] - (lScaled[0] * lSin + lScaled[1] * lCos),
                              pInsert.mPoint[2] - lBase[2] * pInsert.mScale[2]};
    lNode->mPlaced = true;
    lNode->mTranslation = ToScene(lPlace);
    lNode->mRotation.Set(0.0, pInsert.mAngle, 0.0, 1.0);
    // A scale changes axes as points do, without the sign: (sx, sz, sy).
    lNode->mScaling.Set(pInsert.mScale[0], pInsert.mScale[2], pInsert.mScale[1], 1.0);
    mActiveBlocks.push_back(pInsert.mName);
    KDxfPair lAt = lBlock->second.mFirst;
    bool lHasInsert = false;
    const bool lRead = ReadBlockBody(lAt, *lNode, false, ioParent, pDepth, lHasInsert);
    mActiveBlocks.pop_back();
    if (lRead && (!lNode->mMesh.IsEmpty() || lHasInsert)) {
        ioParent.push_back(std::move(lNode));
    }
    return lRead;
}

long long KDxfDrawing::TreeSize(const std::string& pName, std::vector<std::string>& ioOpen)
{
    const auto lBlock = mBlocks.find(pName);
    if (lBlock == mBlocks.end() || std::find(ioOpen.begin(), ioOpen.end(), pName) != ioOpen.end() ||
        ioOpen.size() > static_cast<std::size_t>(kMaxBlockDepth)) {
        return 0;
    }
    const auto lKnown = mTreeSizes.find(pName);
    if (lKnown != mTreeSizes.end()) {
        return lKnown->second;
    }
    ioOpen.push_back(pName);
    long long lSize = 1;
    // The body ends on ENDBLK or ENDSEC: IndexBlocks kept only blocks that end.
    KDxfPair lAt = lBlock->second.mFirst;
    while (lSize <= kMaxBlockInstances && !lAt.IsEnd() && !IsPair(lAt, kCodeEntity, "ENDBLK") &&
           !IsPair(lAt, kCodeEntity, "ENDSEC")) {
        if (!IsPair(lAt, kCodeEntity, "INSERT")) {
            mPairs.Next(lAt);
            continue;
        }
        // Stops on the next entity, which the outer loop then looks at.
        for (mPairs.Next(lAt); !lAt.IsEnd() && lAt.mCode != kCodeEntity; mPairs.Next(lAt)) {
            if (lAt.mCode == kCodeName) {
                lSize += TreeSize(std::string(lAt.mValue), ioOpen);
            }
        }
    }
    ioOpen.pop_back();
    lSize = std::min<long long>(lSize, kMaxBlockInstances + 1);
    mTreeSizes.emplace(pName, lSize);
    return lSize;
}

// ---------------------------------------------------------------------------------------------
// Entities

bool KDxfDrawing::ReadEntity(KDxfPair& ioAt, KDxfMeshData& ioMesh, bool pWeld,
                             bool pCheckDegenerate, std::string& oLayer)
{
    const std::string_view lKind = ioAt.mValue;
    if (lKind == "POLYLINE") {
        return ReadPolyline(ioAt, ioMesh, oLayer);
    }
    if (lKind == "3DFACE") {
        return Read3dFace(ioAt, ioMesh, pWeld, pCheckDegenerate, oLayer);
    }
    return ReadLine(ioAt, ioMesh, pWeld, oLayer);
}

bool KDxfDrawing::ReadPolyline(KDxfPair& ioAt, KDxfMeshData& ioMesh, std::string& oLayer)
{
    int lOwnColor = 0;
    int lFlags = 0;
    for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
        const KDxfPair& lPair = ioAt;
        if (lPair.mCode == kCodeLayer) {
            oLayer = lPair.mValue;
        } else if (lPair.mCode == kCodeColor) {
            lOwnColor = Integer(lPair);
        } else if (lPair.mCode == kCodeFlags) {
            lFlags = Integer(lPair);
        }
    }
    const int lColor = ResolveColor(lOwnColor, oLayer);
    const std::size_t lBase = ioMesh.GetPoints().size();
    int lPolyfaceVertices = 0;
    while (!ioAt.IsEnd() && IsPair(ioAt, kCodeEntity, "VERTEX")) {
        if (!ReadVertex(ioAt, ioMesh, lBase, lColor, oLayer, lPolyfaceVertices)) {
            return false;
        }
    }
    const int lLast = static_cast<int>(ioMesh.GetPoints().size()) - 1;
    if (lFlags == kClosed3dPolyline && lLast > static_cast<int>(lBase)) {
        const int lFirst = static_cast<int>(lBase);
        const int lSegment[3] = {lFirst, lLast, lFirst};
        ioMesh.AddPolygon(lColor, lSegment, 3);
    }
    if (!ioAt.IsEnd() && IsPair(ioAt, kCodeEntity, "SEQEND")) {
        return SkipEntity(ioAt);
    }
    return !ioAt.IsEnd() || Fail(LastLine(), "the file ends inside a POLYLINE");
}

bool KDxfDrawing::ReadVertex(KDxfPair& ioAt, KDxfMeshData& ioMesh, std::size_t pBase, int pColor,
                             std::string_view pLayer, int& ioPolyfaceVertices)
{
    const long long lLine = ioAt.mLine;
    double lPoint[3] = {0.0, 0.0, 0.0};
    int lColor = pColor;
    int lFlags = 0;
    // Wider than an int: the magnitude of the lowest int does not fit in one.
    long long lIndexes[kMaxFaceIndexes] = {0, 0, 0, 0};
    for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
        const KDxfPair& lPair = ioAt;
        if (lPair.mCode == kCodeX || lPair.mCode == kCodeY || lPair.mCode == kCodeZ) {
            lPoint[(lPair.mCode - kCodeX) / (kCodeY - kCodeX)] = Number(lPair);
        } else if (lPair.mCode == kCodeColor) {
            lColor = Integer(lPair);
        } else if (lPair.mCode == kCodeFlags) {
            lFlags = Integer(lPair);
        } else if (lPair.mCode >= kCodeFirstIndex &&
                   lPair.mCode < kCodeFirstIndex + kMaxFaceIndexes) {
            lIndexes[lPair.mCode - kCodeFirstIndex] = std::llabs(Integer(lPair));
        }
    }
    if (ioAt.IsEnd()) {
        return Fail(lLine, "the file ends inside a VERTEX");
    }
    if (lFlags == kPolyfaceVertex) {
        ioMesh.AddPoint(ToScene(lPoint));
        ++ioPolyfaceVertices;
    } else if (lFlags == kPolyfaceFace && lIndexes[0] != 0 && lIndexes[1] != 0) {
        const int lCount = lIndexes[2] == 0 ? 2 : (lIndexes[3] == 0 ? 3 : 4);
        for (int i = 0; i < lCount; ++i) {
            if (lIndexes[i] > ioPolyfaceVertices) {
                Warn(lLine, "face record names vertex " + std::to_string(lIndexes[i]) + " of " +
                                std::to_string(ioPolyfaceVertices) + ": left out");
                return true;
            }
        }
        const int lOffset = static_cast<int>(pBase) - 1;
        int lRecord[kMaxFaceIndexes];
        if (lCount == 2) {
            lRecord[0] = lRecord[2] = static_cast<int>(lIndexes[0]) + lOffset;
            lRecord[1] = static_cast<int>(lIndexes[1]) + lOffset;
        } else {
            for (int i = 0; i < lCount; ++i) {
                lRecord[i] = static_cast<int>(lIndexes[lCount - 1 - i]) + lOffset;
            }
        }
        ioMesh.AddPolygon(ResolveColor(lColor, pLayer), lRecord, lCount == 2 ? 3 : lCount);
    } else if (lFlags == k3dPolylineVertex) {
        const int lIndex = ioMesh.AddPoint(ToScene(lPoint));
        if (lIndex > static_cast<int>(pBase)) {
            const int lSegment[3] = {lIndex, lIndex - 1, lIndex};
            ioMesh.AddPolygon(lColor, lSegment, 3);
        }
    }
    return true;
}

bool KDxfDrawing::ReadPoints(KDxfPair& ioAt, double (*oPoints)[3], int pCount, int& oColor,
                             std::string& oLayer)
{
    const std::string_view lKind = ioAt.mValue;
    oColor = 0;
    for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
        const KDxfPair& lPair = ioAt;
        // Codes 10 + i, 20 + i and 30 + i are the x, y and z of point i.
        const int lAxis = lPair.mCode / 10 - 1;
        const int lPoint = lPair.mCode % 10;
        if (lPair.mCode == kCodeLayer) {
            oLayer = lPair.mValue;
        } else if (lPair.mCode == kCodeColor) {
            oColor = Integer(lPair);
        } else if (lAxis >= 0 && lAxis < 3 && lPoint < pCount) {
            oPoints[lPoint][lAxis] = Number(lPair);
        }
    }
    return !ioAt.IsEnd() ||
           Fail(LastLine(), ("the file ends inside a " + std::string(lKind)).c_str());
}

bool KDxfDrawing::Read3dFace(KDxfPair& ioAt, KDxfMeshData& ioMesh, bool pWeld,
                             bool pCheckDegenerate, std::string& oLayer)
{
    double lCorners[4][3] = {};
    int lOwnColor = 0;
    if (!ReadPoints(ioAt, lCorners, 4, lOwnColor, oLayer)) {
        return false;
    }
    if (pCheckDegenerate && Near(lCorners[0], lCorners[1]) && Near(lCorners[0], lCorners[2])) {
        return true;
    }
    const bool lTriangle = lCorners[3][0] == lCorners[2][0] && lCorners[3][1] == lCorners[2][1] &&
                           lCorners[3][2] == lCorners[2][2];
    const int lCount = lTriangle ? 3 : 4;
    int lRecord[4];
    for (int i = 0; i < lCount; ++i) {
        lRecord[i] = ioMesh.FindOrAddPoint(ToScene(lCorners[lCount - 1 - i]), pWeld);
    }
    ioMesh.AddPolygon(ResolveColor(lOwnColor, oLayer), lRecord, lCount);
    return true;
}

bool KDxfDrawing::ReadLine(KDxfPair& ioAt, KDxfMeshData& ioMesh, bool pWeld, std::string& oLayer)
{
    double lEnds[2][3] = {};
    int lOwnColor = 0;
    if (!ReadPoints(ioAt, lEnds, 2, lOwnColor, oLayer)) {
        return false;
    }
    const int lStart = ioMesh.FindOrAddPoint(ToScene(lEnds[0]), pWeld);
    const int lStop = ioMesh.FindOrAddPoint(ToScene(lEnds[1]), pWeld);
    const int lSegment[3] = {lStart, lStop, lStart};
    ioMesh.AddPolygon(ResolveColor(lOwnColor, oLayer), lSegment, 3);
    return true;
}

bool KDxfDrawing::ReadInsert(KDxfPair& ioAt, Insert& oInsert)
{
    for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
        const KDxfPair& lPair = ioAt;
        if (lPair.mCode == kCodeName) {
            oInsert.mName = lPair.mValue;
        } else if (lPair.mCode == kCodeX || lPair.mCode == kCodeY || lPair.mCode == kCodeZ) {
            oInsert.mPoint[(lPair.mCode - kCodeX) / (kCodeY - kCodeX)] = Number(lPair);
        } else if (lPair.mCode >= kCodeScaleX && lPair.mCode < kCodeScaleX + 3) {
            oInsert.mScale[lPair.mCode - kCodeScaleX] = Number(lPair);
        } else if (lPair.mCode == kCodeAngle) {
            oInsert.mAngle = Number(lPair);
        }
    }
    return !ioAt.IsEnd() || Fail(LastLine(), "the file ends inside an INSERT");
}

bool KDxfDrawing::SkipEntity(KDxfPair& ioAt)
{
    const std::string_view lKind = ioAt.mValue;
    if (lKind != "SEQEND" && mSkippedKinds.insert(std::string(lKind)).second) {
        Warn(ioAt.mLine, "entities of kind " + KQuoteValue(lKind) + " are not read");
    }
    for (mPairs.Next(ioAt); !ioAt.IsEnd() && ioAt.mCode != kCodeEntity; mPairs.Next(ioAt)) {
    }
    return !ioAt.IsEnd() || Fail(LastLine(), "the file ends inside an entity");
}

// ---------------------------------------------------------------------------------------------
// Helpers

long long KDxfDrawing::LastLine()
{
    // Every group takes two lines.
    const long long lCount = static_cast<long long>(mPairs.GetCount());
    return lCount == 0 ? 1 : 2 * lCount - 1;
}

bool KDxfDrawing::IsEntity(std::string_view pKind) const
{
    return pKind == "POLYLINE" || pKind == "3DFACE" || pKind == "LINE";
}

bool KDxfDrawing::IsPair(const KDxfPair& pPair, int pCode, std::string_view pValue) const
{
    return !pPair.IsEnd() && pPair.mCode == pCode && pPair.mValue == pValue;
}

int KDxfDrawing::ResolveColor(int pOwn, std::string_view pLayer)
{
    int lColor = pOwn;
    if (lColor == KDxfColor::kByBlock || lColor == KDxfColor::kByLayer) {
        // Entities come in runs on one layer: its colour is kept for the next one.
        if (!mLastLayerKnown || pLayer != mLastLayer) {
            mLastLayer = pLayer;
            mLastLayerColor = GetLayerColor(pLayer);
            mLastLayerKnown = true;
        }
        // A hidden layer's colour is negative; widened first, so even the lowest int turns.
        const long long lLayerColor = std::llabs(static_cast<long long>(mLastLayerColor));
        return lLayerColor > KDxfColor::kLastColor ? 0 : static_cast<int>(lLayerColor);
    }
    return lColor > KDxfColor::kLastColor ? 0 : lColor;
}

double KDxfDrawing::Number(const KDxfPair& pPair)
{
    double lValue = 0.0;
    if (!KDxfPairs::ToDouble(pPair.mValue, lValue)) {
        Warn(pPair.mLine + 1, KQuoteValue(pPair.mValue) + " is not a number: 0 is used");
        return 0.0;
    }
    return lValue;
}

int KDxfDrawing::Integer(const KDxfPair& pPair)
{
    int lValue = 0;
    if (!KDxfPairs::ToInt(pPair.mValue, lValue)) {
        Warn(pPair.mLine + 1, KQuoteValue(pPair.mValue) + " is not an integer: 0 is used");
        return 0;
    }
    return lValue;
}

void KDxfDrawing::Warn(long long pLine, const std::string& pWhat)
{
    if (++mWarningCount > kMaxWarnings) {
        return;
    }
    if (pLine > 0) {
        mWarnings += std::to_string(pLine) + ": ";
    }
    mWarnings += mWarningCount == kMaxWarnings ? "further warnings are left out\n" : pWhat + "\n";
}

bool KDxfDrawing::Fail(long long pLine, const char* pWhy)
{
    mReason = std::to_string(pLine) + ": " + pWhy;
    return false;
}

KVector4 KDxfDrawing::ToScene(const double* pPoint)
{
    return KVector4(pPoint[0], pPoint[2], -pPoint[1], 1.0);
}
