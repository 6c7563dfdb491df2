#ifndef RYVKIT_OBJECT_KCLASSINFO_H
#define RYVKIT_OBJECT_KCLASSINFO_H

class KPlug;

// Decides which partner plugs a filtered connection list (or a filtered plug) accepts.
class KPlugFilter
{
public:
    virtual ~KPlugFilter() = default;
    virtual bool Accepts(const KPlug* pPlug) const = 0;
};

// Accepts the plugs whose class is the filter's class or derives from it.
class KClassIdFilter : public KPlugFilter
{
public:
    explicit KClassIdFilter(int pClassId) : mClassId(pClassId) {}
    bool Accepts(const KPlug* pPlug) const override;
    int GetClassId() const { return mClassId; }

private:
    int mClassId;
};

// The class-information record of one class: name, parent, id and the class-id filter used to
// walk connections of that class. Constructing a record registers it and gives it its id:
// "KObject" always gets 1 and "KPlug" 2, every other class the next id from 3 on, in the order
// the classes are first used. Records are function-local statics of their classes (see the
// macros below), so no registration depends on the order of static initialisation; ids stay
// valid for the whole process.
class KClassInfo
{
public:
    KClassInfo(const char* pName, const KClassInfo* pParent);
    KClassInfo(const KClassInfo&) = delete;
    KClassInfo& operator=(const KClassInfo&) = delete;

    const char* GetName() const { return mName; }
    // Null for the root class.
    const KClassInfo* GetParent() const { return mParent; }
    int GetClassId() const { return mClassId; }
    const KPlugFilter* GetClassIdFilter() const { return &mFilter; }
    // True for this class's id and for the ids of its ancestors.
    bool IsA(int pClassId) const;

private:
    const char* mName;
    const KClassInfo* mParent;
    int mClassId;
    KClassIdFilter mFilter;
};

// The class-id connection filter of the class with that id; null when no class has the id
// (-1 and every other unused id included).
const KPlugFilter* GetClassIdFilter(int pClassId);
// The record of the class with that id; null when none.
const KClassInfo* GetClassInfoById(int pClassId);

// Gives a class of the KPlug family its identity. Put K_DECLARE_CLASS(Name) first in the class
// body (it leaves the access public) and K_IMPLEMENT_CLASS(Name, Parent) in its source file.
#define K_DECLARE_CLASS(Class)                                                                     \
public:                                                                                            \
    static const KClassInfo& ClassInfo();                                                          \
    static int ClassId()                                                                           \
    {                                                                                              \
        return ClassInfo().GetClassId();                                                           \
    }                                                                                              \
    static const char* ClassName()                                                                 \
    {                                                                                              \
        return ClassInfo().GetName();                                                              \
    }                                                                                              \
    bool IsA(int pClassId) const override                                                          \
    {                                                                                              \
        return ClassInfo().IsA(pClassId);                                                          \
    }                                                                                              \
    int GetClassId() const override                                                                \
    {                                                                                              \
        return ClassId();                                                                          \
    }                                                                                              \
    const char* GetClassName() const override                                                      \
    {                                                                                              \
        return ClassName();                                                                        \
    }                                                                                              \
    const KClassInfo& GetClassInfo() const override                                                \
    {                                                                                              \
        return ClassInfo();                                                                        \
    }

#define K_IMPLEMENT_CLASS(Class, Parent)                                                           \
    const KClassInfo& Class::ClassInfo()                                                           \
    {                                                                                              \
        static const KClassInfo sInfo(#Class, &Parent::ClassInfo());                               \
        return sInfo;                                                                              \
    }

#endif
