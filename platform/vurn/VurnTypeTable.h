#ifndef RYVKIT_PLATFORM_VURN_VURNTYPETABLE_H
#define RYVKIT_PLATFORM_VURN_VURNTYPETABLE_H

class VurnScene;

// The type ancestry of the stand-in and the static attributes of each node type.
class VurnTypeTable
{
public:
    // The parent type of pType; 0 for a root type or an unknown one.
    static int Parent(int pType);
    // True when pAncestor is pType or one of its ancestors.
    static bool IsA(int pType, int pAncestor);
    static bool IsKnown(int pType);
    // The type's name ("transform", "mesh", ...); "" for an unknown type.
    static const char* Name(int pType);
    // The plug of a transform limit type's value (its flag is the name + "Enable"); null for a
    // type outside 0-5 and 12-23.
    static const char* LimitPlugName(int pType);
    // Registers the static attributes of every node type in pScene.
    static void RegisterAttributes(VurnScene& ioScene);
};

#endif
