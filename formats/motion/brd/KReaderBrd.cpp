#include "formats/motion/brd/KReaderBrd.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KQuaternion.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionMarkerBuilder.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <climits>
#include <map>
#include <new>
#include <string>

namespace {

// Per sensor: translation X, Y, Z, rotation X, Y, Z, occlusion.
constexpr int kCurveCount = 7;
constexpr int kOcclusionCurve = 6;
constexpr double kOccluded = 1.0;
constexpr double kSeen = 0.0;

KVector4 EulerOfQuaternion(const double pQuaternion[4])
{
    KMatrix lMatrix;
    QuaternionToMatrix(lMatrix,
                       KQuaternion(pQuaternion[0], pQuaternion[1], pQuaternion[2], pQuaternion[3]));
    KVector4 lAngles;
    MatrixToEulerXYZ(lAngles, lMatrix);
    return lAngles;
}

// Ids below this find their sensor through a table; any other id through a map.
constexpr int kTableIds = 1024;

// Dense slots for the sensor ids of a file, in order of first appearance. The usual ids are small
// and need no map search per sample.
class SensorSlots
{
public:
    std::size_t SlotOf(int pId)
    {
        if (pId >= 0 && pId < kTableIds) {
            std::size_t& lSlot = mTable[static_cast<std::size_t>(pId)];
            if (lSlot == kNone) {
                lSlot = NewSlot(pId);
            }
            return lSlot;
        }
        const auto lFound = mOthers.try_emplace(pId, kNone).first;
        if (lFound->second == kNone) {
            lFound->second = NewSlot(pId);
        }
        return lFound->second;
    }
    // The id of each slot.
    const std::vector<int>& GetIds() const { return mIds; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t NewSlot(int pId)
    {
        mIds.push_back(pId);
        return mIds.size() - 1;
    }

    std::vector<std::size_t> mTable = std::vector<std::size_t>(kTableIds, kNone);
    std::map<int, std::size_t> mOthers;
    std::vector<int> mIds;
};

} // namespace

struct KReaderBrd::Scratch
{
    std::vector<KFCurveKey> mKeys[kCurveCount];
};

KReaderBrd::KReaderBrd(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderBrd::~KReaderBrd() = default;

std::unique_ptr<KReader> KReaderBrd::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderBrd(pOwner));
}

std::unique_ptr<KTextFile> KReaderBrd::NewFile() const
{
    return std::make_unique<KBrdFile>();
}

void KReaderBrd::ClearParsed()
{
    mParsed = false;
    mParseResult = false;
    mSamples.clear();
    mSensors.clear();
    mParseError = KString();
    mFirstFrame = mLastFrame = mFrameCount = 0;
    mFirstSeconds = mLastSeconds = mFrameRate = 0.0;
}

bool KReaderBrd::Parse()
{
    if (mParsed) {
        if (!mParseResult) {
            GetError().SetLastError(kFileCorrupted, mParseError.Buffer());
        }
        return mParseResult;
    }
    ClearParsed();
    mParsed = true;
    mParseResult = ReadSamples();
    if (mParseResult) {
        SortSamples();
        mParseResult = CheckFrameSpan();
    }
    if (!mParseResult) {
        mParseError = GetError().GetLastErrorString();
        mSamples.clear();
        mSensors.clear();
        return false;
    }
    mFrameCount = mLastFrame - mFirstFrame + 1;
    const double lDuration = mLastSeconds - mFirstSeconds;
    const double lRate = (mFrameCount - 1) / lDuration;
    // Equal or reversed time stamps give no rate: the global default stands in.
    mFrameRate =
        mFrameCount > 1 && lDuration != 0.0 && KMotionFrameRate::IsValid(lRate) ? lRate : 0.0;
    return true;
}

