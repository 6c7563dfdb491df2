#include "formats/motion/KReaderOptical.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveKey.h"
#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "core/KTimeModeTable.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KUniqueNameTable.h"
#include "io/KOutOfMemory.h"
#include "io/KReadRollback.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvOpticalReference.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr int kOcclusionCurve = 3;
constexpr int kCurveCount = 4;
const char* const kUnnamedPrefix = "*Unnamed_";

bool SetKeys(KFCurve* const* pCurves, int pFrame, KTime pTime, const KVector4& pPosition,
             double pScale)
{
    for (int c = 0; c < kCurveCount; ++c) {
        const bool lOcclusion = c == kOcclusionCurve;
        const float lValue = static_cast<float>(lOcclusion ? pPosition[c] : pPosition[c] * pScale);
        KFCurveKey* lKey = pCurves[c]->GetKey(pFrame);
        if (!std::isfinite(lValue) || !lKey) {
            return false;
        }
        lKey->Set(pTime, lValue,
                  lOcclusion ? KFCurveKey::kInterpolationConstant : KFCurveKey::kInterpolationCubic,
                  KFCurveKey::kTangentAuto);
    }
    return true;
}

// Keys pPositions[pIndex], or an unseen marker at the origin when the frame does not list it.
bool SetStoredKeys(KFCurve* const* pCurves, int pFrame, KTime pTime,
                   const std::vector<KVector4>& pPositions, std::size_t pIndex, double pScale)
{
    const KVector4 lPosition =
        pIndex < pPositions.size() ? pPositions[pIndex] : KVector4(0.0, 0.0, 0.0, 1.0);
    return SetKeys(pCurves, pFrame, pTime, lPosition, pScale);
}

std::string OutOfRange(int pFrame)
{
    return "frame " + std::to_string(pFrame + 1) + ": a coordinate is out of range";
}

// The hold rule: a marker not seen keeps the previous frame's position (index by index).
void HoldOccluded(std::vector<KVector4>& ioFrame, const std::vector<KVector4>& pPrevious)
{
    const std::size_t lCommon = std::min(ioFrame.size(), pPrevious.size());
    for (std::size_t k = 0; k < lCommon; ++k) {
        if (ioFrame[k][3] == 1.0) {
            ioFrame[k] = KVector4(pPrevious[k][0], pPrevious[k][1], pPrevious[k][2], 1.0);
        }
    }
}

} // namespace

KReaderOptical::KReaderOptical(KRyvObjectFactory* pOwner, bool pText, const char* pDescription,
                               const char* pFormatName)
    : KReader(pOwner, pText), mDescription(pDescription), mFormatName(pFormatName)
{
}

KReaderOptical::~KReaderOptical() = default;

bool KReaderOptical::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFile.reset();
    mFileName.clear();
    try {
        const std::string lName = pSource->GetName();
        mFile = CreateFile(std::move(pSource));
        if (!mFile) {
            GetError().SetLastErrorID(kFileNotOpened);
            return false;
        }
        mFileName = lName;
    } catch (const std::bad_alloc&) {
        mFile.reset();
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    return true;
}

bool KReaderOptical::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile->Close();
    mFile.reset();
    mFileName.clear();
    return true;
}

bool KReaderOptical::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KReaderOptical::GetReadOptions()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        KOpticalMarkerHeader lHeader;
        if (!mFile->ReadHeader(lHeader)) {
            Fail(mFile->GetError());
            return nullptr;
        }
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions) {
            GetError().SetLastErrorID(kFileCorrupted);
            return nullptr;
        }
        lOptions->SetStart(lHeader.mStart);
        lOptions->SetFrameCount(lHeader.mFrameCount);
        lOptions->SetTimeMode(0, lHeader.mFrameRate);
        SetReadDefaults(*lOptions);
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kFileCorrupted);
        return nullptr;
    }
}

bool KReaderOptical::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!CheckReadArguments(mFile != nullptr, pScene, pOptions, KStreamOptionsMotion::ClassId())) {
        return false;
    }
    const bool lRead = CatchOutOfMemory(
        [&] { return ReadInto(*pScene, *static_cast<KStreamOptionsMotion*>(pOptions)); },
        // The rollback inside ReadInto has already undone the partial read while unwinding.
        [&] { return Fail("out of memory"); });
    // What the file overruled or left out, whether or not the read went through.
    GetMessage() += mFile->GetWarnings().c_str();
    return lRead;
}

