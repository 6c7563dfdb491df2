// Reads an OBJ file through the installed kit and prints its node count: the formats must have
// registered themselves in a program that never names them.
#include <ryvkit.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KImporter* lImporter = lFactory.CreateImporter();
    if (!lImporter) {
        return 1;
    }
    lImporter->SetFileFormat(KFileFormatRegistry::Kit().GetImportFormatFromFileName(argv[1]));
    if (!lImporter->Initialize(argv[1])) {
        return 1;
    }
    std::unique_ptr<KStreamOptions> lOptions = lImporter->GetReadOptions();
    if (!lImporter->Import(&lScene, lOptions.get())) {
        return 1;
    }
    std::printf("nodes: %d\n", lScene.GetNodeCount());
    return 0;
}
