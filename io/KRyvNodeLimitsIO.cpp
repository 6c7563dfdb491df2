#include "io/KRyvNodeLimitsIO.h"

#include "ryvfile/KRyvFile.h"
#include "scene/objects/KRyvNodeLimits.h"

namespace {

constexpr int kKindCount = 3;
constexpr int kVectorSize = 4;

bool IsActive(const KRyvNodeLimits& pLimits, int pKind)
{
    const bool lActive[] = {pLimits.GetTranslationActive(), pLimits.GetRotationActive(), pLimits.GetScalingActive()};
    return lActive[pKind];
}

void SetActive(KRyvNodeLimits& ioLimits, int pKind, bool pActive)
{
    if (pKind == KRyvNodeLimits::eTranslation) {
        ioLimits.SetTranslationActive(pActive);
    } else if (pKind == KRyvNodeLimits::eRotation) {
        ioLimits.SetRotationActive(pActive);
    } else {
        ioLimits.SetScalingActive(pActive);
    }
}

void WriteVector(KRyvFile& ioFile, const KVector4& pVector)
{
    ioFile.FieldWriteArray(std::vector<double>{pVector[0], pVector[1], pVector[2], pVector[3]});
}

KVector4 ReadVector(KRyvFile& ioFile)
{
    std::vector<double> lValues;
    ioFile.FieldReadArray(lValues);
    if (lValues.size() != kVectorSize) {
        ioFile.MarkFieldReadFailed();
        return KVector4();
    }
    return KVector4(lValues[0], lValues[1], lValues[2], lValues[3]);
}

} // namespace

void KRyvNodeLimitsIO::WriteLimits(KRyvFile& ioFile, const KRyvNodeLimits& pLimits)
{
    ioFile.FieldWriteBegin("Limits");
    for (int lKind = 0; lKind < kKindCount; ++lKind) {
        const KRyvLimit& lLimit = *pLimits.GetLimit(lKind);
        bool lMin[3];
        bool lMax[3];
        lLimit.GetMinActive(lMin[0], lMin[1], lMin[2]);
        lLimit.GetMaxActive(lMax[0], lMax[1], lMax[2]);
        ioFile.FieldWriteBegin("Limit");
        ioFile.FieldWriteB(IsActive(pLimits, lKind));
        for (int c = 0; c < 3; ++c) {
            ioFile.FieldWriteB(lMin[c]);
        }
        for (int c = 0; c < 3; ++c) {
            ioFile.FieldWriteB(lMax[c]);
        }
        WriteVector(ioFile, lLimit.GetMin());
        WriteVector(ioFile, lLimit.GetMax());
        ioFile.FieldWriteEnd();
    }
    ioFile.FieldWriteBegin("RotationAxis");
    WriteVector(ioFile, pLimits.GetRotationAxis());
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteD("AxisLength", pLimits.GetAxisLength());
    ioFile.FieldWriteEnd();
}

void KRyvNodeLimitsIO::ReadLimits(KRyvFile& ioFile, KRyvNodeLimits& ioLimits)
{
    if (!ioFile.FieldReadBegin("Limits")) {
        return;
    }
    for (int lKind = 0; lKind < kKindCount && ioFile.FieldReadBegin("Limit"); ++lKind) {
        SetActive(ioLimits, lKind, ioFile.FieldReadB());
        bool lMin[3];
        bool lMax[3];
        for (bool& lFlag : lMin) {
            lFlag = ioFile.FieldReadB();
        }
        for (bool& lFlag : lMax) {
            lFlag = ioFile.FieldReadB();
        }
        KRyvLimit& lLimit = *ioLimits.GetLimit(lKind);
        lLimit.SetMinActive(lMin[0], lMin[1], lMin[2]);
        lLimit.SetMaxActive(lMax[0], lMax[1], lMax[2]);
        lLimit.SetMin(ReadVector(ioFile));
        lLimit.SetMax(ReadVector(ioFile));
        ioFile.FieldReadEnd();
    }
    if (ioFile.FieldReadBegin("RotationAxis")) {
        ioLimits.SetRotationAxis(ReadVector(ioFile));
        ioFile.FieldReadEnd();
    }
    ioLimits.SetAxisLength(ioFile.FieldReadD("AxisLength", ioLimits.GetAxisLength()));
    ioFile.FieldReadEnd();
}
