#ifndef RYVKIT_PLATFORM_VURN_VURNSNAPSHOT_H
#define RYVKIT_PLATFORM_VURN_VURNSNAPSHOT_H

#include <map>
#include <string>
#include <vector>

// The whole state of the current scene as key/value lines, so that a test can check that an
// operation left the host scene as it found it, and if not, what it changed: nodes, names,
// types, parents and children, flags, dynamic attributes, plug values, connections, geometry,
// keys, set members, blend-shape targets, data objects, selection and times.
class VurnSnapshot
{
public:
    // Takes the current scene's state.
    static VurnSnapshot Take();

    // One line per difference: "changed <key>: <before> -> <after>" and "removed <key>:
    // <value>" in key order, then "added <key>: <value>" in key order. Empty when the states
    // are equal. A numeric plug set back to its default counts as never set.
    std::vector<std::string> Diff(const VurnSnapshot& pAfter) const;
    const std::map<std::string, std::string>& Lines() const { return mLines; }

private:
    void TakeNodes();
    void TakeGlobals();

    std::map<std::string, std::string> mLines;
};

#endif
