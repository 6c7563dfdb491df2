#include "ryvfile/KRyvFile.h"

// The read side of KRyvFile's field operations: a stack of entered records, each with its
// cursors over values and children. Nothing here trusts the tree's shape: every step checks
// that the value or child it wants is there.

bool KRyvFile::FieldReadBegin(const char* pName)
{
    Level& lLevel = Top();
    KRyvFieldRecord* lFound = lLevel.mRecord->FindChild(pName, lLevel.mNextChild);
    if (!lFound) {
        return false;
    }
    for (int i = lLevel.mNextChild; i < lLevel.mRecord->GetChildCount(); ++i) {
        if (lLevel.mRecord->GetChild(i) == lFound) {
            lLevel.mNextChild = i + 1;
            break;
        }
    }
    mLevels.push_back(Level{lFound});
    return true;
}

bool KRyvFile::FieldReadBeginNext()
{
    Level& lLevel = Top();
    KRyvFieldRecord* lNext = lLevel.mRecord->GetChild(lLevel.mNextChild);
    if (!lNext) {
        return false;
    }
    ++lLevel.mNextChild;
    mLevels.push_back(Level{lNext});
    return true;
}

void KRyvFile::FieldReadEnd()
{
    if (mLevels.size() > 1) {
        mLevels.pop_back();
    }
}

const char* KRyvFile::FieldReadName() const
{
    return Top().mRecord->GetName().c_str();
}

int KRyvFile::FieldReadCount(const char* pName) const
{
    return Top().mRecord->CountChildren(pName);
}

int KRyvFile::FieldReadValuesLeft() const
{
    return static_cast<int>(Top().mRecord->GetValues().size() - Top().mNextValue);
}

int KRyvFile::FieldReadPeekKind() const
{
    const std::vector<KRyvFieldValue>& lValues = Top().mRecord->GetValues();
    return Top().mNextValue < lValues.size() ? lValues[Top().mNextValue].GetKind() : 0;
}

template <typename T> T* KRyvFile::Next()
{
    std::vector<KRyvFieldValue>& lValues = Top().mRecord->GetValues();
    T* lValue = Top().mNextValue < lValues.size() ? lValues[Top().mNextValue].Get<T>() : nullptr;
    if (!lValue) {
        mReadFailed = true;
        return nullptr;
    }
    ++Top().mNextValue;
    return lValue;
}

template <typename T> bool KRyvFile::NextArray(std::vector<T>& oValues)
{
    std::vector<T>* lArray = Next<std::vector<T>>();
    oValues.clear();
    if (lArray) {
        oValues.swap(*lArray);
    }
    return lArray != nullptr;
}

bool KRyvFile::FieldReadB()
{
    const bool* lValue = Next<bool>();
    return lValue && *lValue;
}

int KRyvFile::FieldReadI()
{
    const std::int32_t* lValue = Next<std::int32_t>();
    return lValue ? *lValue : 0;
}

std::int64_t KRyvFile::FieldReadL()
{
    const std::int64_t* lValue = Next<std::int64_t>();
    return lValue ? *lValue : 0;
}

float KRyvFile::FieldReadF()
{
    const float* lValue = Next<float>();
    return lValue ? *lValue : 0.0f;
}

double KRyvFile::FieldReadD()
{
    const double* lValue = Next<double>();
    return lValue ? *lValue : 0.0;
}

KString KRyvFile::FieldReadC()
{
    const std::string* lValue = Next<std::string>();
    return lValue ? KString(lValue->data(), static_cast<int>(lValue->size())) : KString("");
}

bool KRyvFile::FieldReadR(std::vector<std::uint8_t>& oBytes)
{
    return NextArray(oBytes);
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