bool KReaderBrd::ReadSamples()
{
    KBrdFile& lFile = File();
    KBrdSample lSample;
    for (bool lFirst = true; lFile.ReadSample(lSample, lFirst); lFirst = false) {
        if (mSamples.empty()) {
            mFirstFrame = mLastFrame = lSample.mFrame;
            mFirstSeconds = mLastSeconds = lSample.mSeconds;
        } else if (lSample.mFrame < mFirstFrame) {
            mFirstFrame = lSample.mFrame;
            mFirstSeconds = lSample.mSeconds;
        } else if (lSample.mFrame > mLastFrame) {
            mLastFrame = lSample.mFrame;
            mLastSeconds = lSample.mSeconds;
        }
        // The samples were checked to fit single precision, and Euler angles always do.
        const KVector4 lRotation = EulerOfQuaternion(lSample.mQuaternion);
        Sample lKept{lSample.mFrame, lSample.mId, {}, {}};
        for (int c = 0; c < 3; ++c) {
            lKept.mPosition[c] = static_cast<float>(lSample.mPosition[c]);
            lKept.mRotation[c] = static_cast<float>(lRotation[c]);
        }
        mSamples.push_back(lKept);
    }
    if (!lFile.IsAtEnd() || lFile.IsCorrupt()) {
        return FailFile("malformed line");
    }
    if (mSamples.empty()) {
        return FailFile("no sample");
    }
    return true;
}

void KReaderBrd::SortSamples()
{
    // Grouped by sensor in id order, each sensor's samples in file order (a counting sort), then
    // sorted by frame only where a sensor's lines were out of order: files list the frames in
    // order, so the usual cost is one pass.
    SensorSlots lSlots;
    std::vector<std::size_t> lOffsets;
    for (const Sample& lSample : mSamples) {
        const std::size_t lSlot = lSlots.SlotOf(lSample.mId);
        if (lSlot == lOffsets.size()) {
            lOffsets.push_back(0);
        }
        ++lOffsets[lSlot];
    }
    const std::vector<int>& lIds = lSlots.GetIds();
    std::vector<std::size_t> lById(lIds.size());
    for (std::size_t i = 0; i < lById.size(); ++i) {
        lById[i] = i;
    }
    std::sort(lById.begin(), lById.end(),
              [&lIds](std::size_t pA, std::size_t pB) { return lIds[pA] < lIds[pB]; });
    std::size_t lOffset = 0;
    for (const std::size_t lSlot : lById) {
        const std::size_t lCount = lOffsets[lSlot];
        mSensors.push_back({lIds[lSlot], lOffset, lOffset + lCount});
        lOffsets[lSlot] = lOffset;
        lOffset += lCount;
    }
    std::vector<Sample> lGrouped(mSamples.size());
    for (const Sample& lSample : mSamples) {
        lGrouped[lOffsets[lSlots.SlotOf(lSample.mId)]++] = lSample;
    }
    mSamples.swap(lGrouped);
    lGrouped = std::vector<Sample>();
    std::size_t lKept = 0;
    for (Sensor& lSensor : mSensors) {
        const auto lBegin = mSamples.begin() + static_cast<std::ptrdiff_t>(lSensor.mBegin);
        const auto lEnd = mSamples.begin() + static_cast<std::ptrdiff_t>(lSensor.mEnd);
        const auto lFrameBefore = [](const Sample& pA, const Sample& pB) {
            return pA.mFrame < pB.mFrame;
        };
        if (!std::is_sorted(lBegin, lEnd, lFrameBefore)) {
            // Stable, so that of two lines with the same sensor and frame the later one wins.
            std::stable_sort(lBegin, lEnd, lFrameBefore);
        }
        const std::size_t lFirst = lKept;
        for (std::size_t i = lSensor.mBegin; i < lSensor.mEnd; ++i) {
            if (lKept > lFirst && mSamples[lKept - 1].mFrame == mSamples[i].mFrame) {
                mSamples[lKept - 1] = mSamples[i];
            } else {
                mSamples[lKept++] = mSamples[i];
            }
        }
        lSensor.mBegin = lFirst;
        lSensor.mEnd = lKept;
    }
    mSamples.resize(lKept);
}

