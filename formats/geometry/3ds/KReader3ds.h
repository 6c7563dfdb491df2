#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_KREADER3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_KREADER3DS_H

#include "io/KReader.h"

#include <memory>
#include <string>

struct K3dsFileContent;
struct K3dsReadFlags;
class KStreamOptions3ds;

// Reads a 3DS mesh file into a scene through the 3DS chunk toolkit: materials with their
// texture maps, meshes, omni and spot lights, cameras with their targets, the ambient and
// background colours, and the keyframer animation in the take "default take" (frames at 30 per
// second). Axes: a file point (x, y, z) becomes (x, z, -y); lengths are multiplied by 2.54 with
// "Rescale" and by the file's master scale, unless "Create Reference Node" puts that scale on
// the node "Ryv_Root". A spot light is aimed at its target node "name.Target" (its hotspot is
// the light's cone angle).
//
// Every Read runs a toolkit run of its own and builds nothing into the scene until it has
// succeeded. Failures: no open file: kFileNotOpened; no option set or one of another class:
// kStreamOptionsNotSet; a file that is not a 3DS mesh file, or whose chunks are damaged:
// kFileCorrupted, with the file's name and the toolkit's reason as the error text. Damage the
// toolkit reads around becomes warnings in the message text.
class KReader3ds : public KReader
{
public:
    explicit KReader3ds(KRyvObjectFactory* pOwner);
    ~KReader3ds() override;

    bool FileClose() override;
    bool IsFileOpen() override { return mSource != nullptr; }
    // A KStreamOptions3ds with its defaults.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;
    bool Read(KRyvScene* pScene, KStreamOptions* pOptions) override;

    // The creator the format registry lists.
    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

protected:
    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;

private:
    bool ReadInto(KRyvScene& ioScene, KStreamOptions3ds& ioOptions);
    bool Load(K3dsFileContent& oContent, const K3dsReadFlags& pFlags);
    bool Fail(int pCode, const std::string& pWhy);

    std::unique_ptr<KByteSource> mSource;
};

#endif
