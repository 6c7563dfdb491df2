#ifndef RYVKIT_PLATFORM_VURN_VURNSCENE_H
#define RYVKIT_PLATFORM_VURN_VURNSCENE_H

#include "platform/vurn/MMatrix.h"
#include "platform/vurn/MTransformationMatrix.h"
#include "platform/vurn/VurnPayloads.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The scene store behind the host-interface stand-in: one in-memory host scene that the M...
// classes read and change. The plug-in runs and is tested against it in place of the host.
//
// Rules the store fixes, which every class of the stand-in follows:
// 1. Types. A node, attribute, data object or component has a leaf type code (MFn.h) and the
//    ancestry of VurnTypeTable; hasFn(t) is true for every code of the ancestry. Joint (120) and
//    look-at group (111) are transforms (109); light kinds 297, 299, 302, 303, 304 and 859 are
//    lights (296); skin (665), clusters (338, 340), blend shape (330) and wrap (714) are
//    geometry filters; phong is a reflect shader, which is a lambert shader; 721 and 722 are
//    compound attributes of three numeric (548) children, which the numeric attribute function
//    set takes too (unit type 12 or 15). 275 is a camera sub-kind: it is a
//    camera (244) too, so a caller testing 244 first takes 275 cameras with the others (the
//    export's dispatch tests 244 first: its 275 branch is never reached).
// 2. A transform path answers for its shape: MDagPath::hasFn on a transform path is true for
//    the transform's ancestry and for that of its first child shape that is not intermediate;
//    apiType answers that shape's type when there is one.
// 3. Spaces: 1 transform, 2 object, 4 world (MSpace). Object and transform space answer the
//    stored value; world space needs a DAG path.
// 4. Units: times in seconds (MTime unit 3); angles in radians (MAngle unit 1); set restriction
//    5 shading group; attribute class 2 dynamic; numeric unit types as MFnNumericData; MStatus
//    0 success, 1 failure.
// 5. Orders: MItDag walks depth first, a parent before its children, children in insertion
//    order, and visits a node once for every path to it (instancing). MItDependencyNodes goes
//    in creation order. Array plug elements go by ascending logical index.
// 6. Tangents: MFnAnimCurve::getTangent answers (x, y), x in seconds and y in value units.
//    Fixed tangents are kept as given; the curve computes the others (VurnAnimCurveData),
//    with x the whole interval to the neighbour on that side (the default weight x / (3 dt)
//    is then 1/3).
//    evaluate: Hermite for fixed, smooth, flat, clamped, slow and fast (slow and fast as
//    smooth); a straight line when a key's out type and the next key's in type are linear;
//    a step holds the key's value. On a weighted curve a curved segment is the Bezier of the
//    keys and their tangents' thirds (x / 3, y / 3), so tangent lengths shape it.
// 7. A transform's matrix is composed in the one order of MTransformationMatrix.h:
//    Sp^-1 * S * Sp * St * Rp^-1 * Ro * R * Jo * Rp * Rt * T (row vectors). MFnTransform::
//    transformation, "worldMatrix" (the product along the path, local first) and a joint's bind
//    matrix (its "bindPose" when set, else its world matrix) all use it. The rotate axis is the
//    rotate orientation Ro (Euler XYZ); joint orient Jo (Euler XYZ) exists on joints only.
//    Along a path, a joint under a joint whose "segmentScaleCompensate" is on (the default)
//    takes the inverse of the parent's scale IS just before its T: ... Rp * Rt * IS * T.
// 8. Names are unique among DAG siblings and among dependency nodes; a clash gets the lowest
//    free number appended. A full path is "|a|b"; the world (id 0) has the full path "" and is
//    the parent of top-level nodes. A node with several parents is instanced; its instance
//    number is the index of a path among all its paths in walk order.
// 9. Every change (node creation and deletion, value, connection, membership, keys) and every
//    command text is recorded in order; VurnSnapshot compares whole scenes.
// 10. Values flow through connections: a connected destination plug answers its source's
//    value, not one stored on it. An animation curve's "output" answers the curve at the
//    current time; a shape's geometry output ("outMesh", "local") answers the shape itself as
//    geometry (MPlug::getValue gives the shape node, which the mesh and NURBS function sets
//    take); a deformer's "outputGeometry[i]" answers its "input[i].inputGeometry". Chains are
//    followed up to kMaxConnectionDepth steps (a cycle answers no value).
// 11. Scripted failures, so that every fallback of the plug-in can be reached: a command whose
//    first word is in mFailingCalls fails ("jointDisplayScale"), as does the creation of a
//    node type through a function set when "create <type name>" is there ("create phong");
//    getAttr and setAttr fail on any plug of a node in mFailingNodes.
// 12. Spaces in the export: mesh normals are read in object space (code 2), like the points of
//    a function set made on a shape object without a DAG path and like NURBS control points:
//    the kit node above the geometry carries the transform, so world-space normals would be
//    turned twice. Code 2 is this store's object space, whatever a caller's text calls it.
// 13. Renaming to a taken name appends the lowest free number (as creation does) instead of
//    failing; MFnDependencyNode::setName answers the name the node got.
//
// The store is process-wide, as the host's scene is; VurnScene::Reset starts a new empty scene.
// Ids are indices that are never reused within one scene. Operations on a dead or unknown id
// answer false, -1 or an empty value.

