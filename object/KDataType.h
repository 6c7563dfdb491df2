#ifndef RYVKIT_OBJECT_KDATATYPE_H
#define RYVKIT_OBJECT_KDATATYPE_H

// Data types of properties: a named kind of value ("Lcl Translation", "Real", "Color", ...) with
// the number of doubles that make up one value and the basic type it is built on. The registry is
// filled once, on first use, and never changes afterwards; the pointers it hands out stay valid for
// the whole process, so callers may keep them and compare them for identity.

class KDataType
{
public:
    KDataType(const char* pName, int pMemberCount, const KDataType* pBaseType);
    KDataType(const KDataType&) = delete;
    KDataType& operator=(const KDataType&) = delete;

    // The registered name, never null.
    const char* GetName() const { return mName; }
    // Number of doubles of one value: 1 for scalars, 3 for vectors and RGB colours, 4 for
    // Vector4D and RGBA, 0 for kinds that are not numbers (string, object, reference, trigger).
    int GetMemberCount() const { return mMemberCount; }
    // The basic type this data type is built on; a basic type answers itself.
    const KDataType* GetBaseType() const { return mBaseType ? mBaseType : this; }
    bool IsBasicType() const { return mBaseType == nullptr; }

private:
    const char* mName;
    int mMemberCount;
    const KDataType* mBaseType;
};

// The data type registered under exactly this name (byte compare, case matters); null for an
// unknown or null name.
KDataType* FindDataType(const char* pName);

#endif
