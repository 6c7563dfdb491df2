#include "io/KRyvCharacterIO.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvControlSet.h"
#include "character/KRyvSolverParameterTable.h"
#include "ryvfile/KRyvFile.h"
#include "scene/KRyvNode.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvMarkerSet.h"

namespace {

const char* const kEffectorFlags[] = {"SHOW", "TACTIVE", "RACTIVE", "CANDIDATE_TACTIVE", "CANDIDATE_RACTIVE"};
const char* const kOffsetKeys[2][3] = {{"TOFFSETX", "TOFFSETY", "TOFFSETZ"}, {"ROFFSETX", "ROFFSETY", "ROFFSETZ"}};

KString NodeName(const KRyvNode* pNode)
{
    return pNode ? pNode->GetName() : KString("");
}

void WriteVector(KRyvFile& ioFile, const KVector4& pVector)
{
    ioFile.FieldWriteArray(std::vector<double>{pVector[0], pVector[1], pVector[2], pVector[3]});
}

KVector4 ReadVector(KRyvFile& ioFile, const KVector4& pDefault)
{
    std::vector<double> lValues;
    ioFile.FieldReadArray(lValues);
    return lValues.size() == 4 ? KVector4(lValues[0], lValues[1], lValues[2], lValues[3]) : pDefault;
}

bool* FlagOf(KRyvControlSetEffectorFlags& ioFlags, int pIndex)
{
    bool* const lFlags[] = {&ioFlags.mShow, &ioFlags.mTActive, &ioFlags.mRActive, &ioFlags.mCandidateTActive,
                            &ioFlags.mCandidateRActive};
    return lFlags[pIndex];
}

constexpr int kFlagCount = 5;

void WriteControlSet(KRyvFile& ioFile, const KRyvControlSet& pSet)
{
    ioFile.FieldWriteBegin("ControlSet");
    ioFile.FieldWriteI("TYPE", pSet.GetType());
    ioFile.FieldWriteB("USEAXIS", pSet.GetUseAxis());
    ioFile.FieldWriteB("LOCK_XFORM", pSet.GetLockXForm());
    ioFile.FieldWriteB("LOCK_PICK", pSet.GetLockPick());
    for (int lId = 0; lId < KRyvControlSet::kLinkCount; ++lId) {
        KRyvControlSetLink lLink;
        if (pSet.GetLink(lId, &lLink) && (lLink.mNode || !lLink.mTemplateName.IsEmpty())) {
            ioFile.FieldWriteBegin("Link");
            ioFile.FieldWriteI(lId);
            ioFile.FieldWriteC(NodeName(lLink.mNode));
            ioFile.FieldWriteC(lLink.mTemplateName);
            ioFile.FieldWriteEnd();
        }
    }
    for (int i = 0; i < KRyvControlSet::kEffectorCount; ++i) {
        KRyvControlSetEffector lEffector;
        pSet.GetEffector(i, &lEffector);
        ioFile.FieldWriteBegin("Effector");
        ioFile.FieldWriteC(KRyvControlSet::GetEffectorName(i));
        ioFile.FieldWriteC(NodeName(lEffector.mNode));
        for (int f = 0; f < kFlagCount; ++f) {
            ioFile.FieldWriteB(kEffectorFlags[f], *FlagOf(lEffector.mFlags, f));
        }
        for (int lSlot = 0; lSlot < KRyvControlSet::kAuxiliarySlotCount; ++lSlot) {
            KRyvNode* lNode = nullptr;
            if (pSet.GetAuxiliaryEffector(i, lNode, lSlot) && lNode) {
                ioFile.FieldWriteBegin("Auxiliary");
                ioFile.FieldWriteI(lSlot);
                ioFile.FieldWriteC(lNode->GetName());
                ioFile.FieldWriteEnd();
            }
        }
        ioFile.FieldWriteEnd();
    }
    ioFile.FieldWriteEnd();
}

void ReadEffector(KRyvFile& ioFile, KRyvControlSet& ioSet, const KRyvCharacterIO::NodeLookup& pLookup)
{
    const int lIndex = KRyvControlSet::GetEffectorIndex(ioFile.FieldReadC().Buffer());
    KRyvNode* lNode = pLookup(ioFile.FieldReadC());
    KRyvControlSetEffectorFlags lFlags;
    for (int f = 0; f < kFlagCount; ++f) {
        *FlagOf(lFlags, f) = ioFile.FieldReadB(kEffectorFlags[f], *FlagOf(lFlags, f));
    }
    ioSet.SetEffector(lIndex, lNode, lFlags);
    while (ioFile.FieldReadBegin("Auxiliary")) {
        const int lSlot = ioFile.FieldReadI();
        ioSet.SetAuxiliaryEffector(lIndex, pLookup(ioFile.FieldReadC()), lSlot);
        ioFile.FieldReadEnd();
    }
}

void ReadControlSet(KRyvFile& ioFile, KRyvControlSet& ioSet, const KRyvCharacterIO::NodeLookup& pLookup)
{
    if (!ioFile.FieldReadBegin("ControlSet")) {
        return;
    }
    ioSet.SetType(ioFile.FieldReadI("TYPE", 0));
    ioSet.SetUseAxis(ioFile.FieldReadB("USEAXIS", false));
    ioSet.SetLockXForm(ioFile.FieldReadB("LOCK_XFORM", false));
    ioSet.SetLockPick(ioFile.FieldReadB("LOCK_PICK", false));
    while (ioFile.FieldReadBegin("Link")) {
        const int lId = ioFile.FieldReadI();
        KRyvControlSetLink lLink;
        lLink.mNode = pLookup(ioFile.FieldReadC());
        lLink.mTemplateName = ioFile.FieldReadC();
        ioSet.SetLink(lId, lLink);
        ioFile.FieldReadEnd();
    }
    while (ioFile.FieldReadBegin("Effector")) {
        ReadEffector(ioFile, ioSet, pLookup);
        ioFile.FieldReadEnd();
    }
    ioFile.FieldReadEnd();
}

} // namespace

