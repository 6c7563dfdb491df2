#ifndef RYVKIT_FUZZ_MOTIONREADERFUZZ_H
#define RYVKIT_FUZZ_MOTIONREADERFUZZ_H

#include "formats/motion/KStreamOptionsMotion.h"
#include "fuzz/FuzzScene.h"
#include "io/KReader.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// The body of the motion and optical readers' fuzz entry points: the input is read from
// memory, under the name pFileName, into a fresh scene with the options the reader derives from
// it (or the defaults when it derives none). Any answer is fine; a crash, a hang, a leak or a
// failed read that leaves nodes or an attached object (a skeleton) behind is not, and aborts.
inline int FuzzMotionReader(const uint8_t* pData, size_t pSize, const char* pFileName,
                            std::unique_ptr<KReader> (*pCreate)(KRyvObjectFactory*))
{
    static FuzzScene sScene;
    KRyvObjectFactory& lFactory = sScene.Factory();
    KRyvScene& lScene = sScene.Scene();
    const int lNodes = lFactory.GetNodeCount();
    bool lAttached = false;
    sScene.Read(
        [&] {
            std::unique_ptr<KReader> lReader = pCreate(&lFactory);
            if (!lReader || !lReader->MemoryOpen(pData, pSize, pFileName)) {
                return false;
            }
            std::unique_ptr<KStreamOptions> lOptions = lReader->GetReadOptions();
            if (!lOptions) {
                lOptions = KStreamOptionsMotion::Create();
            }
            const bool lRead = lOptions && lReader->Read(&lScene, lOptions.get());
            lAttached =
                lOptions && static_cast<KStreamOptionsMotion*>(lOptions.get())->GetAttachedObject();
            return lRead;
        },
        [&] {
            return lFactory.GetNodeCount() == lNodes &&
                   lScene.GetRootNode()->GetChildCount() == 0 && !lAttached;
        });
    return 0;
}

#endif
