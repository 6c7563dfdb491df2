#ifndef RYVKIT_RYVFILE_KRYVFILE_H
#define RYVKIT_RYVFILE_KRYVFILE_H

#include "core/KDocumentInfo.h"
#include "core/KError.h"
#include "core/KString.h"
#include "ryvfile/KRyvBodyHoles.h"
#include "ryvfile/KRyvContainer.h"
#include "ryvfile/KRyvFieldRecord.h"
#include "ryvfile/KRyvRecordCursor.h"
#include "ryvfile/KRyvRecordWriter.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

class KRyvStream;

// An array of a RYV body where it lies: mCount little-endian elements from mElements (not
// aligned), valid while the file stays open.
template <typename T> struct KRyvArrayView
{
    const std::uint8_t* mElements = nullptr;
    std::size_t mCount = 0;

    T operator[](std::size_t pIndex) const
    {
        return KRyvByteOrder::GetLE<T>(mElements + pIndex * sizeof(T));
    }
};

// What the header extension of a RYV file records besides the body: the program that wrote it,
// when (year, month, day, hour, minute, second, millisecond) and the document information.
struct KRyvHeaderExtension
{
    static constexpr int kTimeStampFields = 7;

    KString mCreator;
    int mTimeStamp[kTimeStampFields] = {};
    bool mHasDocumentInfo = false;
    KDocumentInfo mDocumentInfo;
};

// An open RYV file. Every RYV reader and writer goes through its field operations.
//
// Writing: Create, then FieldWriteBegin / values / FieldWriteEnd to build a tree of field
// records, then Save (the whole file is framed, sealed when a password is given, and written in
// one pass).
// Reading: Open (reads the stream to its end and checks the frame: magic, version, sizes,
// CRC-32, footer), then ReadBody with the password (opens the body in place, checks that its
// records are well formed and takes out the header extension), then FieldReadBegin / values /
// FieldReadEnd. Reads go straight to the body's bytes: no record is copied out of them until a
// value is asked for, and an array is copied once, into the caller's storage. Given a stream that
// stays open, the large arrays of a plain binary body are not held at all: they are read from
// the stream when asked for (by pieces with FieldReadArrayPieces).
//
// A typed read that finds no value of its kind answers a default and marks the file as failed
// (FieldReadFailed), so a reader checks once per section instead of after every value; no
// content of the file can make a field operation read outside the tree.
class KRyvFile
{
public:
    // 0 to 5 are the codes of the reader table, so a reader can take them over as they are.
    // kNoError is what the steps of a write answer when they succeed.
    enum EError : int {
        kNoError = -1,
        kFileCorrupted = 0,
        kVersionNotSupportedYet = 1,
        kVersionNotSupportedAnymore = 2,
        kFileNotOpened = 3,
        kFileNotCreated = 4,
        kWrongPassword = 5,
        kOutOfDiskSpace = 6,
        kUnidentifiedError = 7,
        kErrorCount = 8
    };

    // Files larger than this are refused as corrupted before anything is allocated for them.
    static constexpr std::size_t kMaxFileSize = std::size_t(1) << 40;

    KRyvFile();
    KRyvFile(const KRyvFile&) = delete;
    KRyvFile& operator=(const KRyvFile&) = delete;

    // Reading ---------------------------------------------------------------------------------
    // pStreamStays: ioStream stays open and unmoved until Close (or the next Open), so that the
    // large arrays of a plain binary file are left in it (KRyvBodyHoles) and read from it when
    // asked for; otherwise every byte is read now.
    bool Open(KRyvStream& ioStream, bool pStreamStays = false);
    // Reads the file through a KByteSource (a directory or a device is "File not opened").
    bool OpenFile(const char* pFileName);
    bool IsOpen() const { return mOpen; }
    const KRyvFileHeader& GetHeader() const { return mHeader; }
    bool IsPasswordProtected() const { return mHeader.mProtected; }
    // Opens the body; kWrongPassword when the password does not open a protected body,
    // kFileCorrupted (message with the line for ASCII) when the records are malformed or the
    // header extension is missing. The file bytes stay until Close, so that a read can be tried
    // again (with another password) or repeated; each call starts from the top of the body. A
    // protected body is opened in place, once: after that only the password that opened it reads
    // it again. An ASCII body is decoded once into binary records, which take the text's place.
    bool ReadBody(const char* pPassword);
    const KRyvHeaderExtension& GetHeaderExtension() const { return mExtension; }

