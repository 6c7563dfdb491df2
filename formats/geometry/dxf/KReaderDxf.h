#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KREADERDXF_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KREADERDXF_H

#include "core/KString.h"
#include "io/KReader.h"

#include <memory>
#include <string>
#include <vector>

struct KDxfNodePlan;
class KStreamOptionsDxf;
class KRyvMaterial;
class KRyvNode;

// Reads the geometry of an ASCII DXF drawing into a scene (see KDxfDrawing for what is read
// and how). Layers' colours become materials "Material<n>" by colour number; nodes hang below
// "<file>_root" when option 1 is on. Every Read starts from fresh state and builds the scene
// only once the whole file has been read, so a failed read adds nothing to the scene.
//
// Failures: no open file: kFileNotOpened (a source that is not a regular file or holds binary
// data is refused when it is opened); no option set or one of another class:
// kStreamOptionsNotSet; a binary DXF, a zero byte, a group code that is not a number, a file
// that ends inside a section or an entity: kFileCorrupted with "file:line: why" as the error
// text and in the message text. Warnings ("file:line: what") go into the message text.
class KReaderDxf : public KReader
{
public:
    explicit KReaderDxf(KRyvObjectFactory* pOwner);
    ~KReaderDxf() override;

    bool FileClose() override;
    bool IsFileOpen() override { return mSource != nullptr; }
    // A KStreamOptionsDxf with its defaults.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;
    bool Read(KRyvScene* pScene, KStreamOptions* pOptions) override;

    // The creator the format registry lists.
    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

protected:
    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;

private:
    class Builder;
    // Reads the whole file into the plans of the nodes to make; false (with the error set) when
    // the file is refused. Warnings go into the message text.
    bool Plan(int pMode, bool pWeld, KStreamOptionsDxf& ioOptions,
              std::vector<std::unique_ptr<KDxfNodePlan>>& oNodes);
    bool Fail(int pCode, const std::string& pWhy);

    std::unique_ptr<KByteSource> mSource;
};

#endif