bool KReaderBrd::CheckFrameSpan()
{
    // The curves hold keys only where samples are, so gaps between frame numbers cost nothing;
    // the span only has to be a frame count.
    const std::int64_t lFrames =
        static_cast<std::int64_t>(mLastFrame) - static_cast<std::int64_t>(mFirstFrame) + 1;
    if (lFrames > INT_MAX) {
        const std::string lText =
            File().GetFileName() + ": frame numbers " + std::to_string(mFirstFrame) + " to " +
            std::to_string(mLastFrame) + " span more frames than a take holds";
        return Fail(KString(lText.c_str()));
    }
    // A key per sample and at most one per gap after it, and one before the first.
    for (const Sensor& lSensor : mSensors) {
        if (2 * (lSensor.mEnd - lSensor.mBegin) + 1 >
            static_cast<std::size_t>(KFCurve::kMaxKeyCount)) {
            const std::string lText = File().GetFileName() + ": sensor " +
                                      std::to_string(lSensor.mId) +
                                      " has more samples than a curve holds";
            return Fail(KString(lText.c_str()));
        }
    }
    return true;
}

std::unique_ptr<KStreamOptions> KReaderBrd::GetReadOptions()
{
    if (!GetFile()) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        if (!Parse()) {
            return nullptr;
        }
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions) {
            GetError().SetLastErrorID(kUnidentifiedError);
            return nullptr;
        }
        lOptions->SetTimeMode(0, mFrameRate);
        lOptions->SetFrameCount(mFrameCount);
        // Frame number n lies at n periods; files this kit writes start at frame 0.
        lOptions->SetStart(lOptions->GetFramePeriod() * mFirstFrame);
        lOptions->SetOption(KMotionMarkerBuilder::kOptionOpticalName, 0);
        lOptions->SetOption(kOptionHold, 1);
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        ClearParsed();
        Fail(KString((File().GetFileName() + ": out of memory").c_str()));
        return nullptr;
    }
}

bool KReaderBrd::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    return Parse() && ReadInto(ioScene, ioOptions);
}

bool KReaderBrd::ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    const int lFrames = std::min(ioOptions.GetFrameCount(), mFrameCount);
    const KString lTakeName = KMotionMarkerBuilder::TakeNameOf(File().GetFileName());
    KReadRollback lRollback(GetOwner());
    KMotionMarkerBuilder lBuilder(*GetOwner(), lRollback, lTakeName.Buffer());
    KRyvNode* lReference = lBuilder.CreateReference("BRD", ioOptions);
    if (!lReference) {
        return FailFile("cannot create the reference node");
    }
    const bool lHold = ioOptions.GetOption(kOptionHold) == 1;
    Scratch lScratch;
    const std::size_t lCount = mSensors.size();
    for (std::size_t k = 0; k < lCount; ++k) {
        ioOptions.ReportProgress("Loading BRD animation frames in nodes",
                                 static_cast<float>(k * 100 / lCount));
        if (!BuildSensor(lBuilder, lRollback, lReference, mSensors[k], lHold, lFrames, ioOptions,
                         lScratch)) {
            return FailFile("cannot create the sensor nodes");
        }
    }
    ioOptions.SetFrameCount(lFrames);
    if (!lBuilder.JoinScene(ioScene, lReference, ioOptions, lFrames)) {
        return FailFile("the sensors cannot join the scene");
    }
    lBuilder.Commit(ioScene);
    return true;
}

