#ifndef RYVKIT_PLATFORM_VURN_MSELECTIONLIST_H
#define RYVKIT_PLATFORM_VURN_MSELECTIONLIST_H

#include "platform/vurn/MDagPath.h"

#include <vector>

// A list of selected items: DAG paths with an optional component, or dependency nodes.
class MSelectionList
{
public:
    MStatus add(const MDagPath& pPath, const MObject& pComponent = MObject::kNullObj);
    MStatus add(const MObject& pNode);
    // Adds the node of that name or full path; failure when there is none.
    MStatus add(const MString& pName);
    unsigned int length() const { return static_cast<unsigned int>(mItems.size()); }
    void clear() { mItems.clear(); }
    // With a null component: true when the path is in the list (with or without a component).
    // With a component: true when the path is listed whole or with that component.
    bool hasItem(const MDagPath& pPath, const MObject& pComponent = MObject::kNullObj) const;
    bool hasItem(const MObject& pNode) const;
    MStatus getDagPath(unsigned int pIndex, MDagPath& oPath, MObject& oComponent) const;
    MStatus getDagPath(unsigned int pIndex, MDagPath& oPath) const;
    MStatus getDependNode(unsigned int pIndex, MObject& oNode) const;

private:
    struct Item
    {
        MDagPath mPath;
        MObject mNode;
        MObject mComponent;
    };
    std::vector<Item> mItems;
};

// Walks a selection list's items; with the component filter (518) only the items that carry a
// component, else the items whose node has the filter type (kInvalid: all).
class MItSelectionList
{
public:
    explicit MItSelectionList(const MSelectionList& pList, MFn::Type pFilter = MFn::kInvalid,
                              MStatus* oStatus = nullptr);

    MStatus getDagPath(MDagPath& oPath, MObject& oComponent) const;
    MStatus getDagPath(MDagPath& oPath) const;
    MStatus getDependNode(MObject& oNode) const;
    MStatus next();
    bool isDone() const { return mPosition >= mIndices.size(); }
    MStatus reset();

private:
    MSelectionList mList;
    std::vector<unsigned int> mIndices;
    size_t mPosition = 0;
};

#endif
