#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KASFFILE_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KASFFILE_H

#include "formats/motion/KTextFile.h"
#include "formats/motion/asf-amc/KAsfBoneDepths.h"

#include <string>

class KAsfBone;
class KRyvAsfScene;

// An ASF skeleton file, read into and written from a KRyvAsfScene. Based on KTextFile with the
// format name "ASF", separators space, tab, comma, '(', ')', CR and LF, the comment character '#'
// and case-sensitive names. Keywords and the words of DOF lists and rotation orders compare
// without regard to case, and always as whole words ("end_effector" is a bone name, not "end").
//
// Sections may come in any order, but bone data and the hierarchy need the root before them.
// Units apply wherever their section stands: lengths are converted once the file is read. The
// angle unit applies to the root's orientation, the bones' axes and the AMC values.
//
// Read fails, with a message naming file and line (GetLastError), on: no root section, a second
// one, bone data or hierarchy before it, a bone block without name, direction or length, a bone
// named "root", a length that is not finite (in the file, or in centimetres once the length unit
// divides it: the message gives the line of the length), an unknown rotation order, a seventh DOF,
// limits that cannot be read, an unknown bone in the hierarchy, a hierarchy line that would make a
// bone its own ancestor or the tree deeper than KRyvAsfScene::kMaxDepth (each refused at that
// line, in near constant time a line: KAsfBoneDepths), and a corrupt file (KTextFile). Everything
// else is a warning, and the read goes on.
class KAsfFile : public KTextFile
{
public:
    // Names, and the words the file is made of, hold at most this many characters.
    static constexpr std::size_t kMaxNameLength = 1023;
    // The skeleton name the file keeps when ":name" has no word.
    static constexpr const char* kUntitled = "Untitled";

    explicit KAsfFile(bool pReporting = false);
    ~KAsfFile() override = default;

    // Reads the whole open file into a scene that has no bones yet. With pCollapse, bones without
    // DOFs are merged into their children. False on the errors above; the caller discards the
    // scene then.
    bool Read(KRyvAsfScene* pScene, bool pCollapse);
    // Writes the scene; false when a write failed (WriteFailed) or the scene has no root bone.
    bool Write(const KRyvAsfScene& pScene);

    // The file's word of a rotation order index ("xyz" for any index it does not know).
    static const char* WordOfOrder(int pOrderIndex);
    // The file's word of a DOF code; null for the codes that are not written.
    static const char* WordOfDof(int pCode);

    // Characters that separate the words of both files of the pair; "#" starts a comment.
    static constexpr const char* kSeparators = " \t,()\r\n";
    static constexpr const char* kComments = "#";
    // Messages of both files quote at most this many characters of file text.
    static constexpr std::size_t kQuoteLength = 40;
    // pText with its ASCII letters in lower case: the keywords of both files ignore case.
    static std::string Lower(std::string pText);
    // The start of pText that messages quote (kQuoteLength characters).
    static std::string Quote(const std::string& pText);

private:
    bool IsSectionLine() const;
    // Reads the next line; true when it is content that is no section line.
    bool NextSectionContent();
    // The next word, lower-cased for keyword tests; false at the end of the line.
    bool ReadToken(std::string& oWord);
    bool ReadSection(const std::string& pKeyword);
    bool SkipToSection();
    bool ReadVersion();
    bool ReadName();
    void ReadUnitTokens();
    bool ReadUnits();
    bool SkipSkin();
    bool ReadRoot();
    bool ReadRootToken(KAsfBone& ioRoot, const std::string& pToken);
    bool ReadBoneData();
    bool ReadBone();
    bool ReadBoneToken(KAsfBone& ioBone, const std::string& pToken, bool oSeen[3]);
    bool ReadAxis(KAsfBone& ioBone, bool pRoot);
    bool ReadDofs(KAsfBone& ioBone, bool pRoot);
    bool ReadLimits(const KAsfBone& pBone);
    bool ReadHierarchy();
    bool ReadHierarchyLine();
    bool Finish(bool pCollapse);

    bool WriteHeader();
    bool WriteRoot();
    bool WriteBone(const KAsfBone& pBone, int pId);
    bool WriteHierarchy();

    KRyvAsfScene* mScene = nullptr;
    const KRyvAsfScene* mWritten = nullptr;
    // The depths the hierarchy lines of the current read give the bones.
    KAsfBoneDepths mDepths;
    bool mRootSeen = false;
};

#endif
