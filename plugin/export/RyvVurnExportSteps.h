#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTSTEPS_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTSTEPS_H

#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MFnDagNode.h"

class KLog;

// Small steps of the host export that need no exporter.

// The host visibility of the function set's object: true unless a "getAttr" query says
// otherwise; a visible shape under a hidden transform counts as hidden (one level up only).
bool GetHostVisibility(const MFnDagNode& pDagNode);
// Asks (or, with kExportShowUI off, decides) what to do when the bind pose of pPath's object
// cannot be read; "Yes" clears ioAbort, otherwise it stays as the caller set it. Logs the
// question's outcome and an empty line.
void AskBindPoseFallback(const MDagPath& pPath, bool& ioAbort, KLog& ioLog);

#endif
