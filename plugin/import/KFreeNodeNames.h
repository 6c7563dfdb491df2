#ifndef RYVKIT_PLUGIN_IMPORT_KFREENODENAMES_H
#define RYVKIT_PLUGIN_IMPORT_KFREENODENAMES_H

#include <string>
#include <unordered_set>

class KRyvObjectFactory;

// Hands out node names (without the "Model::" prefix) that no node of a factory has yet: the
// name asked for, or with the lowest number appended that is free ("Ryv_Root1", "arm__Pre_2").
// Nodes that get a second name in one file would clash there. Gathering the names costs one
// pass over the factory's nodes; each name handed out is taken from then on.
class KFreeNodeNames
{
public:
    explicit KFreeNodeNames(const KRyvObjectFactory& pFactory);

    std::string Take(const std::string& pName);

private:
    std::unordered_set<std::string> mTaken;
};

#endif
