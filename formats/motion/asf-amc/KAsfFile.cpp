#include "formats/motion/asf-amc/KAsfFile.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/asf-amc/KAsfBone.h"
#include "formats/motion/asf-amc/KAsfRotation.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include <cctype>
#include <cmath>
#include <memory>

namespace {

// The one version the format has, times 100.
constexpr int kVersion = 110;
// Versions beyond this cannot be the format's and are not scaled to an integer.
constexpr double kMaxVersion = 1e6;
// DOF words by code; "l" (bone length) is read but drives nothing.
const char* const kDofWords[KAsfBone::eLength + 1] = {"tx", "ty", "tz", "rz", "ry", "rx", "l"};

} // namespace

KAsfFile::KAsfFile(bool pReporting)
    : KTextFile("ASF", kSeparators, kComments, true, pReporting), mDepths(KRyvAsfScene::kMaxDepth)
{
}

std::string KAsfFile::Lower(std::string pText)
{
    for (char& lChar : pText) {
        lChar = static_cast<char>(std::tolower(static_cast<unsigned char>(lChar)));
    }
    return pText;
}

std::string KAsfFile::Quote(const std::string& pText)
{
    return pText.substr(0, kQuoteLength);
}

const char* KAsfFile::WordOfOrder(int pOrderIndex)
{
    static const char* const kWords[6] = {"xyz", "xzy", "yzx", "yxz", "zxy", "zyx"};
    return pOrderIndex >= 0 && pOrderIndex < 12 && pOrderIndex % 2 == 0 ? kWords[pOrderIndex / 2]
                                                                        : kWords[0];
}

const char* KAsfFile::WordOfDof(int pCode)
{
    return pCode >= KAsfBone::eTx && pCode <= KAsfBone::eRx ? kDofWords[pCode] : nullptr;
}

bool KAsfFile::IsSectionLine() const
{
    char lChar = 0;
    return GetChar(lChar) && lChar == ':';
}

bool KAsfFile::NextSectionContent()
{
    return ReadLine() && !IsSectionLine();
}

bool KAsfFile::ReadToken(std::string& oWord)
{
    if (!ReadWord(oWord, kMaxNameLength)) {
        return false;
    }
    oWord = Lower(oWord);
    return true;
}

bool KAsfFile::Read(KRyvAsfScene* pScene, bool pCollapse)
{
    if (!pScene) {
        return false;
    }
    mScene = pScene;
    mRootSeen = false;
    mDepths = KAsfBoneDepths(KRyvAsfScene::kMaxDepth);
    bool lRead = true;
    if (Rewind()) {
        while (lRead && !IsAtEnd()) {
            if (!IsSectionLine()) {
                Warning("Ignoring unknown keyword (%s)", PeekToken().c_str());
                lRead = SkipToSection();
                continue;
            }
            std::string lKeyword;
            ReadToken(lKeyword);
            lRead = ReadSection(lKeyword);
        }
    }
    if (lRead && IsCorrupt()) {
        lRead = !Error("File is corrupted");
    }
    lRead = lRead && Finish(pCollapse);
    mScene = nullptr;
    return lRead;
}

bool KAsfFile::ReadSection(const std::string& pKeyword)
{
    if (pKeyword == ":version") {
        return ReadVersion();
    }
    if (pKeyword == ":name") {
        return ReadName();
    }
    if (pKeyword == ":units") {
        return ReadUnits();
    }
    if (pKeyword == ":root") {
        return ReadRoot();
    }
    if (pKeyword == ":bonedata") {
        return ReadBoneData();
    }
    if (pKeyword == ":hierarchy") {
        return ReadHierarchy();
    }
    if (pKeyword == ":skin") {
        return SkipSkin();
    }
    if (pKeyword != ":documentation") {
        Warning("Ignoring unknown keyword (%s)", Quote(pKeyword).c_str());
    }
    return SkipToSection();
}

bool KAsfFile::SkipToSection()
{
    // Always from the next line: the current one is a section line itself.
    while (ReadLine()) {
        if (IsSectionLine()) {
            break;
        }
    }
    return true;
}

bool KAsfFile::ReadVersion()
{
    double lVersion = 0.0;
    if (!ReadDouble(lVersion)) {
        Warning("Can't read file format version (%s), trying version 1.10", PeekToken().c_str());
    } else if (!(std::fabs(lVersion) < kMaxVersion) ||
               static_cast<int>(lVersion * 100.0) != kVersion) {
        Warning("Bad File format version (%g), trying 1.10", lVersion);
    }
    return SkipToSection();
}

