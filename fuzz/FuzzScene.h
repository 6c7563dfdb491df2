#ifndef RYVKIT_FUZZ_FUZZSCENE_H
#define RYVKIT_FUZZ_FUZZSCENE_H

#include "io/KStreamOptions.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdlib>
#include <memory>

// The factory and scene a fuzz target reads its inputs into. A read that fails must leave them
// as it found them (each target checks what it can of that and aborts otherwise), so they serve
// the next input too; after a read that lands, the next input starts from new ones.
// Making them for every input took a third of its time, as most inputs are refused. Prepare,
// when given, fills each new scene before any input is read (aborting when it cannot) and
// answers the options that go with what it made.
class FuzzScene
{
public:
    using Prepare = std::unique_ptr<KStreamOptions> (*)(KRyvObjectFactory& ioFactory,
                                                        KRyvScene& ioScene);

    explicit FuzzScene(Prepare pPrepare = nullptr) : mPrepare(pPrepare) {}

    KRyvObjectFactory& Factory()
    {
        Make();
        return *mFactory;
    }
    KRyvScene& Scene()
    {
        Make();
        return *mScene;
    }
    // What Prepare answered for the current scene; null without Prepare.
    KStreamOptions* Prepared()
    {
        Make();
        return mPrepared.get();
    }
    // Runs pRead, which reads one input into the scene and answers whether the read landed; its
    // reader and options live and die inside it. After a failed read, aborts unless pUnchanged()
    // holds; after a landed one, the next input gets a new factory and scene.
    template <class TRead, class TUnchanged> void Read(TRead pRead, TUnchanged pUnchanged)
    {
        if (!pRead()) {
            if (!pUnchanged()) {
                std::abort();
            }
            return;
        }
        mPrepared.reset();
        mScene = nullptr;
        mFactory.reset();
    }

private:
    void Make()
    {
        if (mFactory) {
            return;
        }
        mFactory = std::make_unique<KRyvObjectFactory>();
        mScene = mFactory->CreateScene();
        if (!mScene) {
            std::abort();
        }
        if (mPrepare && !(mPrepared = mPrepare(*mFactory, *mScene))) {
            std::abort();
        }
    }

    Prepare mPrepare;
    std::unique_ptr<KRyvObjectFactory> mFactory;
    KRyvScene* mScene = nullptr;
    std::unique_ptr<KStreamOptions> mPrepared;
};

#endif
