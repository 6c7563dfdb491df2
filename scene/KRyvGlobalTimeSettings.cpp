#include "scene/KRyvGlobalTimeSettings.h"

namespace {

const char* const kTimeSettingsErrors[KRyvGlobalTimeSettings::kErrorCount] = {
    "Index out of range."};

} // namespace

KRyvGlobalTimeSettings::KRyvGlobalTimeSettings() : mError(kTimeSettingsErrors, kErrorCount) {}

int KRyvGlobalTimeSettings::GetTimeMode() const
{
    if (mTimeMode != 0) {
        return mTimeMode;
    }
    const int lGlobal = KTime::GetGlobalTimeMode();
    return lGlobal != 0 ? lGlobal : kDefaultTimeMode;
}

int KRyvGlobalTimeSettings::GetTimeProtocol() const
{
    if (mTimeProtocol != KTime::kProtocolDefault) {
        return mTimeProtocol;
    }
    const int lGlobal = KTime::GetGlobalTimeProtocol();
    return lGlobal != KTime::kProtocolDefault ? lGlobal : kDefaultTimeProtocol;
}

void KRyvGlobalTimeSettings::AddTimeMarker(const KRyvTimeMarker& pMarker)
{
    mTimeMarkers.push_back(std::make_unique<KRyvTimeMarker>(pMarker));
}

KRyvTimeMarker* KRyvGlobalTimeSettings::GetTimeMarker(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetTimeMarkerCount()) {
        mError.SetLastErrorID(kIndexOutOfRange);
        return nullptr;
    }
    return mTimeMarkers[static_cast<std::size_t>(pIndex)].get();
}

bool KRyvGlobalTimeSettings::SetCurrentTimeMarker(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetTimeMarkerCount()) {
        mError.SetLastErrorID(kIndexOutOfRange);
        return false;
    }
    mCurrentTimeMarker = pIndex;
    return true;
}

void KRyvGlobalTimeSettings::RemoveAllTimeMarkers()
{
    mTimeMarkers.clear();
    mCurrentTimeMarker = -1;
}

void KRyvGlobalTimeSettings::Reset()
{
    mTimeMode = kDefaultTimeMode;
    mTimeProtocol = kDefaultTimeProtocol;
    mSnapOnFrames = 0;
    RemoveAllTimeMarkers();
}
