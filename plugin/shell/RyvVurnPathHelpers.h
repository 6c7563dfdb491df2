#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNPATHHELPERS_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNPATHHELPERS_H

#include "core/KString.h"
#include "platform/vurn/MDagPath.h"

class KRyvNode;

// Helpers between host DAG paths, their names and the kit nodes made for them.

// Depth first from pNode, children last to first: the first kit node (a RyvVurnNode) whose DAG
// path, or the path of one of whose host children, equals pPath; null when none.
KRyvNode* FindNodeByDagPath(KRyvNode* pNode, const MDagPath& pPath);
// The full path with " / " for every "|"; beyond kDisplayNameLimit characters the first 87,
// " ... " and the last 88. Empty for null.
KString GetDagPathDisplayName(const MDagPath* pPath);
constexpr int kDisplayNameLimit = 180;
// A copy of pText with every "|" replaced by " / ".
KString ReplacePathSeparators(const char* pText);
// The part of pText from the first pFirst (included) up to the next pSecond (excluded), or to
// the end when there is none; empty when pFirst does not occur.
KString ExtractFromCharToChar(const char* pText, char pFirst, char pSecond);
// True for the host's default cameras and their shapes: persp, top, front, side.
bool IsDefaultCameraName(const char* pName);

#endif
