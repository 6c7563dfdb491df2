#ifndef RYVKIT_PLATFORM_VURN_MTIME_H
#define RYVKIT_PLATFORM_VURN_MTIME_H

// A time value with units. The store keeps times in seconds; frames are at kFramesPerSecond.
class MTime
{
public:
    enum Unit : int {
        kInvalid = 0,
        kHours = 1,
        kMinutes = 2,
        kSeconds = 3,
        kMilliseconds = 4,
        kFilm = 6,
    };
    static constexpr double kFramesPerSecond = 24.0;

    MTime() = default;
    MTime(double pValue, Unit pUnit = kSeconds);

    // The time in pUnit; 0 for an unknown unit.
    double as(Unit pUnit) const;
    double value() const { return mSeconds; }
    bool operator==(const MTime& pOther) const { return mSeconds == pOther.mSeconds; }
    bool operator<(const MTime& pOther) const { return mSeconds < pOther.mSeconds; }

private:
    // Seconds per pUnit; 0 for an unknown unit.
    static double SecondsPer(Unit pUnit);

    double mSeconds = 0.0;
};

// Angles: the host keeps them in radians (internal unit code 1).
class MAngle
{
public:
    enum Unit : int {
        kInvalid = 0,
        kRadians = 1,
        kDegrees = 2,
    };
    static Unit internalUnit() { return kRadians; }
};

// Distances: the host keeps them in centimetres (internal unit code 6).
class MDistance
{
public:
    enum Unit : int {
        kInvalid = 0,
        kCentimeters = 6,
    };
    static Unit internalUnit() { return kCentimeters; }
};

#endif
