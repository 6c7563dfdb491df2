#include "ryvfile/KRyvFile.h"

#include "core/KByteSource.h"
#include "core/KOutputFile.h"
#include "ryvfile/KRyvHoledRead.h"
#include "ryvfile/KRyvStream.h"

#include <cstring>
#include <new>

namespace {

const char* const kFileErrors[KRyvFile::kErrorCount] = {"File is corrupted",
                                                        "File version is not supported yet",
                                                        "File version is not supported anymore",
                                                        "File not opened",
                                                        "File not created",
                                                        "Wrong password",
                                                        "Out of disk space",
                                                        "Unidentified error"};

const char kHeaderExtension[] = "HeaderExtension";
const char kCreator[] = "Creator";
const char kCreationTimeStamp[] = "CreationTimeStamp";
const char kDocumentInfo[] = "DocumentInfo";
// The document information texts in their file order.
const char* const kDocumentFields[] = {"Title",    "Subject",  "Author",
                                       "Keywords", "Revision", "Comment"};

KString* DocumentField(KDocumentInfo& pInfo, int pIndex)
{
    KString* const lFields[] = {&pInfo.mTitle,    &pInfo.mSubject,  &pInfo.mAuthor,
                                &pInfo.mKeywords, &pInfo.mRevision, &pInfo.mComment};
    return lFields[pIndex];
}

constexpr int kDocumentFieldCount = sizeof(kDocumentFields) / sizeof(kDocumentFields[0]);

} // namespace

KRyvFile::KRyvFile() : mError(kFileErrors, kErrorCount)
{
    Close();
}

bool KRyvFile::Fail(int pCode)
{
    mError.SetLastErrorID(pCode);
    return false;
}

// Reading -------------------------------------------------------------------------------------

bool KRyvFile::Open(KRyvStream& ioStream, bool pStreamStays)
{
    Close();
    mError.ClearLastError();
    KRyvContainer::CrcPrefix lCrc;
    try {
        if (!ReadFile(ioStream, pStreamStays, lCrc)) {
            Close();
            return Fail(kFileCorrupted);
        }
    } catch (const std::bad_alloc&) {
        Close();
        return Fail(kUnidentifiedError);
    }
    const int lCode = KRyvContainer::Inspect(mBytes, mHeader, mBodyAt, mBodySize, &lCrc);
    if (lCode >= 0) {
        Close();
        return Fail(lCode);
    }
    // A walk that did not step over the whole body leaves no place unread: the record checks
    // then see every byte.
    if (!mHoles.IsComplete()) {
        const bool lFilled = !mStream || mHoles.FillAll(*mStream, mStreamAt, mBytes.data());
        mHoles.Clear();
        if (!lFilled) {
            Close();
            return Fail(kFileCorrupted);
        }
    }
    mOpen = true;
    return true;
}

bool KRyvFile::ReadFile(KRyvStream& ioStream, bool pStreamStays, KRyvContainer::CrcPrefix& ioCrc)
{
    const std::size_t lHint = pStreamStays ? ioStream.GetSizeHint() : 0;
    if (lHint == 0 || lHint > kMaxFileSize) {
        // The CRC follows the bytes as they arrive, short of the tail it may not cover.
        std::size_t lArrived = 0;
        const auto lOnPiece = [&](const std::uint8_t* pBytes, std::size_t pSize) {
            const std::uint8_t* lStart = pBytes - lArrived;
            lArrived += pSize;
            if (lArrived > KRyvContainer::kMaxCrcTail) {
                KRyvContainer::AdvanceCrc(lStart, lArrived - KRyvContainer::kMaxCrcTail, ioCrc);
            }
        };
        return ioStream.ReadAll(mBytes, kMaxFileSize, lOnPiece);
    }
    mStream = &ioStream;
    // The holes count from the file's first byte, which need not be the stream's.
    mStreamAt = ioStream.GetReadOffset();
    KRyvHoledRead lRead(mBytes, mHoles, ioCrc);
    return lRead.ReadAll(ioStream, lHint, kMaxFileSize);
}

bool KRyvFile::OpenFile(const char* pFileName)
{
    KByteSource lSource;
    KRyvStdioStream lStream;
    if (!lSource.OpenFile(pFileName, false) || !lStream.Attach(lSource.GetStream(), false)) {
        Close();
        return Fail(kFileNotOpened);
    }
    return Open(lStream);
}