// A value held by a plug.
struct VurnValue
{
    enum Kind : int { kNone, kNumber, kText, kMatrix, kData, kGeometry };

    Kind mKind = kNone;
    double mNumber = 0.0;
    std::string mText;
    MMatrix mMatrix;
    // A data object id for kData; the shape node whose geometry flows for kGeometry.
    int mData = -1;

    static VurnValue Number(double pValue);
    static VurnValue Text(const std::string& pText);
    static VurnValue Matrix(const MMatrix& pMatrix);
    static VurnValue Data(int pData);
    static VurnValue Geometry(int pShape);
    std::string Describe() const;
};

// Kinds of attribute.
enum class VurnAttributeKind : int { kNumeric, kCompound, kText, kMatrix, kMessage, kData };

// An attribute definition, static (of a type) or dynamic (of one node).
struct VurnAttribute
{
    std::string mName;
    std::string mShortName;
    VurnAttributeKind mKind = VurnAttributeKind::kNumeric;
    int mApiType = 0;
    // MFnNumericData type of numeric attributes and compound ones of three children.
    int mUnitType = 0;
    bool mArray = false;
    bool mUsedAsColor = false;
    bool mDynamic = false;
    int mParent = -1;
    std::vector<int> mChildren;
    double mDefault = 0.0;
    // A matrix attribute that answers the identity until it is set ("geomMatrix").
    bool mIdentityDefault = false;
    bool mHasSoftMin = false;
    bool mHasSoftMax = false;
    double mSoftMin = 0.0;
    double mSoftMax = 0.0;
};

// A plug's address on its node: attribute ids from the top attribute down, each with its
// logical index (-1 for an attribute that is not an array, or an array plug as a whole).
using VurnPlugPath = std::vector<std::pair<int, int>>;

struct VurnConnection
{
    int mSourceNode = -1;
    VurnPlugPath mSource;
    int mDestinationNode = -1;
    VurnPlugPath mDestination;
};

// A DAG path: node ids from the top-level node down (the world not included).
using VurnPath = std::vector<int>;

struct VurnNode
{
    int mType = 0;
    std::string mName;
    bool mAlive = true;
    bool mIntermediate = false;
    std::vector<int> mDynamicAttributes;
    std::vector<int> mParents;
    std::vector<int> mChildren;
    std::map<VurnPlugPath, VurnValue> mValues;
    // Existing array elements, each the path down to and including its logical index.
    std::set<VurnPlugPath> mElements;
    std::shared_ptr<VurnMeshData> mMesh;
    std::shared_ptr<VurnNurbsData> mNurbs;
    std::shared_ptr<VurnAnimCurveData> mCurve;
    std::shared_ptr<VurnSetData> mSet;
    std::shared_ptr<VurnBlendShapeData> mBlendShape;
};

// A data object (mesh or NURBS geometry outside a node).
struct VurnDataObject
{
    int mType = 0;
    std::shared_ptr<VurnMeshData> mMesh;
    std::shared_ptr<VurnNurbsData> mNurbs;
};

// A component: single-indexed elements (mFirst) or double-indexed (mFirst, mSecond), or the
// complete range of mCompleteCount elements.
struct VurnComponent
{
    int mType = 0;
    std::vector<int> mFirst;
    std::vector<int> mSecond;
    bool mComplete = false;
    int mCompleteCount = 0;
};

// One item of the active selection.
struct VurnSelectionItem
{
    VurnPath mPath;
    int mComponent = -1;
};

class VurnScene
{
public:
    static constexpr int kWorld = 0;
    static constexpr double kDefaultJointDisplayScale = 1.0;
    static constexpr int kMaxConnectionDepth = 64;

    // The current scene; a fresh empty one after Reset.
    static VurnScene& Get();
    static void Reset();

