#include "ryvfile/KRyvRecordWriter.h"

#include "ryvfile/KRyvFieldRecord.h"

#include <type_traits>

void KRyvRecordWriter::PutTree(const KRyvFieldRecord& pRoot)
{
    for (int i = 0; i < pRoot.GetChildCount() && !Failed(); ++i) {
        PutRecord(*pRoot.GetChild(i));
    }
}

// Recursion follows a tree the program built; the writers refuse it past the depth limit, and
// the stack stays shallow as each level stops descending once the writer has failed.
void KRyvRecordWriter::PutRecord(const KRyvFieldRecord& pRecord)
{
    Begin(pRecord.GetName().data(), pRecord.GetName().size());
    for (const KRyvFieldValue& lValue : pRecord.GetValues()) {
        PutValue(lValue);
    }
    for (int i = 0; i < pRecord.GetChildCount() && !Failed(); ++i) {
        PutRecord(*pRecord.GetChild(i));
    }
    End();
}

void KRyvRecordWriter::PutValue(const KRyvFieldValue& pValue)
{
    std::visit(
        [this](const auto& lHeld) {
            using T = std::decay_t<decltype(lHeld)>;
            if constexpr (std::is_arithmetic_v<T>) {
                Put(lHeld);
            } else if constexpr (std::is_same_v<T, std::string>) {
                PutText(lHeld.data(), lHeld.size());
            } else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>>) {
                PutBytes(lHeld.data(), lHeld.size());
            } else {
                PutArray(lHeld.data(), lHeld.size());
            }
        },
        pValue.GetStorage());
}