bool KReaderOptical::Fail(const std::string& pWhy)
{
    std::string lText = pWhy;
    const std::string lName = mFileName.substr(mFileName.find_last_of('/') + 1);
    if (lText.compare(0, lName.size() + 1, lName + ":") != 0) {
        lText = lName + ": " + lText;
    }
    GetError().SetLastError(kFileCorrupted, lText.c_str());
    GetMessage() += lText.c_str();
    GetMessage() += "\n";
    return false;
}

KString KReaderOptical::GetTakeName() const
{
    std::string lName = mFileName.substr(mFileName.find_last_of('/') + 1);
    const std::size_t lDot = lName.rfind('.');
    if (lDot != std::string::npos && lDot > 0) {
        lName.resize(lDot);
    }
    return KString(lName.c_str());
}

bool KReaderOptical::ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    KOpticalMarkerHeader lHeader;
    if (!mFile->ReadHeader(lHeader)) {
        return Fail(mFile->GetError());
    }
    if (lHeader.mMarkerCount <= 0) {
        return true;
    }
    if (ioOptions.GetFrameCount() > lHeader.mFrameCount) {
        ioOptions.SetFrameCount(lHeader.mFrameCount);
    }
    const int lFrames = ioOptions.GetFrameCount();
    if (!CheckCounts(lHeader, lFrames)) {
        return false;
    }
    KReadRollback lRollback(GetOwner());
    std::vector<Marker> lMarkers;
    if (!AddNamedMarkers(lRollback, lHeader, ioOptions, lFrames, lMarkers) ||
        !ReadFrames(lRollback, lHeader, lFrames, ioOptions, lMarkers)) {
        return false;
    }
    lRollback.EndKeySets(lFrames);
    FilterCurves(lMarkers, ioOptions);
    if (!Place(lRollback, ioScene, ioOptions, lMarkers, lFrames)) {
        return false;
    }
    // A rate of no time mode is marked custom, so that no one takes the default mode's rate
    // for it.
    ioScene.GetGlobalTimeSettings().SetTimeMode(
        ioOptions.GetTimeMode() != 0 ? ioOptions.GetTimeMode() : KTimeModeTable::kCustomMode);
    lRollback.CommitWithCurrentTake(ioScene, GetTakeName().Buffer());
    return true;
}

bool KReaderOptical::CheckCounts(const KOpticalMarkerHeader& pHeader, int pFrames)
{
    if (pHeader.mMarkerCount > kMaxMarkers) {
        return Fail("the header declares " + std::to_string(pHeader.mMarkerCount) +
                    " markers, more than the " + std::to_string(kMaxMarkers) + " allowed");
    }
    if (static_cast<std::uint64_t>(pHeader.mMarkerCount) >
        kMarkerAllowance + mFile->GetInputSize()) {
        return Fail("the header declares " + std::to_string(pHeader.mMarkerCount) +
                    " markers, more than the file holds");
    }
    const std::uint64_t lSamples =
        static_cast<std::uint64_t>(pHeader.mMarkerCount) * static_cast<std::uint64_t>(pFrames);
    if (lSamples > kSampleAllowance + mFile->GetInputSize()) {
        return Fail("the header declares " + std::to_string(pFrames) + " frames of " +
                    std::to_string(pHeader.mMarkerCount) + " markers, more than the file holds");
    }
    return true;
}

bool KReaderOptical::ReadMarkerNames(const KOpticalMarkerHeader& pHeader,
                                     const KStreamOptionsMotion& pOptions,
                                     std::vector<KString>& oNames)
{
    oNames.assign(static_cast<std::size_t>(pHeader.mMarkerCount), KString());
    if (!mFile->ReadNames(oNames, pOptions.GetOption(kOptionKeepPrefixes) == 1)) {
        return Fail(mFile->GetError());
    }
    if (pOptions.GetOption(kOptionUniqueNames) == 1) {
        MakeUnique(oNames, pOptions);
    }
    return true;
}

void KReaderOptical::MakeUnique(std::vector<KString>& ioNames, const KStreamOptionsMotion& pOptions)
{
    const std::vector<KString> lOld = ioNames;
    std::string lReport;
    for (const std::size_t k : KUniqueNameTable::MakeUnique(ioNames)) {
        lReport += std::string(lOld[k].Buffer()) + "  -->  " + ioNames[k].Buffer() + "\n";
        GetMessage() +=
            KUniqueNameTable::DescribeRename(mFileName.substr(mFileName.find_last_of('/') + 1),
                                             "read", lOld[k], ioNames[k])
                .c_str();
    }
    if (!lReport.empty()) {
        const std::string lText =
            "Some objects have been renamed due to naming conflicts:\n" + lReport + "\n\n";
        pOptions.ShowMessage("Warning", lText.c_str(), "Ok");
    }
}

