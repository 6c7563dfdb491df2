#ifndef RYVKIT_CORE_KIMAGECONVERTER_H
#define RYVKIT_CORE_KIMAGECONVERTER_H

#include "core/KImage.h"
#include "core/KString.h"

#include <functional>
#include <vector>

class KRyvObjectFactory;

// The image converter: it keeps the object factory that made it (not owned), a work image of its
// own and a table of image readers by file extension. Writing images out needs an image library
// the kit does not use yet, so no conversion is offered here.
class KImageConverter
{
public:
    // Reads a file into an image; false when it cannot.
    using ReaderFunction = std::function<bool(const char* pFileName, KImage& oImage)>;

    explicit KImageConverter(KRyvObjectFactory* pFactory);

    KRyvObjectFactory* GetFactory() const { return mFactory; }
    KImage& GetImage() { return mImage; }
    const KImage& GetImage() const { return mImage; }

    // Registers the reader of an extension (without '.', any case), replacing an earlier one.
    // False for an empty extension or an empty reader.
    bool RegisterReader(const char* pExtension, ReaderFunction pReader);
    // The reader of a file name's extension (any case); null when none is registered.
    const ReaderFunction* FindReader(const char* pFileName) const;
    int GetReaderCount() const { return static_cast<int>(mReaders.size()); }

private:
    struct ReaderEntry
    {
        KString mExtension;
        ReaderFunction mReader;
    };

    KRyvObjectFactory* mFactory;
    KImage mImage;
    std::vector<ReaderEntry> mReaders;
};

#endif