bool KAsfFile::ReadName()
{
    std::string lName;
    if (!ReadWord(lName, kMaxNameLength)) {
        lName = kUntitled;
        Warning("Can't read skeleton name, using \"%s\"", kUntitled);
    }
    mScene->SetSkeletonName(lName);
    while (NextSectionContent()) {
        ReadUnitTokens();
    }
    return true;
}

bool KAsfFile::ReadUnits()
{
    // Units may stand on the keyword's line as well as on the lines below it.
    ReadUnitTokens();
    while (NextSectionContent()) {
        ReadUnitTokens();
    }
    return true;
}

void KAsfFile::ReadUnitTokens()
{
    std::string lToken;
    while (ReadToken(lToken)) {
        double lValue = 0.0;
        if (lToken == "mass") {
            if (ReadDouble(lValue)) {
                mScene->mMassUnit = lValue;
            } else {
                Warning("Can't read mass unit, using %g", mScene->mMassUnit);
            }
        } else if (lToken == "length") {
            if (!ReadDouble(lValue)) {
                Warning("Can't read length unit, using %g", mScene->mLengthUnit);
            } else if (!std::isfinite(lValue) || !(lValue > 0.0) ||
                       !std::isfinite(KRyvAsfScene::kInchToCentimetre / lValue)) {
                // Every length is divided by it (1e-308 would make every length infinite).
                Warning("Bad length unit (%g), using 1", lValue);
                mScene->mLengthUnit = 1.0;
            } else {
                mScene->mLengthUnit = lValue;
            }
        } else if (lToken == "angle") {
            std::string lUnit;
            ReadToken(lUnit);
            if (lUnit == "deg") {
                mScene->mAngleFactor = 1.0;
            } else if (lUnit == "rad") {
                mScene->mAngleFactor = KRyvAsfScene::kDegreesPerRadian;
            } else {
                Warning("Unknown angle unit, using default (deg)");
            }
        } else {
            Warning("Unknown unit token");
            return;
        }
    }
}

bool KAsfFile::SkipSkin()
{
    std::string lWord;
    if (ReadToken(lWord)) {
        // The two lines after a named skin belong to it, whatever they hold.
        ReadLine();
        ReadLine();
        if (IsAtEnd() || IsSectionLine()) {
            return true;
        }
    }
    return SkipToSection();
}

bool KAsfFile::ReadRoot()
{
    if (mRootSeen) {
        return !Error("More than one root section");
    }
    mRootSeen = true;
    KAsfBone* lRoot = mScene->CreateBone("root");
    mScene->SetRoot(lRoot);
    lRoot->mPosition = KVector4(0.0, 0.0, 0.0, 1.0);
    while (NextSectionContent()) {
        std::string lToken;
        ReadToken(lToken);
        if (!ReadRootToken(*lRoot, lToken)) {
            return false;
        }
    }
    return true;
}

bool KAsfFile::ReadRootToken(KAsfBone& ioRoot, const std::string& pToken)
{
    double lValues[3] = {0.0, 0.0, 0.0};
    if (pToken == "axis") {
        return ReadAxis(ioRoot, true);
    }
    if (pToken == "order") {
        return ReadDofs(ioRoot, true);
    }
    if (pToken == "position") {
        if (ReadVector3(lValues)) {
            ioRoot.mPosition = KVector4(lValues[0], lValues[1], lValues[2], 1.0);
            ioRoot.mLengthLine = GetLineNumber();
        } else {
            Warning("Can't read position, using 0.0 0.0 0.0");
        }
    } else if (pToken == "orientation") {
        if (ReadVector3(lValues)) {
            for (int i = 0; i < 3; ++i) {
                ioRoot.mAxisAngles[i] = lValues[i];
            }
        } else {
            Warning("Can't read orientation, using 0.0 0.0 0.0");
        }
    } else {
        Warning("Unknown %s token (%s)", ":root", Quote(pToken).c_str());
    }
    return true;
}

bool KAsfFile::ReadAxis(KAsfBone& ioBone, bool pRoot)
{
    double lAngles[3] = {0.0, 0.0, 0.0};
    if (!pRoot) {
        if (!ReadVector3(lAngles)) {
            return !Error("Can't read bone local coordinate system");
        }
        for (int i = 0; i < 3; ++i) {
            ioBone.mAxisAngles[i] = lAngles[i];
        }
    }
    std::string lWord;
    const int lOrder = ReadToken(lWord) ? KAsfRotation::IndexOfWord(lWord.c_str()) : -1;
    if (lOrder < 0) {
        return !Error("Unknown rotation order");
    }
    ioBone.mAxisOrder = lOrder;
    return true;
}

