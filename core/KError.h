#ifndef RYVKIT_CORE_KERROR_H
#define RYVKIT_CORE_KERROR_H

#include "core/KString.h"

// The error state of a component: a code (-1 for none), its message text and the component's
// table of message texts. The table is not owned; it must outlive the error state (components
// pass tables of static strings).
class KError
{
public:
    // pTable holds pCount texts (null entries read as empty); a null table or a count below 0
    // is an empty table.
    KError(const char* const* pTable = nullptr, int pCount = 0);

    // Sets the code and the message to the table's text for it. A code outside the table keeps
    // the code and gives the message "Unknown error".
    void SetLastErrorID(int pCode);
    // Sets the code and replaces the message by the given text (null gives the empty text).
    void SetLastError(int pCode, const char* pText);

    int GetLastErrorID() const { return mCode; }
    const KString& GetLastErrorString() const { return mMessage; }
    // Back to code -1 and an empty message.
    void ClearLastError();

    int GetErrorCount() const { return mCount; }

private:
    const char* const* mTable;
    int mCount;
    int mCode;
    KString mMessage;
};

#endif
