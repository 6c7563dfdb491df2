#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFLAYERNAMES_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFLAYERNAMES_H

#include <string>
#include <string_view>
#include <unordered_map>

// The layer names of one drawing the writer makes from node names, each one every DXF reader
// takes and none equal to another: the characters DXF forbids in table names (< > / \ " : ; ?
// * | = ` and the control characters) and blanks at either end (which readers trim) become
// '_', an empty name becomes "_", and a name that equals an earlier one once letter case is set
// aside (as table names compare) gets the first number after it that makes it free ("Arm",
// "ARM" give "Arm", "ARM1").
class KDxfLayerNames
{
public:
    // The layer name for pNodeName, distinct from every name this object answered before.
    std::string Add(std::string_view pNodeName);

    // A name as DXF table names compare: ASCII letters in lower case, other bytes as they are.
    static std::string Key(std::string_view pName);

private:
    // pName with the characters no table name may hold replaced as above; not made unique.
    static std::string Valid(std::string_view pName);

    // Key of every name answered -> the next number to try after it.
    std::unordered_map<std::string, int> mNextNumber;
};

#endif