    // Writing ---------------------------------------------------------------------------------
    // Starts an empty tree for a file of that version and form; a null or empty password writes
    // an unprotected file. ASCII files are never protected: the password is ignored.
    void Create(int pVersion, bool pAscii, const char* pPassword);
    void SetHeaderExtension(const KRyvHeaderExtension& pExtension) { mExtension = pExtension; }
    // Frames and writes the tree. SaveFile writes through a KOutputFile: the target is replaced
    // only by a whole file. kUnidentifiedError when the tree cannot be encoded (a bad
    // record name, a record over 4 GiB), kOutOfDiskSpace when the stream refuses bytes.
    bool Save(KRyvStream& ioStream);
    bool SaveFile(const char* pFileName);
    // Drops the tree and the bytes.
    void Close();

    // Streamed writing: after Create and SetHeaderExtension, StartStream hands the header
    // extension and then every field write to ioWriter as it comes, instead of building the tree
    // (so Save has nothing to write); EndStream goes back to the tree. ioWriter must outlive the
    // stream; its error says whether the records were taken.
    void StartStream(KRyvRecordWriter& ioWriter);
    void EndStream() { mWriter = nullptr; }
    const KRyvFileHeader& GetCreatedHeader() const { return mHeader; }
    const char* GetCreatedPassword() const { return mPassword.Buffer(); }

    // Field writes ------------------------------------------------------------------------------
    void FieldWriteBegin(const char* pName);
    // An End without its Begin does nothing.
    void FieldWriteEnd();
    void FieldWriteB(bool pValue) { Add(pValue); }
    void FieldWriteI(int pValue) { Add(static_cast<std::int32_t>(pValue)); }
    void FieldWriteL(std::int64_t pValue) { Add(pValue); }
    void FieldWriteF(float pValue) { Add(pValue); }
    void FieldWriteD(double pValue) { Add(pValue); }
    void FieldWriteC(const char* pValue) { AddText(pValue); }
    void FieldWriteC(const KString& pValue) { FieldWriteC(pValue.Buffer()); }
    void FieldWriteR(const void* pBytes, std::size_t pSize);
    void FieldWriteArray(std::vector<std::int32_t> pValues) { AddArray(std::move(pValues)); }
    void FieldWriteArray(std::vector<std::int64_t> pValues) { AddArray(std::move(pValues)); }
    void FieldWriteArray(std::vector<float> pValues) { AddArray(std::move(pValues)); }
    void FieldWriteArray(std::vector<double> pValues) { AddArray(std::move(pValues)); }
    // An array straight from the caller's memory (int32, int64, float or double elements).
    template <typename T> void FieldWriteArray(const T* pValues, std::size_t pCount)
    {
        if (mWriter) {
            mWriter->PutArray(pValues, pCount);
        } else {
            Top().mRecord->AddValue(std::vector<T>(pValues, pValues + pCount));
        }
    }
    // An array whose element i is pElement(i) (a T), made as it is written: no array of the whole
    // is built while streaming.
    template <typename T, typename Element>
    void FieldWriteArrayOf(std::size_t pCount, Element pElement)
    {
        if (mWriter) {
            mWriter->PutArrayOf<T>(pCount, pElement);
            return;
        }
        std::vector<T> lValues;
        lValues.reserve(pCount);
        for (std::size_t i = 0; i < pCount; ++i) {
            lValues.push_back(pElement(i));
        }
        Top().mRecord->AddValue(std::move(lValues));
    }
    // A record holding one value.
    void FieldWriteB(const char* pName, bool pValue);
    void FieldWriteI(const char* pName, int pValue);
    void FieldWriteL(const char* pName, std::int64_t pValue);
    void FieldWriteD(const char* pName, double pValue);
    void FieldWriteC(const char* pName, const char* pValue);
    void FieldWriteC(const char* pName, const KString& pValue)
    {
        FieldWriteC(pName, pValue.Buffer());
    }

