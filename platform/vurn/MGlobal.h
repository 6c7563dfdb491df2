#ifndef RYVKIT_PLATFORM_VURN_MGLOBAL_H
#define RYVKIT_PLATFORM_VURN_MGLOBAL_H

#include "platform/vurn/MArrays.h"
#include "platform/vurn/MSelectionList.h"

// The host's global services: commands (see VurnCommandInterpreter for the language), the
// active selection, set membership and the message lines. A result of the wrong kind for the
// command (a text where a number is asked) is a failure.
class MGlobal
{
public:
    static MStatus executeCommand(const MString& pCommand, bool pDisplay = false,
                                  bool pUndoable = false);
    static MStatus executeCommand(const MString& pCommand, int& oResult, bool pDisplay = false,
                                  bool pUndoable = false);
    static MStatus executeCommand(const MString& pCommand, double& oResult, bool pDisplay = false,
                                  bool pUndoable = false);
    static MStatus executeCommand(const MString& pCommand, MDoubleArray& oResult,
                                  bool pDisplay = false, bool pUndoable = false);
    static MStatus executeCommand(const MString& pCommand, MString& oResult, bool pDisplay = false,
                                  bool pUndoable = false);

    static MStatus getActiveSelectionList(MSelectionList& oList);
    static MStatus setActiveSelectionList(const MSelectionList& pList);
    // The sets (in creation order) that hold any item of pList, by path or by node.
    static MStatus getAssociatedSets(const MSelectionList& pList, MObjectArray& oSets);

    // Message lines, recorded with the prefixes "Error: ", "Warning: " and "Info: ".
    static void displayError(const MString& pText);
    static void displayWarning(const MString& pText);
    static void displayInfo(const MString& pText);
};

#endif
