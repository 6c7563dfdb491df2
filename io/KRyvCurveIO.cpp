#include "io/KRyvCurveIO.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KQuotedValue.h"
#include "object/KDataType.h"
#include "ryvfile/KRyvFile.h"
#include "scene/KRyvTakeNodeContainer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char kCurve[] = "Curve";
const char kChannel[] = "Channel";
const char kTake[] = "Take";
const char kDefaultTakeName[] = "Default";
constexpr int kColorCount = 3;
constexpr int kSides = 2;
const char kKeyTime[] = "KeyTime";
const char kKeyValue[] = "KeyValue";
const char kKeyFlags[] = "KeyFlags";
const char kKeyData[] = "KeyData";
const char kKeyWeight[] = "KeyWeight";
const char kKeyVelocity[] = "KeyVelocity";
// The flags of a key made without arguments: cubic with auto tangents, unweighted.
constexpr std::int32_t kDefaultFlags = KFCurveKey::kInterpolationCubic | KFCurveKey::kTangentAuto;

// The fields of a key, as parallel arrays.
struct KeyArrays
{
    std::vector<std::int64_t> mTimes;
    std::vector<float> mValues;
    std::vector<std::int32_t> mFlags;
    std::vector<float> mData;
    std::vector<float> mWeights;
    std::vector<float> mVelocities;

    bool IsConsistent() const
    {
        const std::size_t lCount = mTimes.size();
        return lCount <= static_cast<std::size_t>(KFCurve::kMaxKeyCount) &&
               mValues.size() == lCount && mFlags.size() == lCount &&
               mData.size() == lCount * KFCurveKey::kDataCount &&
               mWeights.size() == lCount * kSides && mVelocities.size() == lCount * kSides;
    }
};

// Field pField of key pIndex, in the order of the arrays of the packed layout.
struct KeyFields
{
    const KFCurve& mCurve;

    const KFCurveKey& Key(std::size_t pIndex) const
    {
        return *mCurve.GetKey(static_cast<int>(pIndex));
    }
    std::int64_t Time(std::size_t i) const { return Key(i).GetTime().Get(); }
    float Value(std::size_t i) const { return Key(i).GetValue(); }
    std::int32_t Flags(std::size_t i) const { return Key(i).GetFlags(); }
    float Data(std::size_t i) const
    {
        return Key(i / KFCurveKey::kDataCount)
            .GetDataFloat(static_cast<int>(i % KFCurveKey::kDataCount));
    }
    float Weight(std::size_t i) const
    {
        return Key(i / kSides).GetWeight(static_cast<int>(i % kSides));
    }
    float Velocity(std::size_t i) const
    {
        return Key(i / kSides).GetVelocity(static_cast<int>(i % kSides));
    }
};

// The array pName of pCount elements pElement(i), written as they are read from the keys.
template <typename T, typename Element>
void WriteArrayOf(KRyvFile& ioFile, const char* pName, std::size_t pCount, Element pElement)
{
    ioFile.FieldWriteBegin(pName);
    ioFile.FieldWriteArrayOf<T>(pCount, pElement);
    ioFile.FieldWriteEnd();
}

// Which fields hold something else than the key's default in some key. A field whose every key
// holds the default is left out: most curves are cubic with auto tangents and unweighted, and
// those four arrays would be most of their bytes. One look at each key, not one per field.
struct KeyFieldsUsed
{
    bool mFlags = false;
    bool mData = false;
    bool mWeights = false;
    bool mVelocities = false;

    explicit KeyFieldsUsed(const KFCurve& pCurve)
    {
        for (int i = 0; i < pCurve.GetKeyCount() && !(mFlags && mData && mWeights && mVelocities);
             ++i) {
            const KFCurveKey& lKey = *pCurve.GetKey(i);
            mFlags = mFlags || lKey.GetFlags() != kDefaultFlags;
            for (int d = 0; d < KFCurveKey::kDataCount; ++d) {
                mData = mData || lKey.GetDataFloat(d) != 0.0f;
            }
            for (int lSide = 0; lSide < kSides; ++lSide) {
                mWeights = mWeights || lKey.GetWeight(lSide) != KFCurveKey::kDefaultWeight;
                mVelocities = mVelocities || lKey.GetVelocity(lSide) != 0.0f;
            }
        }
    }
};