bool KReaderOptical::AddNamedMarkers(KReadRollback& ioRollback, const KOpticalMarkerHeader& pHeader,
                                     const KStreamOptionsMotion& pOptions, int pFrames,
                                     std::vector<Marker>& oMarkers)
{
    // The names go once their nodes hold them: the frames are read without them.
    std::vector<KString> lNames;
    if (!ReadMarkerNames(pHeader, pOptions, lNames)) {
        return false;
    }
    oMarkers.reserve(lNames.size());
    // The reference node comes with them.
    ioRollback.ReserveNodes(lNames.size() + 1);
    for (const KString& lName : lNames) {
        if (!AddMarker(ioRollback, lName, pFrames, oMarkers)) {
            return Fail("cannot create the marker nodes");
        }
    }
    return true;
}

bool KReaderOptical::AddMarker(KReadRollback& ioRollback, const KString& pName, int pFrames,
                               std::vector<Marker>& ioMarkers)
{
    KRyvObjectFactory* lFactory = GetOwner();
    Marker lMarker;
    lMarker.mNode = ioRollback.AddNode(lFactory->CreateNode(pName.Buffer()));
    KRyvMarker* lAttribute = lFactory->CreateMarker();
    ioRollback.AddAttribute(lAttribute);
    if (!lMarker.mNode || !lAttribute) {
        return false;
    }
    lAttribute->SetType(KRyvMarker::eOptical);
    lMarker.mNode->SetNodeAttribute(lAttribute);
    // Marked for export, as the kit's readers leave what they read, so that a writer finds it.
    lMarker.mNode->SetMarked(true);
    const KString lTake = GetTakeName();
    if (!lMarker.mNode->AddTakeNode(lTake.Buffer()) ||
        !lMarker.mNode->SetCurrentTakeNode(lTake.Buffer())) {
        return false;
    }
    KRyvTakeNode* lTakeNode = lMarker.mNode->GetCurrentTakeNode();
    lMarker.mCurves[0] = lTakeNode->GetTransformTX();
    lMarker.mCurves[1] = lTakeNode->GetTransformTY();
    lMarker.mCurves[2] = lTakeNode->GetTransformTZ();
    lMarker.mCurves[kOcclusionCurve] = lTakeNode->GetOcclusion();
    for (KFCurve* lCurve : lMarker.mCurves) {
        if (!ioRollback.BeginKeySet(lCurve, pFrames)) {
            return false;
        }
    }
    ioMarkers.push_back(lMarker);
    return true;
}

bool KReaderOptical::ReadFrames(KReadRollback& ioRollback, const KOpticalMarkerHeader& pHeader,
                                int pFrames, const KStreamOptionsMotion& pOptions,
                                std::vector<Marker>& ioMarkers)
{
    const int lCount = pHeader.mMarkerCount;
    const bool lZeroOccluded = pOptions.GetOption(kOptionZeroOccluded) == 1;
    const bool lHold = pOptions.GetOption(kOptionHoldOccluded) == 1;
    const KTime lPeriod = pOptions.GetFramePeriod();
    const std::uint64_t lBudget = kSampleAllowance + mFile->GetInputSize();
    int lExtraCount = 0;
    // Positions beyond the marker count, per frame, for the extra markers made at the end.
    std::vector<std::vector<KVector4>> lExtras(static_cast<std::size_t>(pFrames));
    std::vector<KVector4> lFrame;
    std::vector<KVector4> lPrevious;
    KTime lFileTime;
    int lFileFrame = 0;
    for (int f = 0; f < pFrames; ++f) {
        pOptions.ReportProgress("Reading animation frames",
                                static_cast<float>(static_cast<std::int64_t>(f) * 50 / pFrames));
        if (!mFile->ReadFrame(lFrame, lCount, lFileTime, lFileFrame, lPeriod, lZeroOccluded)) {
            return Fail(mFile->GetError());
        }
        if (lHold && f > 0) {
            HoldOccluded(lFrame, lPrevious);
        }
        const KTime lTime = pOptions.GetStart() + lPeriod * f;
        for (int k = 0; k < lCount; ++k) {
            if (!SetStoredKeys(ioMarkers[static_cast<std::size_t>(k)].mCurves, f, lTime, lFrame,
                               static_cast<std::size_t>(k), pHeader.mScale)) {
                return Fail(OutOfRange(f));
            }
        }
        if (lFrame.size() > static_cast<std::size_t>(lCount)) {
            const std::uint64_t lExtra = lFrame.size() - static_cast<std::size_t>(lCount);
            // The extra markers get a key per frame each.
            if (lExtra > static_cast<std::uint64_t>(kMaxMarkers - lCount) ||
                lExtra * static_cast<std::uint64_t>(pFrames) > lBudget) {
                return Fail("frame " + std::to_string(f + 1) + ": too many unnamed markers");
            }
            lExtraCount = std::max(lExtraCount, static_cast<int>(lExtra));
            lExtras[static_cast<std::size_t>(f)].assign(lFrame.begin() + lCount, lFrame.end());
        }
        // Without the hold rule one frame's room serves every frame.
        if (lHold) {
            lPrevious.swap(lFrame);
        }
    }
    if (!mFile->EndRead()) {
        return Fail(mFile->GetError());
    }
    return AddExtraMarkers(ioRollback, pHeader, pFrames, pOptions, lExtras, lExtraCount, ioMarkers);
}