    // Field reads -------------------------------------------------------------------------------
    // Enters the next child of the current record named pName, searching forward from the last
    // child entered: records are read in the order they were written, and a loop over
    // FieldReadBegin always ends. False when there is none.
    bool FieldReadBegin(const char* pName);
    // Enters the next child in order, whatever its name; false after the last.
    bool FieldReadBeginNext();
    // Leaves the current record; at the top it does nothing.
    void FieldReadEnd();
    // Back to the top of the body, as ReadBody leaves it, so that a caller can look at a record
    // ahead of the reading proper.
    void FieldReadRewind();
    // The current record's name ("" at the top), valid until the next field read.
    const char* FieldReadName() const;
    // Children of the current record named pName.
    int FieldReadCount(const char* pName) const;
    // Values of the current record not yet read.
    int FieldReadValuesLeft() const;
    // The kind of the next value (KRyvFieldValue::EKind), 0 when none is left.
    int FieldReadPeekKind() const;
    bool FieldReadB();
    int FieldReadI();
    std::int64_t FieldReadL();
    float FieldReadF();
    double FieldReadD();
    KString FieldReadC();
    // The arrays and raw bytes, copied into oValues (sized exactly; emptied when the next value
    // is of another kind).
    bool FieldReadR(std::vector<std::uint8_t>& oBytes);
    bool FieldReadArray(std::vector<std::int32_t>& oValues);
    bool FieldReadArray(std::vector<std::int64_t>& oValues);
    bool FieldReadArray(std::vector<float>& oValues);
    bool FieldReadArray(std::vector<double>& oValues);
    // The next array of T where it lies, for a caller that copies it straight into its own
    // storage: its element count, and each element through FieldArrayElement. False (failure
    // marked) when the next value is not an array of T.
    template <typename T> bool FieldReadArrayView(KRyvArrayView<T>& oView);
    // The next array of T handed to pPiece(view, first element, element count of the whole) in
    // pieces of whole groups of pGroup elements, in order: one piece when the array is in
    // memory, else pieces read from the stream into one reused buffer, so the array never takes
    // its size in memory twice. False (failure marked) as FieldReadArrayView, when the stream
    // cannot give the bytes, or when pPiece answers false.
    template <typename T, typename Piece>
    bool FieldReadArrayPieces(std::size_t pGroup, Piece pPiece);
    // The first value of the child named pName; pDefault (and no failure) when there is none.
    bool FieldReadB(const char* pName, bool pDefault);
    int FieldReadI(const char* pName, int pDefault);
    std::int64_t FieldReadL(const char* pName, std::int64_t pDefault);
    double FieldReadD(const char* pName, double pDefault);
    KString FieldReadC(const char* pName, const char* pDefault);
    // True once a typed read found no value of its kind.
    bool FieldReadFailed() const { return mReadFailed; }
    void MarkFieldReadFailed() { mReadFailed = true; }

    KError& GetError() { return mError; }
    const KError& GetError() const { return mError; }

private:
    // A record being written.
    struct Level
    {
        KRyvFieldRecord* mRecord;
    };