// A curve without keys writes no array at all.
void WritePackedKeys(KRyvFile& ioFile, const KeyFields& pKeys)
{
    const auto lCount = static_cast<std::size_t>(pKeys.mCurve.GetKeyCount());
    if (lCount == 0) {
        return;
    }
    const KeyFieldsUsed lUsed(pKeys.mCurve);
    WriteArrayOf<std::int64_t>(ioFile, kKeyTime, lCount,
                               [&pKeys](std::size_t i) { return pKeys.Time(i); });
    WriteArrayOf<float>(ioFile, kKeyValue, lCount,
                        [&pKeys](std::size_t i) { return pKeys.Value(i); });
    if (lUsed.mFlags) {
        WriteArrayOf<std::int32_t>(ioFile, kKeyFlags, lCount,
                                   [&pKeys](std::size_t i) { return pKeys.Flags(i); });
    }
    if (lUsed.mData) {
        WriteArrayOf<float>(ioFile, kKeyData, lCount * KFCurveKey::kDataCount,
                            [&pKeys](std::size_t i) { return pKeys.Data(i); });
    }
    if (lUsed.mWeights) {
        WriteArrayOf<float>(ioFile, kKeyWeight, lCount * kSides,
                            [&pKeys](std::size_t i) { return pKeys.Weight(i); });
    }
    if (lUsed.mVelocities) {
        WriteArrayOf<float>(ioFile, kKeyVelocity, lCount * kSides,
                            [&pKeys](std::size_t i) { return pKeys.Velocity(i); });
    }
}

// The 5.x layout: a record per key.
void WriteKeyRecords(KRyvFile& ioFile, const KFCurve& pCurve)
{
    for (int i = 0; i < pCurve.GetKeyCount(); ++i) {
        const KFCurveKey& lKey = *pCurve.GetKey(i);
        ioFile.FieldWriteBegin("K");
        ioFile.FieldWriteL(lKey.GetTime().Get());
        ioFile.FieldWriteF(lKey.GetValue());
        ioFile.FieldWriteI(lKey.GetFlags());
        for (int d = 0; d < KFCurveKey::kDataCount; ++d) {
            ioFile.FieldWriteF(lKey.GetDataFloat(d));
        }
        for (int s = 0; s < kSides; ++s) {
            ioFile.FieldWriteF(lKey.GetWeight(s));
            ioFile.FieldWriteF(lKey.GetVelocity(s));
        }
        ioFile.FieldWriteEnd();
    }
}

// An array of the packed layout where it lies in the file; one that is left out holds the
// field's default for every key.
template <typename T> struct OptionalArray
{
    KRyvArrayView<T> mView;
    bool mPresent = false;
    T mDefault;

    // Present with exactly pCount elements, or absent.
    bool Fits(std::size_t pCount) const { return !mPresent || mView.mCount == pCount; }
    T operator[](std::size_t pIndex) const { return mPresent ? mView[pIndex] : mDefault; }
};

// The keys of a 6.0 curve record, read where they lie: each key is copied once, into the curve.
struct PackedKeys
{
    KRyvArrayView<std::int64_t> mTimes;
    KRyvArrayView<float> mValues;
    OptionalArray<std::int32_t> mFlags{{}, false, kDefaultFlags};
    OptionalArray<float> mData{{}, false, 0.0f};
    OptionalArray<float> mWeights{{}, false, KFCurveKey::kDefaultWeight};
    OptionalArray<float> mVelocities{{}, false, 0.0f};

