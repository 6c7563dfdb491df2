// The cost of a refused input to its fuzz target, counted rather than timed: most inputs a fuzzer
// makes are refused, so what one refused input costs a target is what bounds its depth. Each
// input the target keeps to be refused (fuzz/corpus/<target>/refused-...) is read once, so that
// the target has made what it keeps between inputs, then again while its cost is counted (heap
// allocations and bytes, anonymous mappings: InputCost), against the target's budget in the
// budget file (fuzz/refused-input-cost.txt). A factory and scene made for every input, a buffer
// of fixed size allocated (and zeroed) for every open, a password key derived for every input
// each exceed it; the machine's load changes nothing here.
//
// usage: FuzzInputCost ENTRY CORPUS BUDGET-FILE TARGET
// ENTRY names a fuzz entry point built into this program (see FuzzEntries.inc); TARGET the
// budget line. Answers 0 within budget, 1 over it or without a refused input, 2 on bad use.

#include "tests/fuzz/InputCost.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using FuzzEntry = int (*)(const uint8_t* pData, size_t pSize);

// The fuzz targets' entry points, each compiled with LLVMFuzzerTestOneInput renamed.
#define RYV_FUZZ_ENTRY(name) extern "C" int name##Input(const uint8_t* pData, size_t pSize);
#include "FuzzEntries.inc"
#undef RYV_FUZZ_ENTRY

namespace {

namespace fs = std::filesystem;

constexpr const char* kRefusedPrefix = "refused-";
constexpr int kArgumentCount = 5;
constexpr int kOverBudget = 1;
constexpr int kBadUse = 2;

const std::map<std::string, FuzzEntry>& Entries()
{
#define RYV_FUZZ_ENTRY(name) {#name, &name##Input},
    static const std::map<std::string, FuzzEntry> kEntries = {
#include "FuzzEntries.inc"
    };
#undef RYV_FUZZ_ENTRY
    return kEntries;
}

// The budget line of pTarget: "<target> <allocations> <bytes> <mapped bytes>"; lines starting
// with '#' are comments. False when the file has no such line.
bool FindBudget(const std::string& pPath, const std::string& pTarget, InputCost& oBudget)
{
    std::ifstream lFile(pPath);
    std::string lLine;
    while (std::getline(lFile, lLine)) {
        std::istringstream lFields(lLine);
        std::string lTarget;
        if (lLine.empty() || lLine[0] == '#' || !(lFields >> lTarget) || lTarget != pTarget) {
            continue;
        }
        return static_cast<bool>(lFields >> oBudget.mAllocations >> oBudget.mBytes >>
                                 oBudget.mMappedBytes);
    }
    return false;
}

std::vector<fs::path> RefusedInputs(const fs::path& pCorpus)
{
    std::vector<fs::path> lInputs;
    for (const fs::directory_entry& lEntry : fs::directory_iterator(pCorpus)) {
        if (lEntry.path().filename().string().rfind(kRefusedPrefix, 0) == 0) {
            lInputs.push_back(lEntry.path());
        }
    }
    std::sort(lInputs.begin(), lInputs.end());
    return lInputs;
}

std::string Bytes(const fs::path& pPath)
{
    std::ifstream lFile(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lFile), std::istreambuf_iterator<char>());
}

// The second read's cost of pInput.
InputCost CostOf(FuzzEntry pEntry, const std::string& pInput)
{
    const auto* lData = reinterpret_cast<const uint8_t*>(pInput.data());
    pEntry(lData, pInput.size());
    const InputCost lBefore = InputCost::Now();
    pEntry(lData, pInput.size());
    return InputCost::Now() - lBefore;
}

// Prints the cost beside the budget; true when no figure is over it.
bool Within(const std::string& pName, const InputCost& pCost, const InputCost& pBudget)
{
    std::cout << pName << ": " << pCost.mAllocations << " allocations, " << pCost.mBytes
              << " bytes, " << pCost.mMappedBytes << " bytes mapped (budget "
              << pBudget.mAllocations << ", " << pBudget.mBytes << ", " << pBudget.mMappedBytes
              << ")\n";
    const bool lWithin = pCost.mAllocations <= pBudget.mAllocations &&
                         pCost.mBytes <= pBudget.mBytes &&
                         pCost.mMappedBytes <= pBudget.mMappedBytes;
    if (!lWithin) {
        std::cout << pName << ": a refused input costs its target more than its budget\n";
    }
    return lWithin;
}

} // namespace

int main(int pArgc, char** pArgv)
{
    if (pArgc != kArgumentCount) {
        std::cerr << "usage: FuzzInputCost ENTRY CORPUS BUDGET-FILE TARGET\n";
        return kBadUse;
    }
    const auto lEntry = Entries().find(pArgv[1]);
    InputCost lBudget;
    if (lEntry == Entries().end() || !FindBudget(pArgv[3], pArgv[4], lBudget)) {
        std::cerr << "no entry " << pArgv[1] << " or no budget for " << pArgv[4] << "\n";
        return kBadUse;
    }
    const std::vector<fs::path> lInputs = RefusedInputs(pArgv[2]);
    if (lInputs.empty()) {
        std::cout << pArgv[2] << ": no refused input to count the cost of\n";
        return kOverBudget;
    }
    bool lWithin = true;
    for (const fs::path& lInput : lInputs) {
        const std::string lName = std::string(pArgv[4]) + "/" + lInput.filename().string();
        lWithin = Within(lName, CostOf(lEntry->second, Bytes(lInput)), lBudget) && lWithin;
    }
    return lWithin ? 0 : kOverBudget;
}