    VurnScene();

    // Nodes. A DAG node goes under pParent (the world by default); a dependency node ignores it.
    // -1 for an unknown type or a pParent that is not a live DAG node.
    int CreateNode(int pType, const std::string& pName, int pParent = kWorld);
    // Deletes the node, the DAG children that have no other parent, and their connections.
    bool DeleteNode(int pNode);
    bool IsAlive(int pNode) const;
    bool IsDagNode(int pNode) const;
    const VurnNode* Node(int pNode) const;
    VurnNode* MutableNode(int pNode);
    int NodeCount() const { return static_cast<int>(mNodes.size()); }
    // The live node of that full path ("|a|b") or name; -1 when none, and when more than one
    // node has the name (DAG siblings only are unique: a path tells such nodes apart).
    int FindNode(const std::string& pName) const;
    // The ids of the nodes created with type pType (not its subtypes), in creation order, deleted
    // ones included.
    std::vector<int> NodesOfType(int pType) const;
    bool Rename(int pNode, const std::string& pName);
    void SetIntermediate(int pNode, bool pIntermediate);

    // Instancing: pChild gets pParent as a further parent. False for a cycle or a repeat.
    bool AddParent(int pChild, int pParent);
    // Every path to pNode in walk order (one per instance); empty for the world.
    std::vector<VurnPath> PathsTo(int pNode) const;
    std::string FullPathName(const VurnPath& pPath) const;

    // Attributes.
    const VurnAttribute* Attribute(int pAttribute) const;
    // The node's attributes: its types' static ones, base type first, then the dynamic ones.
    std::vector<int> NodeAttributes(int pNode) const;
    // The attribute of that long or short name; -1 when none.
    int FindAttribute(int pNode, const std::string& pName) const;
    // Adds a static attribute of pType (with its children); its id.
    int AddStaticAttribute(int pType, VurnAttribute pAttribute,
                           const std::vector<VurnAttribute>& pChildren = {});
    // Adds a dynamic attribute (and its children, given in pChildren) to the node; -1 on a clash.
    int AddDynamicAttribute(int pNode, VurnAttribute pAttribute,
                            const std::vector<VurnAttribute>& pChildren = {});

    // Plug paths. Parses "attr", "attr[3]", "wl[3].weights[5]", "color.colorR"; false for an
    // unknown name, a bad index or a child that does not belong to its parent.
    bool ParsePlugPath(int pNode, const std::string& pText, VurnPlugPath& oPath) const;
    std::string PlugPathText(const VurnPlugPath& pPath) const;

    // Values. GetValue answers the set value, a computed one ("worldMatrix") or the numeric
    // default; false for a plug that has no value.
    bool GetValue(int pNode, const VurnPlugPath& pPath, VurnValue& oValue) const;
    bool SetValue(int pNode, const VurnPlugPath& pPath, const VurnValue& pValue);
    bool GetNumber(int pNode, const std::string& pPlug, double& oValue) const;
    bool SetNumber(int pNode, const std::string& pPlug, double pValue);
    // Sorted logical indices of the existing elements of the array plug pArray (whose last
    // logical index is -1).
    std::vector<int> LogicalIndices(int pNode, const VurnPlugPath& pArray) const;
    void AddElement(int pNode, const VurnPlugPath& pPath);

    // Connections.
    bool Connect(int pSourceNode, const VurnPlugPath& pSource, int pDestinationNode,
                 const VurnPlugPath& pDestination);
    bool Connect(int pSourceNode, const std::string& pSource, int pDestinationNode,
                 const std::string& pDestination);
    // Removes the connection into pDestination; false when there is none.
    bool Disconnect(int pDestinationNode, const VurnPlugPath& pDestination);
    // Every connection, in connection order.
    std::vector<VurnConnection> Connections() const;
    // The connections with pNode at either end, in connection order.
    std::vector<VurnConnection> ConnectionsOf(int pNode) const;
    // The connection into pDestination; false when it is not connected.
    bool SourceOf(int pDestinationNode, const VurnPlugPath& pDestination,
                  VurnConnection& oConnection) const;

    // Geometry and other contents.
    int CreateData(int pType);
    VurnDataObject* Data(int pData);
    int CreateComponent(const VurnComponent& pComponent);
    const VurnComponent* Component(int pComponent) const;
    VurnComponent* MutableComponent(int pComponent);
    // Records a change of a node's structured contents (keys, geometry, members).
    void Touch(int pNode, const std::string& pWhat);

