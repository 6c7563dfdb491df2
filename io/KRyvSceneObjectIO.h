#ifndef RYVKIT_IO_KRYVSCENEOBJECTIO_H
#define RYVKIT_IO_KRYVSCENEOBJECTIO_H

#include "io/KRyvGeometryIO.h"

class KRyvFile;
class KRyvGobo;
class KRyvMaterial;
class KRyvNode;
class KRyvNodeAttribute;
class KRyvPose;
class KRyvScene;
class KRyvTexture;
class KRyvThumbnail;
class KObject;
class KRyvVideo;

// The members of scene objects that are not properties, in RYV records: node attributes with
// their geometry, materials, textures, video clips, gobos, poses and the scene's global
// settings. Property blocks and takes are written beside them by the RYV writer. The file keys
// are the names the objects' own documentation gives ("ShadingModel", "Cropping", ...).
namespace KRyvSceneObjectIO {

// The attribute's kind as it is stored ("Mesh", "Camera", ...); null for an unknown kind.
const char* GetAttributeKindText(int pAttributeType);

// A fresh attribute of that kind (a value of KRyvNodeAttribute::GetAttributeType) made through
// the factory, as a reader makes it; null for a kind the format does not make.
KRyvNodeAttribute* MakeAttribute(int pKind, KRyvObjectFactory& ioFactory);
// The property set of an attribute; null when it has no properties.
KObject* AttributeSet(KRyvNodeAttribute& ioAttribute);

// An "Attribute" record: kind, property block, then the members of the kind (the optional
// parts as pParts says).
void WriteAttribute(KRyvFile& ioFile, KRyvNodeAttribute& ioAttribute, KRyvObjectFactory& ioFactory,
                    const KRyvAttributeParts& pParts);
// Makes the attribute of the "Attribute" record (entered) through the factory and gives it to
// the node. False for an unknown kind or damaged members.
bool ReadAttribute(KRyvFile& ioFile, KRyvNode& ioNode, const KRyvGeometryContext& pContext,
                   const std::vector<KRyvGobo*>& pGobos);

// A "Thumbnail" record: int32 format, int32 size, the pixels as raw bytes; nothing for an image
// without pixels. Reading takes a record whose byte count is the one its format and size give,
// and leaves oThumbnail unchanged (false) otherwise.
void WriteThumbnail(KRyvFile& ioFile, const KRyvThumbnail& pThumbnail);
bool ReadThumbnail(KRyvFile& ioFile, KRyvThumbnail& oThumbnail);

void WriteMaterial(KRyvFile& ioFile, const KRyvMaterial& pMaterial);
void ReadMaterial(KRyvFile& ioFile, KRyvMaterial& ioMaterial);
void WriteTexture(KRyvFile& ioFile, const KRyvTexture& pTexture);
// oVideoName: the name of the texture's video clip, connected by the caller once read.
void ReadTexture(KRyvFile& ioFile, KRyvTexture& ioTexture, KString& oVideoName);
void WriteVideo(KRyvFile& ioFile, const KRyvVideo& pVideo);
void ReadVideo(KRyvFile& ioFile, KRyvVideo& ioVideo);
void WriteGobo(KRyvFile& ioFile, const KRyvGobo& pGobo);
void ReadGobo(KRyvFile& ioFile, KRyvGobo& ioGobo);
void WritePose(KRyvFile& ioFile, const KRyvPose& pPose);
bool ReadPoseEntries(KRyvFile& ioFile, KRyvPose& ioPose);

// A "GlobalSettings" record: light (ambient, fog, shadows and planes), camera (default camera
// and viewing mode) and time (mode, protocol, snapping, markers).
void WriteGlobalSettings(KRyvFile& ioFile, KRyvScene& ioScene);
void ReadGlobalSettings(KRyvFile& ioFile, KRyvScene& ioScene);

} // namespace KRyvSceneObjectIO

#endif