bool KAsfFile::ReadDofs(KAsfBone& ioBone, bool pRoot)
{
    ioBone.mDofCount = 0;
    const int lWords = pRoot ? KAsfBone::eLength : KAsfBone::eLength + 1;
    std::string lWord;
    while (ReadToken(lWord)) {
        int lCode = 0;
        while (lCode < lWords && lWord != kDofWords[lCode]) {
            ++lCode;
        }
        if (lCode == lWords) {
            break;
        }
        if (lCode == KAsfBone::eLength) {
            Warning("Unknown degree of freedom (%s)", kDofWords[lCode]);
        }
        // "l" keeps its place, so the AMC values after it reach the right DOFs.
        if (!ioBone.AddDof(lCode)) {
            return !Error("Too many degrees of freedom");
        }
    }
    return true;
}

bool KAsfFile::ReadBoneData()
{
    if (!mRootSeen) {
        return !Error("Root section missing");
    }
    ReadLine();
    while (!IsAtEnd() && !IsSectionLine()) {
        const std::string lWord = Lower(PeekToken());
        if (lWord == "begin") {
            // ReadBone stops on the line that ends the block, which this loop then takes.
            if (!ReadBone()) {
                return false;
            }
            continue;
        }
        if (lWord != "end") {
            Warning("Begin/End keyword expected");
        }
        ReadLine();
    }
    return true;
}

bool KAsfFile::ReadBone()
{
    auto lBone = std::make_unique<KAsfBone>();
    bool lSeen[3] = {false, false, false};
    while (true) {
        if (!ReadLine()) {
            return !Error("Unexpected end of file in bone data");
        }
        if (IsSectionLine()) {
            return !Error("Bone block without end");
        }
        const std::string lWord = Lower(PeekToken());
        if (lWord == "begin" || lWord == "end") {
            break;
        }
        std::string lToken;
        ReadToken(lToken);
        if (!ReadBoneToken(*lBone, lToken, lSeen)) {
            return false;
        }
    }
    static const char* const kMissing[3] = {"Bone has no name", "Bone has no direction",
                                            "Bone has no length"};
    for (int i = 0; i < 3; ++i) {
        if (!lSeen[i]) {
            return !Error("%s", kMissing[i]);
        }
    }
    // Every bone starts below the root; the hierarchy moves it.
    mScene->AddChildBone(mScene->GetRoot(), mScene->AddBone(std::move(lBone)));
    return true;
}

bool KAsfFile::ReadBoneToken(KAsfBone& ioBone, const std::string& pToken, bool oSeen[3])
{
    double lValue = 0.0;
    double lVector[3] = {0.0, 0.0, 0.0};
    int lId = 0;
    if (pToken == "id") {
        if (!ReadInt(lId)) {
            Warning("Can't read bone id value");
        }
    } else if (pToken == "name") {
        if (!ReadWord(ioBone.mName, kMaxNameLength)) {
            return !Error("Can't read bone name");
        }
        if (ioBone.mName == "root") {
            return !Error("Forbidden bone name");
        }
        oSeen[0] = true;
    } else if (pToken == "direction") {
        if (!ReadVector3(lVector)) {
            return !Error("Can't read bone direction");
        }
        const KVector4 lDirection(lVector[0], lVector[1], lVector[2]);
        VectorNormalize(ioBone.mDirection, lDirection);
        oSeen[1] = true;
    } else if (pToken == "length") {
        if (!ReadDouble(ioBone.mLength) || !std::isfinite(ioBone.mLength)) {
            return !Error("Can't read bone length");
        }
        ioBone.mLengthLine = GetLineNumber();
        oSeen[2] = true;
    } else if (pToken == "axis") {
        return ReadAxis(ioBone, false);
    } else if (pToken == "dof") {
        return ReadDofs(ioBone, false);
    } else if (pToken == "limits") {
        return ReadLimits(ioBone);
    } else if (pToken == "bodymass" || pToken == "cofmass") {
        if (!ReadDouble(lValue)) {
            Warning("Can't read %s value", pToken.c_str());
        }
    } else {
        Warning("Unknown bonedata token");
    }
    return true;
}

