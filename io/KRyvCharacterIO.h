#ifndef RYVKIT_IO_KRYVCHARACTERIO_H
#define RYVKIT_IO_KRYVCHARACTERIO_H

#include "core/KString.h"

#include <functional>

class KRyvActor;
class KRyvCharacter;
class KRyvFile;
class KRyvMarkerSet;
class KRyvNode;

// Characters (links, control set with its links, effectors and auxiliary effectors, solver
// parameters), marker sets and actors in RYV records. Nodes are stored by name; a reader
// resolves them through a look-up of the nodes read before (a name it cannot find leaves the
// slot empty). The effector flags are stored under their own names (SHOW, TACTIVE, RACTIVE,
// CANDIDATE_TACTIVE, CANDIDATE_RACTIVE), actor scales under NODESCALE and marker offsets under
// ORIENTED, TOFFSETX/Y/Z and ROFFSETX/Y/Z.
namespace KRyvCharacterIO {

using NodeLookup = std::function<KRyvNode*(const KString& pName)>;

// The members of the character; its property block and takes are written beside them.
void WriteCharacter(KRyvFile& ioFile, const KRyvCharacter& pCharacter);
void ReadCharacter(KRyvFile& ioFile, KRyvCharacter& ioCharacter, const NodeLookup& pLookup);

void WriteMarkerSet(KRyvFile& ioFile, const KRyvMarkerSet& pMarkerSet);
void ReadMarkerSet(KRyvFile& ioFile, KRyvMarkerSet& ioMarkerSet, const NodeLookup& pLookup);

void WriteActor(KRyvFile& ioFile, const KRyvActor& pActor);
// The actor's scales; the name of its marker set in oMarkerSet.
void ReadActor(KRyvFile& ioFile, KRyvActor& ioActor, KString& oMarkerSet);

} // namespace KRyvCharacterIO

#endif
