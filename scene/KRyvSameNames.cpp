#include "scene/KRyvSameNames.h"

#include "core/KString.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <numeric>
#include <string_view>

namespace {

std::string_view NameOf(const KRyvNode* pNode)
{
    const KString& lName = pNode->GetName();
    return std::string_view(lName.Buffer(), static_cast<std::size_t>(lName.GetLen()));
}

} // namespace

std::vector<std::uint32_t> KRyvNextWithSameName(const std::vector<KRyvNode*>& pNodes)
{
    // By name, list order kept among equal names: the nodes of one name follow each other.
    std::vector<std::uint32_t> lOrder(pNodes.size());
    std::iota(lOrder.begin(), lOrder.end(), 0u);
    std::sort(lOrder.begin(), lOrder.end(), [&](std::uint32_t pLeft, std::uint32_t pRight) {
        const std::string_view lLeft = NameOf(pNodes[pLeft]);
        const std::string_view lRight = NameOf(pNodes[pRight]);
        return lLeft != lRight ? lLeft < lRight : pLeft < pRight;
    });
    std::vector<std::uint32_t> lNext(pNodes.size(), kRyvNoNextWithSameName);
    for (std::size_t i = 1; i < lOrder.size(); ++i) {
        if (NameOf(pNodes[lOrder[i - 1]]) == NameOf(pNodes[lOrder[i]])) {
            lNext[lOrder[i - 1]] = lOrder[i];
        }
    }
    return lNext;
}