void KRyvCharacterIO::WriteCharacter(KRyvFile& ioFile, const KRyvCharacter& pCharacter)
{
    for (int lId = 0; lId < KRyvCharacter::kLinkCount; ++lId) {
        KRyvCharacterLink lLink;
        if (!pCharacter.GetCharacterLink(lId, &lLink) || (!lLink.mNode && lLink.mTemplateName.IsEmpty())) {
            continue;
        }
        ioFile.FieldWriteBegin("CharacterLink");
        ioFile.FieldWriteI(lId);
        ioFile.FieldWriteC(NodeName(lLink.mNode));
        ioFile.FieldWriteC(lLink.mTemplateName);
        WriteVector(ioFile, lLink.mOffsetT);
        WriteVector(ioFile, lLink.mOffsetR);
        WriteVector(ioFile, lLink.mOffsetS);
        ioFile.FieldWriteEnd();
    }
    WriteControlSet(ioFile, pCharacter.GetControlSet());
    const KRyvSolverParameterValues& lValues = pCharacter.GetParameterValues();
    for (int i = 0; i < KRyvSolverParameterTable::kCount; ++i) {
        ioFile.FieldWriteBegin("Parameter");
        ioFile.FieldWriteI(i);
        ioFile.FieldWriteI(lValues.GetMode(i));
        ioFile.FieldWriteD(lValues.GetValue(i));
        ioFile.FieldWriteEnd();
    }
}

void KRyvCharacterIO::ReadCharacter(KRyvFile& ioFile, KRyvCharacter& ioCharacter, const NodeLookup& pLookup)
{
    while (ioFile.FieldReadBegin("CharacterLink")) {
        const int lId = ioFile.FieldReadI();
        KRyvCharacterLink lLink;
        lLink.mNode = pLookup(ioFile.FieldReadC());
        lLink.mTemplateName = ioFile.FieldReadC();
        lLink.mOffsetT = ReadVector(ioFile, lLink.mOffsetT);
        lLink.mOffsetR = ReadVector(ioFile, lLink.mOffsetR);
        lLink.mOffsetS = ReadVector(ioFile, lLink.mOffsetS);
        ioCharacter.SetCharacterLink(lId, lLink, false);
        ioFile.FieldReadEnd();
    }
    ReadControlSet(ioFile, ioCharacter.GetControlSet(), pLookup);
    KRyvSolverParameterValues& lValues = ioCharacter.GetParameterValues();
    while (ioFile.FieldReadBegin("Parameter")) {
        const int lIndex = ioFile.FieldReadI();
        lValues.SetMode(lIndex, ioFile.FieldReadI());
        lValues.SetValue(lIndex, ioFile.FieldReadD());
        ioFile.FieldReadEnd();
    }
}

