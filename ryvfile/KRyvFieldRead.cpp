#include "ryvfile/KRyvFile.h"

#include "ryvfile/KRyvStream.h"

#include <limits>

// The read side of KRyvFile's field operations: a stack of entered records, each a cursor over
// its values and children in the body's bytes. Nothing here trusts the body's shape: every step
// checks that the value or child it wants is there.

bool KRyvFile::FieldReadBegin(const char* pName)
{
    KRyvRecordCursor lChild;
    if (!pName || !Cursor().EnterChild(pName, lChild)) {
        return false;
    }
    mCursors.push_back(lChild);
    return true;
}

bool KRyvFile::FieldReadBeginNext()
{
    KRyvRecordCursor& lCursor = Cursor();
    const std::uint8_t* lNext = lCursor.NextChild();
    KRyvRecordCursor lChild;
    if (!lNext || !lCursor.Enter(lNext, lChild)) {
        return false;
    }
    lCursor.StepPast(lNext);
    mCursors.push_back(lChild);
    return true;
}

void KRyvFile::FieldReadEnd()
{
    if (mCursors.size() > 1) {
        mCursors.pop_back();
    }
}

const char* KRyvFile::FieldReadName() const
{
    mNameBuffer.assign(Cursor().GetName());
    return mNameBuffer.c_str();
}

int KRyvFile::FieldReadCount(const char* pName) const
{
    return pName ? Cursor().CountChildren(pName) : 0;
}

int KRyvFile::FieldReadValuesLeft() const
{
    return static_cast<int>(Cursor().GetValuesLeft());
}

int KRyvFile::FieldReadPeekKind() const
{
    return Cursor().PeekKind();
}

template <typename T> T KRyvFile::Next(T pDefault)
{
    T lValue = pDefault;
    if (!Cursor().TakeScalar(lValue)) {
        mReadFailed = true;
        return pDefault;
    }
    return lValue;
}

template <typename T> bool KRyvFile::NextArray(std::vector<T>& oValues)
{
    KRyvArrayView<T> lView;
    oValues.clear();
    if (!FieldReadArrayView(lView)) {
        return false;
    }
    oValues.resize(lView.mCount);
    KRyvByteOrder::GetArrayLE(lView.mElements, oValues);
    return true;
}

bool KRyvFile::FillArray(const std::uint8_t* pAt, std::size_t pSize)
{
    if (!mStream || pSize == 0) {
        return true;
    }
    const auto lAt = static_cast<std::size_t>(pAt - mBytes.data());
    return mHoles.Fill(*mStream, mStreamAt, mBytes.data(), lAt, lAt + pSize);
}

const KRyvBodyHoles::Hole* KRyvFile::ArrayHole(const std::uint8_t* pAt, std::size_t pSize) const
{
    if (!mStream || pSize == 0) {
        return nullptr;
    }
    const auto lAt = static_cast<std::size_t>(pAt - mBytes.data());
    return mHoles.FindUnfilled(lAt, lAt + pSize);
}

bool KRyvFile::ReadPiece(std::size_t pAt, std::size_t pSize)
{
    if (mPiece.size() < pSize) {
        mPiece.resize(pSize);
    }
    return mStream->ReadAt(mStreamAt + pAt, mPiece.data(), pSize) == pSize;
}

bool KRyvFile::FieldReadB()
{
    return Next<bool>(false);
}

int KRyvFile::FieldReadI()
{
    return Next<std::int32_t>(0);
}

std::int64_t KRyvFile::FieldReadL()
{
    return Next<std::int64_t>(0);
}

float KRyvFile::FieldReadF()
{
    return Next<float>(0.0f);
}

double KRyvFile::FieldReadD()
{
    return Next<double>(0.0);
}

KString KRyvFile::FieldReadC()
{
    std::string_view lText;
    // KString counts in int: a longer text is no text it could hold.
    if (!Cursor().TakeCounted(KRyvFieldValue::kText, lText) ||
        lText.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        mReadFailed = true;
        return KString("");
    }
    return KString(lText.data(), static_cast<int>(lText.size()));
}

bool KRyvFile::FieldReadR(std::vector<std::uint8_t>& oBytes)
{
    std::string_view lBytes;
    oBytes.clear();
    if (!Cursor().TakeCounted(KRyvFieldValue::kBytes, lBytes)) {
        mReadFailed = true;
        return false;
    }
    oBytes.assign(lBytes.begin(), lBytes.end());
    return true;
}

bool KRyvFile::FieldReadArray(std::vector<std::int32_t>& oValues)
{
    return NextArray(oValues);
}

bool KRyvFile::FieldReadArray(std::vector<std::int64_t>& oValues)
{
    return NextArray(oValues);
}

bool KRyvFile::FieldReadArray(std::vector<float>& oValues)
{
    return NextArray(oValues);
}

bool KRyvFile::FieldReadArray(std::vector<double>& oValues)
{
    return NextArray(oValues);
}

bool KRyvFile::FieldReadB(const char* pName, bool pDefault)
{
    if (!FieldReadBegin(pName)) {
        return pDefault;
    }
    const bool lValue = FieldReadB();
    FieldReadEnd();
    return lValue;
}

int KRyvFile::FieldReadI(const char* pName, int pDefault)
{
    if (!FieldReadBegin(pName)) {
        return pDefault;
    }
    const int lValue = FieldReadI();
    FieldReadEnd();
    return lValue;
}

std::int64_t KRyvFile::FieldReadL(const char* pName, std::int64_t pDefault)
{
    if (!FieldReadBegin(pName)) {
        return pDefault;
    }
    const std::int64_t lValue = FieldReadL();
    FieldReadEnd();
    return lValue;
}

double KRyvFile::FieldReadD(const char* pName, double pDefault)
{
    if (!FieldReadBegin(pName)) {
        return pDefault;
    }
    const double lValue = FieldReadD();
    FieldReadEnd();
    return lValue;
}

KString KRyvFile::FieldReadC(const char* pName, const char* pDefault)
{
    if (!FieldReadBegin(pName)) {
        return KString(pDefault);
    }
    const KString lValue = FieldReadC();
    FieldReadEnd();
    return lValue;
}