bool KAsfFile::ReadLimits(const KAsfBone& pBone)
{
    // One pair per DOF; a pair that is not on the current line is looked for on the next one.
    for (int i = 0; i < pBone.mDofCount; ++i) {
        double lPair[2] = {0.0, 0.0};
        if (ReadDoublePair(lPair)) {
            continue;
        }
        if (!ReadLine() || IsSectionLine() || !ReadDoublePair(lPair)) {
            return !Error("Can't read dof limits");
        }
    }
    return true;
}

bool KAsfFile::ReadHierarchy()
{
    if (!mRootSeen) {
        return !Error("Root section missing");
    }
    bool lInList = false;
    while (NextSectionContent()) {
        const std::string lWord = Lower(PeekToken());
        if (lWord == "begin" || lWord == "end") {
            lInList = lWord == "begin";
        } else if (!lInList) {
            Warning("Begin/End keyword expected");
        } else if (!ReadHierarchyLine()) {
            return false;
        }
    }
    return true;
}

bool KAsfFile::ReadHierarchyLine()
{
    std::string lName;
    if (!ReadWord(lName, kMaxNameLength)) {
        Warning("Can't read parent bone name");
        return true;
    }
    // Every bone hangs below the root until a line moves it.
    if (lName == "root") {
        return true;
    }
    KAsfBone* lParent = mScene->FindBone(lName);
    if (!lParent) {
        return !Error("Unknown parent bone name (%s)", Quote(lName).c_str());
    }
    KAsfBone* lRoot = mScene->GetRoot();
    while (ReadWord(lName, kMaxNameLength)) {
        KAsfBone* lChild = mScene->FindBone(lName);
        if (!lChild) {
            return !Error("Unknown child bone name (%s)", Quote(lName).c_str());
        }
        // A bone already hung elsewhere stays there.
        if (lChild->mParent != lRoot) {
            continue;
        }
        switch (mDepths.Hang(lChild, lParent)) {
        case KAsfBoneDepths::eLoop:
            return !Error("Bone hierarchy loop (%s)", Quote(lName).c_str());
        case KAsfBoneDepths::eTooDeep:
            return !Error("Bone hierarchy too deep (%s)", Quote(lName).c_str());
        case KAsfBoneDepths::eHung:
            mScene->AddChildBone(lParent, lChild);
            break;
        }
    }
    // A word too long to be read is no bone's name either.
    if (!AtLineEnd()) {
        return !Error("Unknown child bone name (%s)", PeekToken().c_str());
    }
    return true;
}

bool KAsfFile::Finish(bool pCollapse)
{
    if (!mScene->GetRoot()) {
        return !Error("Root section missing");
    }
    mScene->DropMovedRootChildren();
    // The angle unit may stand after the bones, so axes are made once the file is read.
    for (KAsfBone* lBone : mScene->GetBonesDepthFirst()) {
        double lAngles[3];
        for (int i = 0; i < 3; ++i) {
            lAngles[i] = lBone->mAxisAngles[i] * mScene->mAngleFactor;
        }
        lBone->SetAxis(lAngles, lBone->mAxisOrder);
    }
    mScene->ComputeLocalTransforms();
    // A length the unit takes beyond any double (1e308 inches) would be lost on writing.
    for (const KAsfBone* lBone : mScene->GetBonesDepthFirst()) {
        const KVector4& lPosition = lBone->mPosition;
        if (!std::isfinite(lBone->mLength) || !std::isfinite(lPosition[0]) ||
            !std::isfinite(lPosition[1]) || !std::isfinite(lPosition[2])) {
            return !Error("Length of bone (%s) at line %d out of range in centimetres",
                          Quote(lBone->mName).c_str(), lBone->mLengthLine);
        }
    }
    if (pCollapse) {
        mScene->CollapseBonesWithoutDof();
    }
    return true;
}

bool KAsfFile::Write(const KRyvAsfScene& pScene)
{
    if (!pScene.GetRoot()) {
        return false;
    }
    mWritten = &pScene;
    bool lWritten = WriteHeader() && WriteRoot() && Print(0, "%s\n", ":bonedata") >= 0;
    int lId = 1;
    for (const KAsfBone* lBone : pScene.GetBonesDepthFirst()) {
        if (lWritten && lBone != pScene.GetRoot()) {
            lWritten = WriteBone(*lBone, lId++);
        }
    }
    lWritten = lWritten && WriteHierarchy();
    mWritten = nullptr;
    return lWritten && !WriteFailed();
}