    template <typename T> void Add(T pValue)
    {
        if (mWriter) {
            mWriter->Put(pValue);
        } else {
            Top().mRecord->AddValue(std::move(pValue));
        }
    }
    template <typename T> void AddArray(std::vector<T>&& ioValues)
    {
        if (mWriter) {
            mWriter->PutArray(ioValues.data(), ioValues.size());
        } else {
            Top().mRecord->AddValue(std::move(ioValues));
        }
    }
    void AddText(const char* pText);
    // The next value when it is a T (and steps over it); pDefault, failure marked, otherwise.
    template <typename T> T Next(T pDefault);
    template <typename T> bool NextArray(std::vector<T>& oValues);
    template <typename T> static constexpr KRyvFieldValue::EKind ArrayKind()
    {
        static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::int64_t> ||
                          std::is_same_v<T, float> || std::is_same_v<T, double>,
                      "arrays hold int32, int64, float or double");
        return std::is_same_v<T, std::int32_t>   ? KRyvFieldValue::kInt32Array
               : std::is_same_v<T, std::int64_t> ? KRyvFieldValue::kInt64Array
               : std::is_same_v<T, float>        ? KRyvFieldValue::kFloatArray
                                                 : KRyvFieldValue::kDoubleArray;
    }
    // Makes [pAt, pAt + pSize) of the body, an array's elements, whole in memory; false when the
    // stream cannot give the bytes left in it.
    bool FillArray(const std::uint8_t* pAt, std::size_t pSize);
    // The unfilled hole that is exactly the array at pAt of pSize bytes, null when there is none.
    const KRyvBodyHoles::Hole* ArrayHole(const std::uint8_t* pAt, std::size_t pSize) const;
    // Reads pSize bytes from pAt of the file (not of the stream) into the piece buffer.
    bool ReadPiece(std::size_t pAt, std::size_t pSize);
    bool ReadFile(KRyvStream& ioStream, bool pStreamStays, KRyvContainer::CrcPrefix& ioCrc);
    KRyvRecordCursor& Cursor() { return mCursors.back(); }
    const KRyvRecordCursor& Cursor() const { return mCursors.back(); }
    bool Fail(int pCode);
    bool TakeHeaderExtension();
    void WriteHeaderExtension();
    // The children of the header extension, into the current record.
    void WriteExtensionFields();
    Level& Top() { return mLevels.back(); }
    const Level& Top() const { return mLevels.back(); }

    KRyvFileHeader mHeader;
    KRyvHeaderExtension mExtension;
    KRyvFieldRecord mRoot;
    std::vector<Level> mLevels;
    // The records entered by the reads, the body's top first.
    std::vector<KRyvRecordCursor> mCursors;
    mutable std::string mNameBuffer;
    KRyvBytes mBytes;
    // The arrays left in mStream, and the buffer they are read through a piece at a time.
    KRyvBodyHoles mHoles;
    KRyvStream* mStream = nullptr;
    // Where the file starts in mStream, as its ReadAt counts.
    std::uint64_t mStreamAt = 0;
    std::vector<std::uint8_t> mPiece;
    std::size_t mBodyAt = 0;
    std::size_t mBodySize = 0;
    // The size of the plain records at mBodyAt once ReadBody has opened them.
    std::size_t mPlainSize = 0;
    KRyvContainer::SealedState mSealed;
    KString mPassword;
    bool mOpen = false;
    bool mReadFailed = false;
    // The writer field writes go to while streaming; null while building the tree.
    KRyvRecordWriter* mWriter = nullptr;
    KError mError;
};

template <typename T> bool KRyvFile::FieldReadArrayView(KRyvArrayView<T>& oView)
{
    std::uint32_t lCount = 0;
    oView = KRyvArrayView<T>();
    if (!Cursor().TakeArray(ArrayKind<T>(), oView.mElements, lCount) ||
        !FillArray(oView.mElements, std::size_t(lCount) * sizeof(T))) {
        oView = KRyvArrayView<T>();
        mReadFailed = true;
        return false;
    }
    oView.mCount = lCount;
    return true;
}

template <typename T, typename Piece>
bool KRyvFile::FieldReadArrayPieces(std::size_t pGroup, Piece pPiece)
{
    // A piece stays in the caches while it is turned into the caller's values.
    constexpr std::size_t kPieceBytes = std::size_t(1) << 18;
    const std::uint8_t* lElements = nullptr;
    std::uint32_t lCount = 0;
    if (!Cursor().TakeArray(ArrayKind<T>(), lElements, lCount)) {
        mReadFailed = true;
        return false;
    }
    const std::size_t lSize = std::size_t(lCount) * sizeof(T);
    const KRyvBodyHoles::Hole* lHole = ArrayHole(lElements, lSize);
    bool lTaken = true;
    if (!lHole) {
        lTaken =
            FillArray(lElements, lSize) && pPiece(KRyvArrayView<T>{lElements, lCount}, 0, lCount);
    }
    const std::size_t lGroup = pGroup > 0 ? pGroup : 1;
    const std::size_t lPerPiece =
        std::max<std::size_t>(1, kPieceBytes / (sizeof(T) * lGroup)) * lGroup;
    for (std::size_t lFirst = 0; lHole && lTaken && lFirst < lCount; lFirst += lPerPiece) {
        const std::size_t lTake = std::min<std::size_t>(lPerPiece, lCount - lFirst);
        lTaken = ReadPiece(lHole->mAt + lFirst * sizeof(T), lTake * sizeof(T)) &&
                 pPiece(KRyvArrayView<T>{mPiece.data(), lTake}, lFirst, lCount);
    }
    mReadFailed = mReadFailed || !lTaken;
    return lTaken;
}

#endif
