#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSERRORS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSERRORS_H

#include <array>
#include <cstdint>

// Error codes of the 3DS chunk toolkit. The toolkit returns no codes: it pushes them on the
// error stack of the run's context and sets the pending flag; every caller gives up once the
// flag is set.
enum Error3ds : int32_t {
    NO_FTK_ERRORS = 0,
    ERR_NO_MEM = 1,
    ERR_INVALID_ARG = 2,
    ERR_INVALID_DATA = 3,
    ERR_INVALID_CHUNK = 4,
    ERR_INVALID_DATABASE = 5,
    ERR_WRONG_DATABASE = 6,
    ERR_UNFOUND_CHUNK = 7,
    ERR_WRONG_OBJECT = 8,
    ERR_NO_SUCH_FILE = 9,
    ERR_INIT_FAILED = 10,
    ERR_OPENING_FILE = 11,
    ERR_CLOSING_FILE = 12,
    ERR_READING_FILE = 13,
    ERR_CREATING_DATABASE = 14,
    ERR_READING_DATABASE = 15,
    ERR_WRITING_DATABASE = 16,
    ERR_WRITING_FILE = 17,
    ERR_STRING_TOO_LONG = 18,
    ERR_TOO_MANY_FILES = 19,
    // Code 21 has no name or text of its own: a mesh put could not create a chunk it needs.
    ERR_PUTTING_MESH = 21,
    N_ERRORS = 22
};

// The fixed text of a code; "Unknown error code was encountered" for a code without one.
const char* ErrorText3ds(int32_t pCode);

struct ErrorRecord3ds
{
    int32_t mCode = NO_FTK_ERRORS;
    const char* mText = nullptr;
};

// The errors of one run: 19 records (code 0 marks a free one), one overflow record that turns
// into N_ERRORS once a second error no longer fits, and the pending flag.
struct ErrorStack3ds
{
    static constexpr int kRecordCount = 19;
    std::array<ErrorRecord3ds, kRecordCount> mRecords{};
    ErrorRecord3ds mOverflow{};
    bool mPending = false;
};

// Records pCode (0 is ignored) and sets the pending flag.
void PushError3ds(ErrorStack3ds& ioStack, int32_t pCode);

#endif