bool KAsfFile::WriteHeader()
{
    return Print(0, "%s 1.10\n", ":version") >= 0 &&
           Print(0, "%s %s\n", ":name", mWritten->GetSkeletonName().c_str()) >= 0 &&
           Print(0, "%s\n", ":units") >= 0 && Print(1, "%s %g\n", "mass", 1.0) >= 0 &&
           Print(1, "%s %g\n", "length", mWritten->mLengthUnit) >= 0 &&
           Print(1, "%s %s\n", "angle", "deg") >= 0 && Print(0, "%s\n", ":documentation") >= 0 &&
           Print(1, "%s\n", "ASF file generated by Zembrol") >= 0;
}

bool KAsfFile::WriteRoot()
{
    const KAsfBone& lRoot = *mWritten->GetRoot();
    const double lLength = mWritten->mLengthUnit / KRyvAsfScene::kInchToCentimetre;
    bool lWritten = Print(0, "%s\n", ":root") >= 0 &&
                    Print(1, "%s %s\n", "axis", WordOfOrder(lRoot.mAxisOrder)) >= 0 &&
                    Print(1, "%s ", "order") >= 0;
    for (int i = 0; i < lRoot.mDofCount && lWritten; ++i) {
        if (const char* lWord = WordOfDof(lRoot.mDofs[i])) {
            lWritten = Print(0, " %s", lWord) >= 0;
        }
    }
    return lWritten && Print(0, "\n") >= 0 &&
           Print(1, "%s %g %g %g\n", "position", lRoot.mPosition[0] * lLength,
                 lRoot.mPosition[1] * lLength, lRoot.mPosition[2] * lLength) >= 0 &&
           Print(1, "%s %g %g %g\n", "orientation", lRoot.mAxisAngles[0], lRoot.mAxisAngles[1],
                 lRoot.mAxisAngles[2]) >= 0;
}

bool KAsfFile::WriteBone(const KAsfBone& pBone, int pId)
{
    const double lLength = pBone.mLength * mWritten->mLengthUnit / KRyvAsfScene::kInchToCentimetre;
    // The float noise of the scene's matrices would otherwise print in the small components.
    double lDirection[3] = {pBone.mDirection[0], pBone.mDirection[1], pBone.mDirection[2]};
    KMotionPrintPrecision::RoundToLargest(lDirection, 3);
    KMotionPrintPrecision::ClearNegativeZeros(lDirection, 3);
    bool lWritten =
        Print(1, "%s\n", "begin") >= 0 && Print(2, "%s %d\n", "id", pId) >= 0 &&
        Print(2, "%s %s\n", "name", pBone.mName.c_str()) >= 0 &&
        Print(2, "%s %g %g %g\n", "direction", lDirection[0], lDirection[1], lDirection[2]) >= 0 &&
        Print(2, "%s %g\n", "length", lLength) >= 0 &&
        Print(2, "%s %g %g %g %s\n", "axis", pBone.mAxisAngles[0], pBone.mAxisAngles[1],
              pBone.mAxisAngles[2], WordOfOrder(pBone.mAxisOrder)) >= 0;
    bool lHasDofs = false;
    for (int i = 0; i < pBone.mDofCount; ++i) {
        lHasDofs = lHasDofs || WordOfDof(pBone.mDofs[i]) != nullptr;
    }
    if (lHasDofs && lWritten) {
        lWritten = Print(2, "%s", "dof") >= 0;
        for (int i = 0; i < pBone.mDofCount && lWritten; ++i) {
            if (const char* lWord = WordOfDof(pBone.mDofs[i])) {
                lWritten = Print(0, " %s", lWord) >= 0;
            }
        }
        lWritten = lWritten && Print(0, "\n") >= 0;
    }
    return lWritten && Print(1, "%s\n", "end") >= 0;
}

bool KAsfFile::WriteHierarchy()
{
    bool lWritten = Print(0, "%s\n", ":hierarchy") >= 0 && Print(1, "%s\n", "begin") >= 0;
    for (const KAsfBone* lBone : mWritten->GetBonesDepthFirst()) {
        if (lBone->mChildren.empty() || !lWritten) {
            continue;
        }
        lWritten = Print(2, "%s", lBone->mName.c_str()) >= 0;
        for (const KAsfBone* lChild : lBone->mChildren) {
            lWritten = lWritten && Print(0, " %s", lChild->mName.c_str()) >= 0;
        }
        lWritten = lWritten && Print(0, "\n") >= 0;
    }
    return lWritten && Print(1, "%s\n", "end") >= 0;
}
