#ifndef RYVKIT_CHARACTER_KRYVSOLVERPARAMETERTABLE_H
#define RYVKIT_CHARACTER_KRYVSOLVERPARAMETERTABLE_H

// Item index -> label of an enumeration; null past the last item.
using KRyvSolverLabelFunction = const char* (*)(int pIndex);

// One parameter of the character solver. The name is the key scene files store the parameter
// under, so it is kept byte for byte (odd spellings included).
struct KRyvSolverParameterEntry
{
    const char* mName;
    // 0 no mode; 1 and 3 two-valued (0 or 1); 2 three-valued (0, 1 or 2).
    int mModeKind;
    int mDefaultMode;
    double mDefaultValue;
    // The labels of the entry's mode (kinds 2 and 3) or of its value (enumerated kind-0
    // entries); null when neither is enumerated.
    KRyvSolverLabelFunction mLabels;
};

// The process-wide table of the 177 solver parameters: constant data, nothing to build or free.
// Index arguments are checked: out of range gives null, -1 or the empty answer.
class KRyvSolverParameterTable
{
public:
    static constexpr int kCount = 177;

    static int GetSolverParameterCount() { return kCount; }
    // Null for an index outside 0..176.
    static const KRyvSolverParameterEntry* GetEntry(int pIndex);
    static const char* GetSolverParameterName(int pIndex);
    // The index of the entry whose name equals pName byte for byte; -1 for none or null.
    static int GetSolverParameterIndex(const char* pName);
    // Whether pMode fits the mode kind of entry pIndex (false for a bad index or kind 0).
    static bool IsModeValid(int pIndex, int pMode);

    // The label lists; each gives null for a number outside its items.
    static const char* GetPostureName(int pIndex);
    static const char* GetCompensationModeName(int pIndex);
    static const char* GetAutoUserModeName(int pIndex);
    static const char* GetRollExtractionModeName(int pIndex);
    static const char* GetFootFloorPivotName(int pIndex);
    static const char* GetHandFloorPivotName(int pIndex);
    static const char* GetHandContactTypeName(int pIndex);
    static const char* GetFootContactTypeName(int pIndex);
    static const char* GetFingerContactModeName(int pIndex);
    static const char* GetHipsTranslationModeName(int pIndex);
    static const char* GetContactBehaviourName(int pIndex);
};

// One character's solver settings: a mode and a value per parameter of the table, made from the
// table's defaults. Owned by its character. Index arguments out of range change nothing and read
// as mode 0 and value 0.0.
class KRyvSolverParameterValues
{
public:
    KRyvSolverParameterValues();

    // Stores pMode only when it fits the entry's mode kind (1 and 3: 0 or 1; 2: 0 to 2; kind 0
    // takes none); true when stored.
    bool SetMode(int pIndex, int pMode);
    int GetMode(int pIndex) const;
    // Stored as given, without a range check; false only for a bad index.
    bool SetValue(int pIndex, double pValue);
    double GetValue(int pIndex) const;
    // The block keeps no per-character range: SetRange does nothing, GetRange answers 0.0.
    void SetRange(int pIndex, double pMinimum, double pMaximum);
    double GetRange(int pIndex) const;

private:
    struct Record
    {
        int mMode;
        double mValue;
    };
    Record mRecords[KRyvSolverParameterTable::kCount];
};

#endif