    std::size_t Count() const { return mTimes.mCount; }
    // False when every field but time and value was left out, so every key has their defaults.
    bool HasOtherFields() const
    {
        return mFlags.mPresent || mData.mPresent || mWeights.mPresent || mVelocities.mPresent;
    }
    bool IsConsistent() const
    {
        const std::size_t lCount = Count();
        return lCount <= static_cast<std::size_t>(KFCurve::kMaxKeyCount) &&
               mValues.mCount == lCount && mFlags.Fits(lCount) &&
               mData.Fits(lCount * KFCurveKey::kDataCount) && mWeights.Fits(lCount * kSides) &&
               mVelocities.Fits(lCount * kSides);
    }
    std::int64_t Time(std::size_t pKey) const { return mTimes[pKey]; }
    float Value(std::size_t pKey) const { return mValues[pKey]; }
    std::int32_t Flags(std::size_t pKey) const { return mFlags[pKey]; }
    float Data(std::size_t pKey, int pField) const
    {
        return mData[pKey * KFCurveKey::kDataCount + static_cast<std::size_t>(pField)];
    }
    float Weight(std::size_t pKey, int pSide) const
    {
        return mWeights[pKey * kSides + static_cast<std::size_t>(pSide)];
    }
    float Velocity(std::size_t pKey, int pSide) const
    {
        return mVelocities[pKey * kSides + static_cast<std::size_t>(pSide)];
    }
};

// The keys of a 5.x curve record, one record per key, gathered.
struct GatheredKeys
{
    const KeyArrays& mKeys;

    std::size_t Count() const { return mKeys.mTimes.size(); }
    // A key record holds every field.
    bool HasOtherFields() const { return true; }
    std::int64_t Time(std::size_t pKey) const { return mKeys.mTimes[pKey]; }
    float Value(std::size_t pKey) const { return mKeys.mValues[pKey]; }
    std::int32_t Flags(std::size_t pKey) const { return mKeys.mFlags[pKey]; }
    float Data(std::size_t pKey, int pField) const
    {
        return mKeys.mData[pKey * KFCurveKey::kDataCount + static_cast<std::size_t>(pField)];
    }
    float Weight(std::size_t pKey, int pSide) const
    {
        return mKeys.mWeights[pKey * kSides + static_cast<std::size_t>(pSide)];
    }
    float Velocity(std::size_t pKey, int pSide) const
    {
        return mKeys.mVelocities[pKey * kSides + static_cast<std::size_t>(pSide)];
    }
};

template <typename T> bool ReadView(KRyvFile& ioFile, const char* pName, KRyvArrayView<T>& oView)
{
    if (!ioFile.FieldReadBegin(pName)) {
        return false;
    }
    const bool lRead = ioFile.FieldReadArrayView(oView);
    ioFile.FieldReadEnd();
    return lRead;
}

template <typename T>
bool ReadOptionalView(KRyvFile& ioFile, const char* pName, OptionalArray<T>& ioArray)
{
    ioArray.mPresent = ioFile.FieldReadCount(pName) > 0;
    return !ioArray.mPresent || ReadView(ioFile, pName, ioArray.mView);
}

bool ReadPackedKeys(KRyvFile& ioFile, PackedKeys& oKeys)
{
    return ReadView(ioFile, kKeyTime, oKeys.mTimes) &&
           oKeys.Count() <= static_cast<std::size_t>(KFCurve::kMaxKeyCount) &&
           ReadView(ioFile, kKeyValue, oKeys.mValues) &&
           ReadOptionalView(ioFile, kKeyFlags, oKeys.mFlags) &&
           ReadOptionalView(ioFile, kKeyData, oKeys.mData) &&
           ReadOptionalView(ioFile, kKeyWeight, oKeys.mWeights) &&
           ReadOptionalView(ioFile, kKeyVelocity, oKeys.mVelocities) && oKeys.IsConsistent();
}

// The arrays are sized once from the count of key records (capped: a count past the cap fails
// below anyway), so that a long curve never grows them by copying.
bool ReadKeyRecords(KRyvFile& ioFile, KeyArrays& oKeys)
{
    const auto lCount =
        static_cast<std::size_t>(std::min(ioFile.FieldReadCount("K"), KFCurve::kMaxKeyCount + 1));
    oKeys.mTimes.reserve(lCount);
    oKeys.mValues.reserve(lCount);
    oKeys.mFlags.reserve(lCount);
    oKeys.mData.reserve(lCount * KFCurveKey::kDataCount);
    oKeys.mWeights.reserve(lCount * kSides);
    oKeys.mVelocities.reserve(lCount * kSides);
    while (oKeys.mTimes.size() <= static_cast<std::size_t>(KFCurve::kMaxKeyCount) &&
           ioFile.FieldReadBegin("K")) {
        oKeys.mTimes.push_back(ioFile.FieldReadL());
        oKeys.mValues.push_back(ioFile.FieldReadF());
        oKeys.mFlags.push_back(ioFile.FieldReadI());
        for (int d = 0; d < KFCurveKey::kDataCount; ++d) {
            oKeys.mData.push_back(ioFile.FieldReadF());
        }
        for (int s = 0; s < kSides; ++s) {
            oKeys.mWeights.push_back(ioFile.FieldReadF());
            oKeys.mVelocities.push_back(ioFile.FieldReadF());
        }
        ioFile.FieldReadEnd();
    }
    return !ioFile.FieldReadFailed() && oKeys.IsConsistent();
}

