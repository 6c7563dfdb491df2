#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNNAMECHECKS_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNNAMECHECKS_H

#include "platform/vurn/MObject.h"

class KLog;
class KRyvNode;
class RyvVurnObjectFactory;

// The namespace checks of the export (the duplicate-name check is RyvVurnExporter's). They run
// after the host naming rules, warn in the log (and in a dialog when kExportShowUI is on) and
// never stop the export.

// Materials and textures whose names carry a namespace (a ':' after "Material::" or
// "Texture::"): every one logged, the last 40 shown.
void CheckMaterialNamespaces(RyvVurnObjectFactory& pFactory, KLog& ioLog);
// The first two children of pRoot that share a namespace draw one warning naming no node.
void CheckRootNamespaces(KLog& ioLog, KRyvNode* pRoot);
// True when the attribute's name has 3 characters or more, begins with "mi" and goes on with
// an upper-case letter (the host's own attributes, which are not exported).
bool HasMiPrefix(const MObject& pAttribute);

#endif