bool KRyvFile::ReadBody(const char* pPassword)
{
    if (!mOpen) {
        return Fail(kFileNotOpened);
    }
    int lLine = 0;
    int lCode = kUnidentifiedError;
    // Each read starts from the top of the body; nothing of an earlier read is kept.
    mCursors.assign(1, KRyvRecordCursor());
    mPlainSize = 0;
    try {
        lCode = KRyvContainer::Unpack(mBytes, mHeader, mBodyAt, mBodySize, pPassword, mSealed,
                                      mPlainSize, lLine);
    } catch (const std::bad_alloc&) {
        lCode = kUnidentifiedError;
    }
    if (lCode >= 0) {
        mPlainSize = 0;
        mError.SetLastErrorID(lCode);
        if (lLine > 0) {
            mError.SetLastError(
                lCode, (KString(kFileErrors[lCode]) + " (line " + KString(lLine) + ")").Buffer());
        }
        return false;
    }
    if (!TakeHeaderExtension()) {
        mPlainSize = 0;
        FieldReadRewind();
        return Fail(kFileCorrupted);
    }
    FieldReadRewind();
    return true;
}

void KRyvFile::FieldReadRewind()
{
    const std::uint8_t* lBody = mPlainSize > 0 ? mBytes.data() + mBodyAt : nullptr;
    mCursors.assign(1, KRyvRecordCursor::Body(lBody, mPlainSize));
    // Past the header extension, which ReadBody has taken out already.
    if (lBody) {
        Cursor().StepPast(lBody);
    }
    mReadFailed = false;
}

bool KRyvFile::TakeHeaderExtension()
{
    mExtension = KRyvHeaderExtension();
    mCursors.assign(1, KRyvRecordCursor::Body(mBytes.data() + mBodyAt, mPlainSize));
    // It must be the very first record.
    const std::uint8_t* lFirst = Cursor().NextChild();
    if (!lFirst || Cursor().FindChild(kHeaderExtension) != lFirst ||
        !FieldReadBegin(kHeaderExtension)) {
        return false;
    }
    mExtension.mCreator = FieldReadC(kCreator, "");
    if (FieldReadBegin(kCreationTimeStamp)) {
        for (int& lField : mExtension.mTimeStamp) {
            lField = FieldReadI();
        }
        FieldReadEnd();
    }
    if (FieldReadBegin(kDocumentInfo)) {
        mExtension.mHasDocumentInfo = true;
        for (int i = 0; i < kDocumentFieldCount; ++i) {
            *DocumentField(mExtension.mDocumentInfo, i) = FieldReadC(kDocumentFields[i], "");
        }
        mExtension.mDocumentInfo.mWord = static_cast<std::uint32_t>(FieldReadL("Word", 0));
        FieldReadEnd();
    }
    FieldReadEnd();
    return !mReadFailed;
}

// Writing -------------------------------------------------------------------------------------

void KRyvFile::Create(int pVersion, bool pAscii, const char* pPassword)
{
    Close();
    mError.ClearLastError();
    mHeader.mVersion = pVersion;
    mHeader.mAscii = pAscii;
    mHeader.mProtected = !pAscii && pPassword && *pPassword;
    mPassword = mHeader.mProtected ? pPassword : "";
    // The header extension is always the first record; Save fills it.
    mRoot.AddChild(kHeaderExtension);
    mLevels.assign(1, Level{&mRoot});
}

void KRyvFile::WriteHeaderExtension()
{
    *mRoot.GetChild(0) = KRyvFieldRecord(kHeaderExtension);
    std::vector<Level> lSaved;
    lSaved.swap(mLevels);
    mLevels.assign(1, Level{mRoot.GetChild(0)});
    WriteExtensionFields();
    mLevels.swap(lSaved);
}

void KRyvFile::StartStream(KRyvRecordWriter& ioWriter)
{
    mWriter = &ioWriter;
    FieldWriteBegin(kHeaderExtension);
    WriteExtensionFields();
    FieldWriteEnd();
}

void KRyvFile::WriteExtensionFields()
{
    FieldWriteC(kCreator, mExtension.mCreator);
    FieldWriteBegin(kCreationTimeStamp);
    for (const int lField : mExtension.mTimeStamp) {
        FieldWriteI(lField);
    }
    FieldWriteEnd();
    if (mExtension.mHasDocumentInfo) {
        FieldWriteBegin(kDocumentInfo);
        for (int i = 0; i < kDocumentFieldCount; ++i) {
            FieldWriteC(kDocumentFields[i], *DocumentField(mExtension.mDocumentInfo, i));
        }
        FieldWriteL("Word", mExtension.mDocumentInfo.mWord);
        FieldWriteEnd();
    }
}