// The times and values of this many keys at a time go through arrays on the stack into the
// curve's batch set.
constexpr int kKeyChunk = 1024;

// Every key made at once with its time and value (cubic, auto tangents: the keys of a curve whose
// other fields were left out), then, when the file holds them, the other fields key by key.
template <typename Keys> bool SetKeys(const Keys& pKeys, KFCurve& ioCurve)
{
    const int lCount = static_cast<int>(pKeys.Count());
    ioCurve.KeyClear();
    if (!ioCurve.BeginKeySet(lCount)) {
        return false;
    }
    KTime lTimes[kKeyChunk];
    float lValues[kKeyChunk];
    bool lSet = true;
    for (int lFirst = 0; lFirst < lCount && lSet; lFirst += kKeyChunk) {
        const int lChunk = std::min(kKeyChunk, lCount - lFirst);
        for (int i = 0; i < lChunk; ++i) {
            const auto k = static_cast<std::size_t>(lFirst + i);
            lTimes[i] = KTime(pKeys.Time(k));
            lValues[i] = pKeys.Value(k);
        }
        lSet =
            ioCurve.KeySetBatch(lFirst, lChunk, lTimes, lValues, KFCurveKey::kInterpolationCubic);
    }
    for (int i = 0; lSet && pKeys.HasOtherFields() && i < lCount; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const int lFlags = pKeys.Flags(k);
        KFCurveKey* lKey = ioCurve.GetKey(i);
        lKey->Set(KTime(pKeys.Time(k)), pKeys.Value(k), lFlags & KFCurveKey::kInterpolationMask,
                  lFlags & KFCurveKey::kTangentMask, pKeys.Data(k, 0), pKeys.Data(k, 1),
                  lFlags & KFCurveKey::kWeightedMask, pKeys.Weight(k, 0), pKeys.Weight(k, 1),
                  pKeys.Velocity(k, 0), pKeys.Velocity(k, 1));
        lKey->SetDataFloat(KFCurveKey::kDataBias, pKeys.Data(k, KFCurveKey::kDataBias));
        lKey->SetConstantMode(lFlags & KFCurveKey::kConstantNext);
    }
    ioCurve.EndKeySet(lSet ? lCount : 0);
    return lSet;
}

// The first key holding a number that is not finite (NaN or an infinity, which a key cannot take
// and a binary field or an ASCII "nan" can hold); Count() when every key is finite.
template <typename Keys> std::size_t FindNotFiniteKey(const Keys& pKeys)
{
    for (std::size_t k = 0; k < pKeys.Count(); ++k) {
        bool lFinite = std::isfinite(pKeys.Value(k));
        for (int d = 0; d < KFCurveKey::kDataCount && pKeys.HasOtherFields(); ++d) {
            lFinite = lFinite && std::isfinite(pKeys.Data(k, d));
        }
        for (int lSide = 0; lSide < kSides && pKeys.HasOtherFields(); ++lSide) {
            lFinite = lFinite && std::isfinite(pKeys.Weight(k, lSide)) &&
                      std::isfinite(pKeys.Velocity(k, lSide));
        }
        if (!lFinite) {
            return k;
        }
    }
    return pKeys.Count();
}

// False, with the key named in oCause (when given), when a key is not finite.
template <typename Keys> bool CheckFiniteKeys(const Keys& pKeys, KString* oCause)
{
    const std::size_t lKey = FindNotFiniteKey(pKeys);
    if (lKey == pKeys.Count()) {
        return true;
    }
    if (oCause) {
        *oCause = ("key " + std::to_string(lKey) + " is not a finite number").c_str();
    }
    return false;
}

