#ifndef RYVKIT_RYVFILE_KRYVFIELDVALUE_H
#define RYVKIT_RYVFILE_KRYVFIELDVALUE_H

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// One typed value of a field record. The kinds and their type codes are part of the file
// format (docs/ryv-format.md): a reader compares codes, never guesses a kind from a value.
class KRyvFieldValue
{
public:
    enum EKind : std::uint8_t {
        kBool = 1,
        kInt32 = 2,
        kInt64 = 3,
        kFloat = 4,
        kDouble = 5,
        kText = 6,
        kBytes = 7,
        kInt32Array = 8,
        kInt64Array = 9,
        kFloatArray = 10,
        kDoubleArray = 11,
    };

    // Per kind code: the bytes of a scalar, or of one element of a text, raw bytes or array
    // (which hold a 4-byte count first); 0 for a code that is no kind.
    static constexpr std::uint8_t kKindSizes[] = {0, 1, 4, 8, 4, 8, 1, 1, 4, 8, 4, 8};

    using Storage =
        std::variant<bool, std::int32_t, std::int64_t, float, double, std::string,
                     std::vector<std::uint8_t>, std::vector<std::int32_t>,
                     std::vector<std::int64_t>, std::vector<float>, std::vector<double>>;

    KRyvFieldValue() = default;
    template <typename T> explicit KRyvFieldValue(T pValue) : mValue(std::move(pValue)) {}

    EKind GetKind() const { return static_cast<EKind>(mValue.index() + 1); }
    // The value when it is held as exactly T; null otherwise.
    template <typename T> const T* Get() const { return std::get_if<T>(&mValue); }
    template <typename T> T* Get() { return std::get_if<T>(&mValue); }
    const Storage& GetStorage() const { return mValue; }

private:
    Storage mValue{false};
};

#endif