bool KReaderBrd::BuildSensor(KMotionMarkerBuilder& ioBuilder, KReadRollback& ioRollback,
                             KRyvNode* pReference, const Sensor& pSensor, bool pHold, int pFrames,
                             const KStreamOptionsMotion& pOptions, Scratch& ioScratch)
{
    const std::string lName = "Marker" + std::to_string(pSensor.mId);
    KRyvNode* lNode = ioBuilder.CreateMarker(pReference, lName.c_str());
    if (!lNode) {
        return false;
    }
    KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
    KFCurve* lCurves[kCurveCount] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                     lTake->GetTransformTZ(), lTake->GetTransformRX(),
                                     lTake->GetTransformRY(), lTake->GetTransformRZ(),
                                     lTake->GetOcclusion()};
    PlanKeys(pSensor, pHold, pFrames, pOptions, ioScratch);
    const int lKeys = static_cast<int>(ioScratch.mKeys[0].size());
    for (int c = 0; c < kCurveCount; ++c) {
        if (!ioRollback.BeginKeySet(lCurves[c], lKeys) ||
            !lCurves[c]->KeySetBatch(0, lKeys, ioScratch.mKeys[c].data())) {
            return false;
        }
    }
    ioRollback.EndKeySets(lKeys);
    KMotionImportFilters::Apply(lCurves, lCurves + 3);
    KMotionImportFilters::ReduceConstantKeys(lCurves + kOcclusionCurve, 1);
    return true;
}

void KReaderBrd::PlanKeys(const Sensor& pSensor, bool pHold, int pFrames,
                          const KStreamOptionsMotion& pOptions, Scratch& ioScratch) const
{
    // A key at each sample and one where a gap without samples starts; a key that a gap
    // follows is constant, so every frame of the gap reads as the file says: occluded, at the
    // pose held from the sample before (option 6) or at the origin. Keys grow with the samples,
    // never with the span of the frame numbers.
    for (std::vector<KFCurveKey>& lColumn : ioScratch.mKeys) {
        lColumn.clear();
    }
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    float lPose[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    // Constant keys hold their own value up to the next key.
    const auto lAdd = [&](int pIndex, bool pSeen, bool pGapFollows) {
        const KTime lTime = lStart + lPeriod * pIndex;
        for (int c = 0; c < 6; ++c) {
            ioScratch.mKeys[c].emplace_back();
            if (pGapFollows) {
                ioScratch.mKeys[c].back().Set(lTime, lPose[c], KFCurveKey::kInterpolationConstant,
                                              KFCurveKey::kConstantStandard);
            } else {
                ioScratch.mKeys[c].back().Set(lTime, lPose[c]);
            }
        }
        ioScratch.mKeys[kOcclusionCurve].emplace_back();
        ioScratch.mKeys[kOcclusionCurve].back().Set(
            lTime, static_cast<float>(pSeen ? kSeen : kOccluded),
            KFCurveKey::kInterpolationConstant, KFCurveKey::kConstantStandard);
    };
    // Sample indexes from the first frame number, only those the frame count reaches.
    std::size_t lEnd = pSensor.mBegin;
    while (lEnd < pSensor.mEnd &&
           mSamples[lEnd].mFrame - static_cast<std::int64_t>(mFirstFrame) < pFrames) {
        ++lEnd;
    }
    int lNext = 0;
    for (std::size_t s = pSensor.mBegin; s < lEnd; ++s) {
        const int lIndex =
            static_cast<int>(mSamples[s].mFrame - static_cast<std::int64_t>(mFirstFrame));
        if (lIndex > lNext) {
            // Frames before this sample that no sample covers.
            lAdd(lNext, false, true);
        }
        std::copy(mSamples[s].mPosition, mSamples[s].mPosition + 3, lPose);
        std::copy(mSamples[s].mRotation, mSamples[s].mRotation + 3, lPose + 3);
        lNext = lIndex + 1;
        const bool lGapFollows =
            lNext < pFrames && (s + 1 == lEnd || mSamples[s + 1].mFrame - mSamples[s].mFrame > 1);
        lAdd(lIndex, true, lGapFollows);
        if (!pHold && lGapFollows) {
            std::fill(lPose, lPose + 6, 0.0f);
        }
    }
    if (lNext < pFrames) {
        lAdd(lNext, false, true);
    }
}