// What a curve record holds before its keys.
struct CurveHeader
{
    double mDefault = 0.0;
    std::vector<float> mColor;
    int mFlags = 0;
    int mPre = 0;
    int mPreCount = 0;
    int mPost = 0;
    int mPostCount = 0;
};

// The header, then the keys, in that order.
template <typename Keys>
bool SetCurve(const CurveHeader& pHeader, const Keys& pKeys, KFCurve& ioCurve)
{
    ioCurve.SetDefaultValue(static_cast<float>(pHeader.mDefault));
    ioCurve.SetColor(pHeader.mColor.data());
    ioCurve.SetFlags(pHeader.mFlags);
    ioCurve.SetPreExtrapolation(pHeader.mPre);
    ioCurve.SetPreExtrapolationCount(pHeader.mPreCount);
    ioCurve.SetPostExtrapolation(pHeader.mPost);
    ioCurve.SetPostExtrapolationCount(pHeader.mPostCount);
    return SetKeys(pKeys, ioCurve);
}

// The channel of pReference a reader fills for pNode (the first child of pNode's name), or null
// when pNode is not the first of its name under pParent.
const KFCurveNode* ReferenceChild(const KFCurveNode* pReference, const KFCurveNode& pParent,
                                  int pIndex)
{
    const char* lName = pParent.Get(pIndex)->GetName();
    if (!pReference || pParent.Find(lName) != pIndex) {
        return nullptr;
    }
    const int lFound = pReference->Find(lName);
    return lFound >= 0 ? pReference->Get(lFound) : nullptr;
}

// Both without keys and alike in every member a curve record holds.
bool SameKeylessCurve(const KFCurve* pCurve, const KFCurve* pReference)
{
    if (!pCurve || !pReference || pCurve->GetKeyCount() != 0 || pReference->GetKeyCount() != 0) {
        return false;
    }
    const double lDefault = pCurve->GetDefaultValue();
    const double lReferenceDefault = pReference->GetDefaultValue();
    return std::memcmp(&lDefault, &lReferenceDefault, sizeof(double)) == 0 &&
           std::memcmp(pCurve->GetColor(), pReference->GetColor(), kColorCount * sizeof(float)) ==
               0 &&
           pCurve->GetFlags() == pReference->GetFlags() &&
           pCurve->GetPreExtrapolation() == pReference->GetPreExtrapolation() &&
           pCurve->GetPreExtrapolationCount() == pReference->GetPreExtrapolationCount() &&
           pCurve->GetPostExtrapolation() == pReference->GetPostExtrapolation() &&
           pCurve->GetPostExtrapolationCount() == pReference->GetPostExtrapolationCount();
}

// pReference: the channel a reader fills for this one, holding what it holds before the record
// is read (null when unknown).
void WriteChannel(KRyvFile& ioFile, const KFCurveNode& pNode, bool pPackedKeys,
                  const KFCurveNode* pReference)
{
    ioFile.FieldWriteBegin(kChannel);
    ioFile.FieldWriteC(pNode.GetName());
    ioFile.FieldWriteC(pNode.GetDataType() ? pNode.GetDataType()->GetName() : "");
    ioFile.FieldWriteI(pNode.GetKind());
    ioFile.FieldWriteI(pNode.GetLayer());
    const KFCurve* lCurve = pNode.GetCurve();
    if (lCurve && !SameKeylessCurve(lCurve, pReference ? pReference->GetCurve() : nullptr)) {
        KRyvCurveIO::WriteCurve(ioFile, *lCurve, pPackedKeys);
    }
    for (int i = 0; i < pNode.GetCount(); ++i) {
        WriteChannel(ioFile, *pNode.Get(i), pPackedKeys, ReferenceChild(pReference, pNode, i));
    }
    ioFile.FieldWriteEnd();
}

