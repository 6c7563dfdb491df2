#ifndef RYVKIT_SCENE_OBJECTS_KRYVGEOMETRY_H
#define RYVKIT_SCENE_OBJECTS_KRYVGEOMETRY_H

#include "core/KError.h"
#include "core/KMatrix.h"
#include "core/KString.h"
#include "scene/KRyvGeometryPivot.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <vector>

class KFCurve;
class KFCurveNode;
class KRyvLink;
class KRyvTakeNode;

// Abstract base of the attributes that carry a deformable surface (mesh 4, NURBS 5, patch 6):
// the layer container's points and layers plus skin links, shapes (blend targets, each a plain
// KRyvLayerContainer with a unique name and a weight channel in every take of the attached
// node) and a pivot matrix (identity at construction).
//
// The geometry owns its links and shapes: it destroys them when it is destroyed or replaces
// them by copies (CopyLinks, CopyShapes). A geometry made by a factory makes its copies there and
// hands its links and shapes back to it (DestroyLink, DestroyLayerContainer), so they must come
// from that factory; one without a factory uses new and delete. RemoveAllLinks and
// RemoveAllShapes only empty the lists, handing ownership back to the caller.
//
// Failures set GetError() to a code of EError and answer -1, null, 0.0 or false.
class KRyvGeometry : public KRyvLayerContainer,
                     public KRyvControlPointSource,
                     public KRyvGeometryPivot
{
public:
    enum EError : int {
        kParameterOutOfRange = 0,
        kParameterIsNull = 1,
        kMaterialNotFound = 2,
        kMaterialAlreadyAdded = 3,
        kTextureNotFound = 4,
        kTextureAlreadyAdded = 5,
        kShapeAlreadyAdded = 6,
        kShapeNameInvalid = 7,
        kShapeNameAlreadyUsed = 8,
        kNoShapeCurveFound = 9,
        kErrorCount = 10,
    };

    // Number of entries of the shape-curve colour palette.
    static constexpr int kShapePaletteSize = 20;

    explicit KRyvGeometry(KRyvObjectFactory* pFactory);
    // Deletes the links and the shapes.
    ~KRyvGeometry() override;

    // Layers and control points, links (copies), shapes (copies under the same names) and the
    // pivot. Connection owner and node binding are not copied; self-assignment changes nothing.
    KRyvGeometry& operator=(const KRyvGeometry& pOther);

    KError& GetError() { return mError; }

    // Control points through the limits' interface.
    using KRyvLayerContainer::GetControlPoints;
    int GetControlPointCount() const override { return KRyvLayerContainer::GetControlPointCount(); }
    const KVector4* GetControlPoints() const override
    {
        return KRyvLayerContainer::GetControlPoints();
    }

    // Node binding ----------------------------------------------------------------------------
    // Attaches (creating every shape's channel in every take), then makes the node's scene
    // entity the connection owner of each shape (creating its node property) and of itself.
    void SetNode(KRyvNode* pNode) override;
    // Gives back the geometry's and the shapes' material and texture uses, then detaches
    // (deleting the shape channels).
    void UnsetNode() override;
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override;
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override;

    // Materials and textures: the container's operations, setting the error on failure.
    int AddTexture(KRyvTexture* pTexture, int pLayer = 0) override;
    KRyvTexture* GetTexture(int pIndex, int pLayer = 0) override;
    int GetTextureIndex(const char* pName, int pLayer = 0) override;
    int AddMaterial(KRyvMaterial* pMaterial, int pLayer = 0) override;
    KRyvMaterial* GetMaterial(int pIndex, int pLayer = 0) override;
    int GetMaterialIndex(const char* pName, int pLayer = 0) override;

    // Links -----------------------------------------------------------------------------------
    // Appends the link (ownership passes to the geometry; not checked); returns its index.
    int AddLink(KRyvLink* pLink);
    int GetLinkCount() const { return static_cast<int>(mLinks.size()); }
    // Null with kParameterOutOfRange outside 0..count-1.
    KRyvLink* GetLink(int pIndex);
    // Empties the list without deleting the links; the caller owns them now.
    void RemoveAllLinks();
    // Deletes the own links, then appends a copy of each of the other's.
    void CopyLinks(const KRyvGeometry& pOther);

    // Shapes ----------------------------------------------------------------------------------
    // Appends a shape under a name and returns its index. On success the geometry owns the
    // shape; on failure (-1) the caller still does. Refused: null (kParameterIsNull), a shape
    // already in the list (kShapeAlreadyAdded), a name that is null or blank
    // (kShapeNameInvalid), a name in use (kShapeNameAlreadyUsed).
    int AddShape(KRyvLayerContainer* pShape, const char* pName);
    int GetShapeCount() const { return static_cast<int>(mShapes.size()); }
    // Null with kParameterOutOfRange outside 0..count-1.
    KRyvLayerContainer* GetShape(int pIndex);
    const char* GetShapeName(int pIndex);
    // The child of the take's curve node named as the shape; null when absent, with
    // kParameterOutOfRange for a bad index or kParameterIsNull for a null take.
    KFCurveNode* FindShapeCurveNode(KRyvTakeNode* pTake, int pIndex);
    // That child's curve, or null with kNoShapeCurveFound.
    KFCurve* GetShapeChannel(KRyvTakeNode* pTake, int pIndex);
    // The default value of the shape's curve in the node's take "Default" (single precision);
    // 0.0 when detached, 0.0 with kNoShapeCurveFound when there is no curve.
    double GetShapeValue(int pIndex);
    // Finds or creates the shape's channel (one curve, palette colour of index modulo 20).
    bool AddShapeChannel(KRyvTakeNode* pTake, int pIndex);
    // Deletes the shape's channel; false when absent.
    bool RemoveShapeChannel(KRyvTakeNode* pTake, int pIndex);
    // When attached and the node's property block has no property of the name: creates an
    // animatable user property of data type "Shape" with value 0.0.
    void CreateShapeProperty(const char* pName);
    // Removes every shape's channel from every take, gives back each shape's material and
    // texture uses and empties the shape lists. The shapes are not deleted: the caller owns them.
    void RemoveAllShapes();
    // Deletes the own shapes (after RemoveAllShapes), then adds a copy of each of the other's
    // under the same name.
    void CopyShapes(const KRyvGeometry& pOther);

    // Shape names in files --------------------------------------------------------------------
    // After a take has been read (not for a mesh): moves each shape's file channel (name +
    // " (Shape)", else "Shape %02d (Shape)") into the channel named as the shape, or renames it
    // to the shape's name when that channel is absent.
    void MergeFileShapeChannels(KRyvTakeNode* pTake);
    // Before a take is written: saves the names, renames the shapes and their channels to the
    // file forms (a mesh keeps its shape names; other geometries use "Shape %02d").
    void PrepareShapeChannelsForWrite(KRyvTakeNode* pTake);
    // After a take has been written: brings back the saved names.
    void RestoreShapeChannels(KRyvTakeNode* pTake);
    void ClearSavedShapeNames();
    // pName + " (Shape)".
    static KString GetShapeChannelName(const char* pName);
    // "Shape %02d (Shape)" with pIndex + 1.
    static KString GetNumberedShapeChannelName(int pIndex);
    // "Shape %02d" with pIndex + 1.
    static KString GetNumberedShapeName(int pIndex);
    // The curve colour of shape pIndex (palette entry pIndex modulo 20; negative gives entry 0).
    static void GetShapePaletteColor(int pIndex, float oRgb[3]);

    // Pivot -----------------------------------------------------------------------------------
    KMatrix& GetPivot(KMatrix& oPivot) const override;
    void SetPivot(const KMatrix& pPivot) override;
    void CopyPivot(const KRyvGeometry& pOther);
    // Transforms the control points by the whole pivot (w kept) and layer 0's direct normals by
    // its rotation without scale; the pivot itself does not change.
    void ApplyPivot();

protected:
    KRyvGeometry(const KRyvGeometry&) = delete;

private:
    const KString* ShapeNameAt(int pIndex);
    void DeleteLinks();
    void DeleteShapes(std::vector<KRyvLayerContainer*>& ioShapes);
    KRyvSceneEntity* NodeSceneEntity() const;

    std::vector<KRyvLink*> mLinks;
    std::vector<KRyvLayerContainer*> mShapes;
    std::vector<KString> mShapeNames;
    std::vector<KString> mSavedOldNames;
    std::vector<KString> mSavedFileShapeNames;
    std::vector<KString> mSavedFileChannelNames;
    KMatrix mPivot;
    KError mError;
};

#endif