void KRyvCharacterIO::WriteMarkerSet(KRyvFile& ioFile, const KRyvMarkerSet& pMarkerSet)
{
    for (int i = 0; i < pMarkerSet.GetMarkerCount(); ++i) {
        KRyvActorMarker lMarker;
        int lBodyNode = 0;
        int lPosition = 0;
        pMarkerSet.GetMarker(i, lMarker);
        pMarkerSet.GetMarkerNode(i, lBodyNode, lPosition);
        ioFile.FieldWriteBegin("Marker");
        ioFile.FieldWriteI(lBodyNode);
        ioFile.FieldWriteC(lMarker.mName);
        ioFile.FieldWriteC(NodeName(lMarker.mModel));
        ioFile.FieldWriteB("ORIENTED", lMarker.mOriented);
        const KVector4* const lOffsets[] = {&lMarker.mTOffset, &lMarker.mROffset};
        for (int lKind = 0; lKind < 2; ++lKind) {
            for (int c = 0; c < 3; ++c) {
                ioFile.FieldWriteD(kOffsetKeys[lKind][c], (*lOffsets[lKind])[c]);
            }
        }
        ioFile.FieldWriteEnd();
    }
}

void KRyvCharacterIO::ReadMarkerSet(KRyvFile& ioFile, KRyvMarkerSet& ioMarkerSet, const NodeLookup& pLookup)
{
    while (ioFile.FieldReadBegin("Marker")) {
        const int lBodyNode = ioFile.FieldReadI();
        KRyvActorMarker lMarker;
        lMarker.mName = ioFile.FieldReadC();
        lMarker.mModel = pLookup(ioFile.FieldReadC());
        lMarker.mOriented = ioFile.FieldReadB("ORIENTED", false);
        KVector4* const lOffsets[] = {&lMarker.mTOffset, &lMarker.mROffset};
        for (int lKind = 0; lKind < 2; ++lKind) {
            for (int c = 0; c < 3; ++c) {
                (*lOffsets[lKind])[c] = ioFile.FieldReadD(kOffsetKeys[lKind][c], 0.0);
            }
        }
        ioMarkerSet.AddMarker(lBodyNode, lMarker);
        ioFile.FieldReadEnd();
    }
}

void KRyvCharacterIO::WriteActor(KRyvFile& ioFile, const KRyvActor& pActor)
{
    ioFile.FieldWriteC("MarkerSet", pActor.GetMarkerSet() ? pActor.GetMarkerSet()->GetName() : KString(""));
    ioFile.FieldWriteBegin("NODESCALE");
    std::vector<double> lScales;
    for (int i = 0; i < KRyvActor::kBodyNodeCount; ++i) {
        const KVector4 lScale = pActor.GetNodeScale(i);
        lScales.insert(lScales.end(), {lScale[0], lScale[1], lScale[2], lScale[3]});
    }
    ioFile.FieldWriteArray(std::move(lScales));
    ioFile.FieldWriteEnd();
}

void KRyvCharacterIO::ReadActor(KRyvFile& ioFile, KRyvActor& ioActor, KString& oMarkerSet)
{
    oMarkerSet = ioFile.FieldReadC("MarkerSet", "");
    std::vector<double> lScales;
    if (ioFile.FieldReadBegin("NODESCALE")) {
        ioFile.FieldReadArray(lScales);
        ioFile.FieldReadEnd();
    }
    for (std::size_t i = 0; i + 3 < lScales.size() && i / 4 < KRyvActor::kBodyNodeCount; i += 4) {
        ioActor.SetNodeScale(static_cast<int>(i / 4), KVector4(lScales[i], lScales[i + 1], lScales[i + 2], lScales[i + 3]));
    }
}