bool KRyvFile::Save(KRyvStream& ioStream)
{
    if (mRoot.GetChildCount() == 0) {
        return Fail(kFileNotCreated);
    }
    try {
        WriteHeaderExtension();
        // Every form goes out as it is encoded (and sealed): the file is never held whole.
        const int lCode =
            KRyvContainer::Stream(mHeader, mRoot, mPassword.Buffer(),
                                  [&ioStream](const std::uint8_t* pBytes, std::size_t pSize) {
                                      return ioStream.Write(pBytes, pSize);
                                  });
        return lCode >= 0 ? Fail(lCode) : (ioStream.Flush() || Fail(kOutOfDiskSpace));
    } catch (const std::bad_alloc&) {
        return Fail(kUnidentifiedError);
    }
}

bool KRyvFile::SaveFile(const char* pFileName)
{
    KOutputFile lOutput;
    KRyvStdioStream lStream;
    if (!lOutput.Create(pFileName) || !lStream.Attach(lOutput.GetStream(), true)) {
        return Fail(kFileNotCreated);
    }
    // The target is replaced only by a whole file: a failed save leaves it as it was.
    if (!Save(lStream)) {
        return false;
    }
    return (lStream.Close() && lOutput.Commit()) || Fail(kOutOfDiskSpace);
}

void KRyvFile::Close()
{
    mWriter = nullptr;
    mRoot = KRyvFieldRecord();
    mLevels.assign(1, Level{&mRoot});
    mCursors.assign(1, KRyvRecordCursor());
    KRyvBytes().swap(mBytes);
    mHoles.Clear();
    mStream = nullptr;
    mStreamAt = 0;
    std::vector<std::uint8_t>().swap(mPiece);
    mHeader = KRyvFileHeader();
    mBodyAt = mBodySize = mPlainSize = 0;
    mSealed = KRyvContainer::SealedState();
    mPassword = "";
    mOpen = false;
    mReadFailed = false;
}

// Field writes --------------------------------------------------------------------------------

void KRyvFile::FieldWriteBegin(const char* pName)
{
    if (mWriter) {
        mWriter->Begin(pName ? pName : "", pName ? std::strlen(pName) : 0);
        return;
    }
    mLevels.push_back(Level{Top().mRecord->AddChild(pName ? pName : "")});
}

void KRyvFile::FieldWriteEnd()
{
    if (mWriter) {
        mWriter->End();
    } else if (mLevels.size() > 1) {
        mLevels.pop_back();
    }
}

void KRyvFile::AddText(const char* pText)
{
    if (mWriter) {
        mWriter->PutText(pText ? pText : "", pText ? std::strlen(pText) : 0);
    } else {
        Top().mRecord->AddValue(std::string(pText ? pText : ""));
    }
}

void KRyvFile::FieldWriteR(const void* pBytes, std::size_t pSize)
{
    const auto* lBytes = static_cast<const std::uint8_t*>(pBytes);
    if (mWriter) {
        mWriter->PutBytes(lBytes, lBytes ? pSize : 0);
        return;
    }
    Top().mRecord->AddValue(lBytes ? std::vector<std::uint8_t>(lBytes, lBytes + pSize)
                                   : std::vector<std::uint8_t>());
}

void KRyvFile::FieldWriteB(const char* pName, bool pValue)
{
    FieldWriteBegin(pName);
    FieldWriteB(pValue);
    FieldWriteEnd();
}

void KRyvFile::FieldWriteI(const char* pName, int pValue)
{
    FieldWriteBegin(pName);
    FieldWriteI(pValue);
    FieldWriteEnd();
}

void KRyvFile::FieldWriteL(const char* pName, std::int64_t pValue)
{
    FieldWriteBegin(pName);
    FieldWriteL(pValue);
    FieldWriteEnd();
}

void KRyvFile::FieldWriteD(const char* pName, double pValue)
{
    FieldWriteBegin(pName);
    FieldWriteD(pValue);
    FieldWriteEnd();
}

void KRyvFile::FieldWriteC(const char* pName, const char* pValue)
{
    FieldWriteBegin(pName);
    FieldWriteC(pValue);
    FieldWriteEnd();
}