// Reads the children "Channel" records of the current record into ioNode. The record tree is
// at most KRyvFieldRecord::kMaxDepth deep, which bounds this recursion.
bool ReadChannels(KRyvFile& ioFile, KFCurveNode& ioNode, KString* oCause)
{
    while (ioFile.FieldReadBegin(kChannel)) {
        const KString lName = ioFile.FieldReadC();
        const KString lType = ioFile.FieldReadC();
        const int lKind = ioFile.FieldReadI();
        const int lLayer = ioFile.FieldReadI();
        KFCurveNode* lChild =
            ioNode.Find(lName.Buffer()) >= 0 ? ioNode.Get(ioNode.Find(lName.Buffer())) : nullptr;
        if (!lChild) {
            lChild =
                KFCurveNode::Create(lName.Buffer(), FindDataType(lType.Buffer()), lKind, lLayer);
            if (ioNode.Add(lChild) < 0) {
                KFCurveNode::Destroy(lChild);
                return false;
            }
        }
        if (ioFile.FieldReadBegin(kCurve)) {
            KFCurve* lCurve = lChild->GetCurve();
            if (!lCurve) {
                // SetCurve answers the curve it replaced, not the new one.
                lChild->SetCurve(KFCurve::Create());
                lCurve = lChild->GetCurve();
            }
            KString lCause;
            const bool lRead = lCurve && KRyvCurveIO::ReadCurve(ioFile, *lCurve, &lCause);
            ioFile.FieldReadEnd();
            if (!lRead) {
                if (oCause && !lCause.IsEmpty()) {
                    *oCause = ("channel " + KQuoteValue(lName.Buffer()) + ": ").c_str() + lCause;
                }
                return false;
            }
        }
        if (!ReadChannels(ioFile, *lChild, oCause) || ioFile.FieldReadFailed()) {
            return false;
        }
        ioFile.FieldReadEnd();
    }
    return true;
}

} // namespace

void KRyvCurveIO::WriteCurve(KRyvFile& ioFile, const KFCurve& pCurve, bool pPackedKeys)
{
    ioFile.FieldWriteBegin(kCurve);
    ioFile.FieldWriteD(pCurve.GetDefaultValue());
    ioFile.FieldWriteArray(pCurve.GetColor(), kColorCount);
    ioFile.FieldWriteI(pCurve.GetFlags());
    ioFile.FieldWriteI(pCurve.GetPreExtrapolation());
    ioFile.FieldWriteI(pCurve.GetPreExtrapolationCount());
    ioFile.FieldWriteI(pCurve.GetPostExtrapolation());
    ioFile.FieldWriteI(pCurve.GetPostExtrapolationCount());
    if (pPackedKeys) {
        WritePackedKeys(ioFile, KeyFields{pCurve});
    } else {
        WriteKeyRecords(ioFile, pCurve);
    }
    ioFile.FieldWriteEnd();
}

bool KRyvCurveIO::ReadCurve(KRyvFile& ioFile, KFCurve& ioCurve, KString* oCause)
{
    CurveHeader lHeader;
    lHeader.mDefault = ioFile.FieldReadD();
    ioFile.FieldReadArray(lHeader.mColor);
    lHeader.mFlags = ioFile.FieldReadI();
    lHeader.mPre = ioFile.FieldReadI();
    lHeader.mPreCount = ioFile.FieldReadI();
    lHeader.mPost = ioFile.FieldReadI();
    lHeader.mPostCount = ioFile.FieldReadI();
    if (ioFile.FieldReadFailed() || lHeader.mColor.size() != kColorCount) {
        return false;
    }
    // Nothing of the curve changes before all of its record has been found whole.
    if (ioFile.FieldReadCount(kKeyTime) > 0) {
        PackedKeys lKeys;
        return ReadPackedKeys(ioFile, lKeys) && CheckFiniteKeys(lKeys, oCause) &&
               SetCurve(lHeader, lKeys, ioCurve);
    }
    KeyArrays lKeys;
    return ReadKeyRecords(ioFile, lKeys) && CheckFiniteKeys(GatheredKeys{lKeys}, oCause) &&
           SetCurve(lHeader, GatheredKeys{lKeys}, ioCurve);
}

