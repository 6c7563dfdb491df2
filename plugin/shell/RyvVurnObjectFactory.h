#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNOBJECTFACTORY_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNOBJECTFACTORY_H

#include "plugin/shell/RyvVurnNode.h"
#include "scene/KRyvObjectFactory.h"

class KImageConverter;

// The plug-in's object factory: every node it makes is a RyvVurnNode. It keeps the host id it
// was made for and one image converter, made on first use. Destroying it destroys everything it
// made (the kit exporter included).
class RyvVurnObjectFactory : public KRyvObjectFactory
{
public:
    explicit RyvVurnObjectFactory(int pHostId);

    using KRyvObjectFactory::CreateNode;

    int GetHostId() const { return mHostId; }
    // A node named pName standing for pPath (null: no host object).
    RyvVurnNode* CreateNode(const char* pName, const MDagPath* pPath);
    // Every node made for a host object takes the host's short name as its name (after the
    // "Model::" prefix); the host's namespaces ("ns:") stay in it, for GetNamespace to find.
    void ApplyNameRules();
    KImageConverter* GetImageConverter();

protected:
    KRyvNode* NewNode(const char* pName) override;

private:
    int mHostId;
    KImageConverter* mImageConverter = nullptr;
};

#endif
