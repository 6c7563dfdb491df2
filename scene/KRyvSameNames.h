#ifndef RYVKIT_SCENE_KRYVSAMENAMES_H
#define RYVKIT_SCENE_KRYVSAMENAMES_H

#include <cstdint>
#include <limits>
#include <vector>

class KRyvNode;

// What KRyvNextWithSameName answers for a node whose name no later node of the list holds.
constexpr std::uint32_t kRyvNoNextWithSameName = std::numeric_limits<std::uint32_t>::max();

// For each node of pNodes (none null), the index of the next node in the list with the same
// current name (byte for byte), kRyvNoNextWithSameName for none. Made by sorting indexes rather
// than copying names, as the checks for shared names run over a wide file's many thousand
// nodes: O(n log n) time, a few bytes a node.
std::vector<std::uint32_t> KRyvNextWithSameName(const std::vector<KRyvNode*>& pNodes);

#endif