namespace {

// The whole tree of pTake: its own, or when channels of it wait, that of a whole copy kept in
// ioCopy (made on the first call), so that a wide scene's takes stay as reading left them.
const KFCurveNode* WholeTree(const KRyvTakeNode& pTake, std::unique_ptr<KRyvTakeNode>& ioCopy)
{
    if (!pTake.IsContentDeferred()) {
        return pTake.GetKFCurveNode();
    }
    if (!ioCopy) {
        ioCopy = pTake.CopyWhole();
    }
    return ioCopy->GetKFCurveNode();
}

} // namespace

void KRyvCurveIO::WriteTakeNodes(KRyvFile& ioFile, KRyvTakeNodeContainer& ioContainer,
                                 bool pPackedKeys, const KString& pOnlyTake,
                                 const KFCurveNode* pFreshDefault)
{
    KRyvTakeNode* lFirst =
        ioContainer.GetTakeNodeCount() > 0 ? ioContainer.GetTakeNode(0) : nullptr;
    // A reader makes every take after the first as a copy of the first.
    const bool lFirstIsDefault = lFirst && ioContainer.IsDefaultTakeNode(lFirst);
    std::unique_ptr<KRyvTakeNode> lFirstWhole;
    for (int i = 0; i < ioContainer.GetTakeNodeCount(); ++i) {
        KRyvTakeNode* lTake = ioContainer.GetTakeNode(i);
        if (!pOnlyTake.IsEmpty() && !ioContainer.IsDefaultTakeNode(lTake) &&
            lTake->GetName().Compare(pOnlyTake) != 0) {
            continue;
        }
        ioFile.FieldWriteBegin(kTake);
        ioFile.FieldWriteC(lTake->GetName());
        ioFile.FieldWriteB(i == ioContainer.GetCurrentTakeNodeIndex());
        std::unique_ptr<KRyvTakeNode> lWhole;
        const KFCurveNode* lRoot = WholeTree(*lTake, lWhole);
        const KFCurveNode* lReference = !lFirstIsDefault ? nullptr
                                        : i == 0         ? pFreshDefault
                                                         : WholeTree(*lFirst, lFirstWhole);
        for (int c = 0; lRoot && c < lRoot->GetCount(); ++c) {
            WriteChannel(ioFile, *lRoot->Get(c), pPackedKeys,
                         ReferenceChild(lReference, *lRoot, c));
        }
        ioFile.FieldWriteEnd();
    }
}

bool KRyvCurveIO::ReadTakeNodes(KRyvFile& ioFile, KRyvTakeNodeContainer& ioContainer,
                                const KString& pOnlyTake, KString* oCause)
{
    KString lCurrent;
    while (ioFile.FieldReadBegin(kTake)) {
        const KString lName = ioFile.FieldReadC();
        const bool lIsCurrent = ioFile.FieldReadB();
        if (!pOnlyTake.IsEmpty() && lName.Compare(kDefaultTakeName) != 0 &&
            lName.Compare(pOnlyTake) != 0) {
            ioFile.FieldReadEnd();
            continue;
        }
        if (lIsCurrent || !pOnlyTake.IsEmpty()) {
            lCurrent = lName;
        }
        KRyvTakeNode* lTake = nullptr;
        for (int i = 0; i < ioContainer.GetTakeNodeCount() && !lTake; ++i) {
            lTake = ioContainer.GetTakeNode(i)->GetName().Compare(lName) == 0
                        ? ioContainer.GetTakeNode(i)
                        : nullptr;
        }
        if (!lTake) {
            lTake = lName.Compare(kDefaultTakeName) == 0 ? ioContainer.AddDefaultTakeNode()
                                                         : ioContainer.AddTakeNode(lName.Buffer());
        }
        if (!lTake || !lTake->GetKFCurveNode() ||
            !ReadChannels(ioFile, *lTake->GetKFCurveNode(), oCause)) {
            if (oCause && !oCause->IsEmpty()) {
                *oCause += (" in take " + KQuoteValue(lName.Buffer())).c_str();
            }
            return false;
        }
        ioFile.FieldReadEnd();
    }
    if (!lCurrent.IsEmpty()) {
        ioContainer.SetCurrentTakeNode(lCurrent.Buffer());
    }
    return !ioFile.FieldReadFailed();
}