bool KReaderOptical::AddExtraMarkers(KReadRollback& ioRollback, const KOpticalMarkerHeader& pHeader,
                                     int pFrames, const KStreamOptionsMotion& pOptions,
                                     const std::vector<std::vector<KVector4>>& pExtras,
                                     int pExtraCount, std::vector<Marker>& ioMarkers)
{
    const KTime lPeriod = pOptions.GetFramePeriod();
    for (int e = 0; e < pExtraCount; ++e) {
        const std::string lName = kUnnamedPrefix + std::to_string(pHeader.mMarkerCount + e + 1);
        if (!AddMarker(ioRollback, KString(lName.c_str()), pFrames, ioMarkers)) {
            return Fail("cannot create the marker nodes");
        }
        for (int f = 0; f < pFrames; ++f) {
            if (!SetStoredKeys(ioMarkers.back().mCurves, f, pOptions.GetStart() + lPeriod * f,
                               pExtras[static_cast<std::size_t>(f)], static_cast<std::size_t>(e),
                               pHeader.mScale)) {
                return Fail(OutOfRange(f));
            }
        }
    }
    return true;
}

void KReaderOptical::FilterCurves(std::vector<Marker>& ioMarkers,
                                  const KStreamOptionsMotion& pOptions)
{
    const bool lReduce = KImportSettings::Get().IsConstantKeyReducerEnabled();
    KFCurveFilterConstantKeyReducer lReducer;
    for (std::size_t k = 0; k < ioMarkers.size(); ++k) {
        Marker& lMarker = ioMarkers[k];
        pOptions.ReportProgress("Loading animation frames in nodes",
                                static_cast<float>(50 + k * 50 / ioMarkers.size()));
        KMotionImportFilters::Apply(lMarker.mCurves, nullptr);
        if (lReduce) {
            lReducer.Apply(&lMarker.mCurves[kOcclusionCurve], 1);
        }
    }
}

bool KReaderOptical::Place(KReadRollback& ioRollback, KRyvScene& ioScene,
                           const KStreamOptionsMotion& pOptions, std::vector<Marker>& ioMarkers,
                           int pFrames)
{
    KRyvObjectFactory* lFactory = GetOwner();
    const KString lName =
        mFormatName + (pOptions.GetOption(kOptionOpticalName) == 1 ? ":optical" : ":reference");
    KRyvNode* lReference = ioRollback.AddNode(lFactory->CreateNode(lName.Buffer()));
    KRyvNodeAttribute* lAttribute = ioRollback.AddAttribute(lFactory->CreateOpticalReference());
    if (!lReference || !lAttribute) {
        return Fail("cannot create the reference node");
    }
    lReference->SetNodeAttribute(lAttribute);
    // Marked as well, so that a writer takes it for the reference node (FindReferenceNode) even
    // when it holds a single marker.
    lReference->SetMarked(true);
    for (Marker& lMarker : ioMarkers) {
        if (!lReference->AddChild(lMarker.mNode)) {
            return Fail("cannot place the marker nodes");
        }
    }
    // The reference holds the markers now; what follows walks the whole of them.
    std::vector<Marker>().swap(ioMarkers);
    const std::string lFile = mFileName.substr(mFileName.find_last_of('/') + 1);
    KString lMessage = KString("Duplicate names found in ") + lFile.c_str() + ":";
    if (!ReportDuplicateNames(lReference, lMessage)) {
        pOptions.ShowMessage("Error", lMessage.Buffer(), "Ok");
        return Fail(lMessage.Buffer());
    }
    const KTakeInfo lInfo = KMotionTakeSpan::Describe(GetTakeName().Buffer(), pOptions, pFrames);
    if (!ioScene.GetRootNode()->AddChild(lReference) || !ioScene.SetTakeInfo(lInfo)) {
        return Fail("the markers cannot join the scene");
    }
    return true;
}
