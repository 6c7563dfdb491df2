#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNSCENESERVICES_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNSCENESERVICES_H

class KRyvScene;
class RyvVurnObjectFactory;

// Registers the host's image readers, by file extension, in the factory's image converter, so
// that texture files can be read when they are converted. Answers the number registered.
int InstallImageReaders(RyvVurnObjectFactory& ioFactory);
// Adds the host's characters to pScene by name ("QARGetCharacterCount", then
// "QARGetCharacterName" for each); answers the number added. A failed query ends the walk. The
// links of the characters to the scene's nodes are not made here.
int ExportCharacters(KRyvScene* pScene);

#endif
