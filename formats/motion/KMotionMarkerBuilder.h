#ifndef RYVKIT_FORMATS_MOTION_KMOTIONMARKERBUILDER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONMARKERBUILDER_H

#include "core/KString.h"
#include "core/KTime.h"

#include <string>
#include <vector>

class KFCurve;
class KReadRollback;
class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;
class KStreamOptionsMotion;

// The scene side of the readers of the six-degree-of-freedom tables (BRD, MOV, VPM): a reference
// node carrying an optical reference attribute, one optical-marker node per sensor or object
// below it, each with a take of its own, and the take's information once the read is whole.
// Every object goes through the read's rollback, so a failed read leaves the factory as it was.
// The factory and the rollback are not owned and must outlive the builder.
class KMotionMarkerBuilder
{
public:
    // The option that names the reference node "<format>:optical" instead of
    // "<format>:reference".
    static constexpr int kOptionOpticalName = 4;

    KMotionMarkerBuilder(KRyvObjectFactory& ioFactory, KReadRollback& ioRollback,
                         const char* pTakeName);

    // The take name of a file: its name without folder and extension ("walk.brd" gives "walk").
    static KString TakeNameOf(const std::string& pFileName);

    // The reference node of pFormatName (option 4 chooses the name), marked for export; null
    // when it cannot be made. Its optical reference attribute keeps it out of the markers.
    KRyvNode* CreateReference(const char* pFormatName, const KStreamOptionsMotion& pOptions);
    // A node named pName below pReference, with an optical marker attribute (its occlusion
    // channel included), marked for export, with the take added and current. Null when any of
    // it cannot be made.
    KRyvNode* CreateMarker(KRyvNode* pReference, const char* pName);

    // The times of keys 0 to pFrames - 1: the options' start plus whole frame periods.
    static std::vector<KTime> KeyTimes(const KStreamOptionsMotion& pOptions, int pFrames);
    // The same grown in place: ioTimes, which holds the first keys' times already, gets those up
    // to key pFrames - 1, so that a read computes each time once for all its nodes.
    static void ExtendKeyTimes(const KStreamOptionsMotion& pOptions, int pFrames,
                               std::vector<KTime>& ioTimes);

    // Sets key pIndex of a curve inside its key set batch: pInterpolation (cubic or constant),
    // auto tangents, weights 1/3, velocities 0. False, nothing set, for a value beyond single
    // precision or an index the batch does not hold.
    static bool SetKey(KFCurve* pCurve, int pIndex, KTime pTime, double pValue, int pInterpolation);

    // The reference node joins the scene's root; the take gets its information over
    // [start, start + (pFrames - 1) periods] (just the start for no frame); a time mode other
    // than 0 in the options becomes the scene's. Without markers there is no take, and only the
    // node joins. False when the node or the take cannot join (the rollback then undoes them).
    bool JoinScene(KRyvScene& ioScene, KRyvNode* pReference, const KStreamOptionsMotion& pOptions,
                   int pFrames);
    // The last step of the read: commits the rollback and makes the joined take (if any)
    // current.
    void Commit(KRyvScene& ioScene);

private:
    KRyvObjectFactory& mFactory;
    KReadRollback& mRollback;
    KString mTakeName;
    bool mTakeJoined = false;
};

#endif