    // The transform parts of a transform node from its plugs; false for other nodes.
    bool Transformation(int pNode, MTransformationMatrix& oMatrix) const;
    // The product of the transformations along pPath, local first; a joint whose
    // "segmentScaleCompensate" is on cancels its parent joint's scale (design rule 7).
    MMatrix WorldMatrix(const VurnPath& pPath) const;

    // Globals.
    std::vector<VurnSelectionItem> mSelection;
    double mCurrentTime = 0.0;
    double mMinTime = 0.0;
    double mMaxTime = 0.0;
    double mJointDisplayScale = kDefaultJointDisplayScale;
    // Answers a test scripted for commands by their first word ("confirmDialog",
    // "QARGetCharacterName"), taken in order; see VurnCommandInterpreter.
    std::map<std::string, std::vector<std::string>> mScriptedAnswers;
    // Images the host can read, by file name: RGBA pixels row by row (see MImage).
    struct Image
    {
        unsigned int mWidth = 0;
        unsigned int mHeight = 0;
        std::vector<unsigned char> mPixels;
    };
    std::map<std::string, Image> mImages;
    // Scripted failures (design rule 11).
    std::set<std::string> mFailingCalls;
    std::set<int> mFailingNodes;
    bool Fails(const std::string& pCall) const { return mFailingCalls.count(pCall) > 0; }

    // Records.
    void RecordMutation(const std::string& pText);
    void RecordCommand(const std::string& pText);
    void RecordError(const std::string& pText);
    const std::vector<std::string>& GetMutations() const { return mMutations; }
    const std::vector<std::string>& GetCommands() const { return mCommands; }
    const std::vector<std::string>& GetErrorLines() const { return mErrors; }

private:
    std::string UniqueName(const std::string& pName, int pParent, bool pDag) const;
    bool NameTaken(const std::string& pName, int pParent, bool pDag, int pExcept) const;
    // The name index: the scopes a node's name lives in (its DAG parents, or kDependencyScope).
    std::vector<int> NameScopes(int pNode) const;
    void IndexName(int pNode);
    void UnindexName(int pNode);
    void CollectPaths(int pNode, std::vector<VurnPath>& ioOut) const;
    bool IsAncestor(int pAncestor, int pNode) const;
    void DetachNode(int pNode);
    int FindNodeByPath(const std::string& pPath) const;
    bool ComputedValue(int pNode, const VurnPlugPath& pPath, VurnValue& oValue) const;
    bool ValueAt(int pNode, const VurnPlugPath& pPath, VurnValue& oValue, int pDepth) const;
    bool SourcedValue(const VurnConnection& pConnection, VurnValue& oValue, int pDepth) const;
    // Removes the connection of that serial number from the connections and their indices.
    void RemoveConnection(std::uint64_t pSerial);
    // True when an array attribute above the plug's last has no element selected.
    bool HasUnselectedAncestor(const VurnPlugPath& pPath) const;
    int FindChildAttribute(int pParent, const std::string& pName) const;
    MVector Vector3(int pNode, const char* pX, const char* pY, const char* pZ) const;
    bool CompensatesParentScale(int pNode, int pParent) const;
    // pNode's matrix below pParent (the world, or the node before it on a path).
    MMatrix LocalMatrix(int pNode, int pParent) const;

    std::vector<VurnNode> mNodes;
    // Live nodes by (scope, name): names are unique per scope, so looking one up costs no walk
    // over a large scene's siblings.
    static constexpr int kDependencyScope = -1;
    std::map<std::pair<int, std::string>, std::vector<int>> mNames;
    // Live nodes by name alone, whatever their scope, and every node by its type.
    std::map<std::string, std::set<int>> mNamedNodes;
    std::map<int, std::vector<int>> mTypeNodes;
    std::vector<VurnAttribute> mAttributes;
    std::map<int, std::vector<int>> mTypeAttributes;
    // Connections by serial number, which rises with every connection made: removing one costs
    // what it touches, not a rebuild of the indices over the whole scene.
    std::map<std::uint64_t, VurnConnection> mConnections;
    std::uint64_t mNextConnection = 0;
    // Serial numbers by node at either end, and by destination plug.
    std::map<int, std::set<std::uint64_t>> mNodeConnections;
    std::map<std::pair<int, VurnPlugPath>, std::uint64_t> mDestinations;
    std::vector<VurnDataObject> mData;
    std::vector<VurnComponent> mComponents;
    std::vector<std::string> mMutations;
    std::vector<std::string> mCommands;
    std::vector<std::string> mErrors;
};

#endif
