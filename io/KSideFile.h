#ifndef RYVKIT_IO_KSIDEFILE_H
#define RYVKIT_IO_KSIDEFILE_H

#include <string>

// Where the files a write makes beside its main output go: an OBJ file's material library and
// textures, the textures of a 3DS file, the ASF skeleton of an AMC motion. They go in the folder
// of the output as it was named, never in the one a link of that name leads to, and are named
// from the output's own name: the user who names "n.obj" finds "n.mtl" beside it. The file
// system's one separator is '/': a '\\' belongs to the name ("a\\b.obj" gives "a\\b.mtl" in
// the current folder).
//
// An output that is a device or a pipe (through a link too) has no folder to share: nothing goes
// beside it (HasPlaceBeside). A writer whose side file holds part of the scene then refuses the
// write rather than lose that part; one that only copies a file that stays where it is (a
// texture) leaves the copy out.
class KSideFile
{
public:
    // pName in the folder of pOutput as named (the current folder when it names none).
    static std::string GetPathBeside(const std::string& pOutput, const std::string& pName);
    // The side file of pOutput: its path with pOwnExtension at the end of the name (in any letter
    // case, the rest of the name kept as it is) replaced by pExtension, or pExtension appended
    // when the name ends otherwise. Never pOutput itself when the extensions differ.
    static std::string GetPath(const std::string& pOutput, const char* pOwnExtension,
                               const char* pExtension);
    // The part of pPath after its last '/'.
    static std::string GetName(const std::string& pPath);
    // False when pOutput names, through links, a device, a pipe or a socket: no file goes beside
    // it. True when nothing is there, or a regular file or a folder (which the output's own
    // write then refuses, naming it).
    static bool HasPlaceBeside(const char* pOutput);
};

#endif
