// ryvconvert: converts a scene or motion file into another format through the kit's
// importer and exporter, choosing each format by its file extension.
#include <cstdio>
#include <cstring>

#include "ryvkit.h"

namespace {

const char* const kUsage = "usage: ryvconvert INPUT OUTPUT | --help | --version\n";

void PrintHelp()
{
    std::printf("%s", kUsage);
    std::printf("\n"
                "Reads INPUT with the reader its extension names and writes OUTPUT with the\n"
                "writer its extension names. Warnings go to standard error.\n"
                "\n"
                "  --help     print this text\n"
                "  --version  print the kit's version\n"
                "\n"
                "Exit status: 0 on success, 1 when the conversion fails, 2 on wrong usage.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintHelp();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ryvconvert %s\n", RYV_VERSION);
        return 0;
    }
    std::fprintf(stderr, "%s", kUsage);
    if (argc == 3) {
        std::fprintf(stderr, "ryvconvert: no reader or writer is built for these file formats yet\n");
        return 1;
    }
    return 2;
}
