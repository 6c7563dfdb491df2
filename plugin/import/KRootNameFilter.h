#ifndef RYVKIT_PLUGIN_IMPORT_KROOTNAMEFILTER_H
#define RYVKIT_PLUGIN_IMPORT_KROOTNAMEFILTER_H

#include "core/KString.h"

class KRyvNode;

// Recognises the extra root nodes the plug-in adds to carry a master scale: nodes whose name
// contains the root name "Ryv_Root". Subclasses may recognise more through IsRootNodeByTest.
class KRootNameFilter
{
public:
    static constexpr const char* kRootName = "Ryv_Root";

    KRootNameFilter() : mRootName(kRootName) {}
    virtual ~KRootNameFilter() = default;

    // True when pNode's name contains the root name, else the subclass's test; false for null.
    bool IsRootNode(const KRyvNode* pNode) const;
    KString GetRootName() const { return mRootName; }

protected:
    // The further test; none in the base.
    virtual bool IsRootNodeByTest(const KRyvNode* /*pNode*/) const { return false; }

private:
    KString mRootName;
};

#endif
