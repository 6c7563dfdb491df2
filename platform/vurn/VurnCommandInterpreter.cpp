#include "platform/vurn/VurnCommandInterpreter.h"

#include "platform/vurn/VurnScene.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace {
struct Token
{
    std::string mText;
    bool mQuoted = false;
};

constexpr int kMatrixElements = 16;

const char* const kInterfaceCommands[] = {
    "window",      "showWindow",      "deleteUI",    "columnLayout",   "rowLayout",  "setParent",
    "text",        "checkBox",        "radioButton", "textScrollList", "floatField", "button",
    "progressBar", "radioCollection", "frameLayout", "separator"};

// Splits a command into words and double-quoted texts; false for an unclosed quote or a word
// glued to a closing quote.
bool Tokenize(const std::string& pText, std::vector<Token>& oTokens, std::string& oError)
{
    size_t lPos = 0;
    while (lPos < pText.size()) {
        if (std::isspace(static_cast<unsigned char>(pText[lPos]))) {
            ++lPos;
            continue;
        }
        Token lToken;
        if (pText[lPos] == '"') {
            lToken.mQuoted = true;
            ++lPos;
            while (lPos < pText.size() && pText[lPos] != '"') {
                if (pText[lPos] == '\\' && lPos + 1 < pText.size()) {
                    ++lPos;
                }
                lToken.mText += pText[lPos++];
            }
            if (lPos >= pText.size()) {
                oError = "Unterminated string.";
                return false;
            }
            ++lPos;
            if (lPos < pText.size() && !std::isspace(static_cast<unsigned char>(pText[lPos]))) {
                oError = "Syntax error: text glued to a closing quote.";
                return false;
            }
        } else {
            while (lPos < pText.size() && !std::isspace(static_cast<unsigned char>(pText[lPos])) &&
                   pText[lPos] != '"') {
                lToken.mText += pText[lPos++];
            }
        }
        oTokens.push_back(lToken);
    }
    return true;
}

bool ParseNumber(const std::string& pText, double& oValue)
{
    const char* lEnd = pText.data() + pText.size();
    const auto lResult = std::from_chars(pText.data(), lEnd, oValue);
    return !pText.empty() && lResult.ec == std::errc() && lResult.ptr == lEnd;
}

bool ResolvePlug(const std::string& pText, int& oNode, VurnPlugPath& oPath, std::string& oError)
{
    VurnScene& lScene = VurnScene::Get();
    const size_t lDot = pText.find('.');
    oNode = lDot == std::string::npos ? -1 : lScene.FindNode(pText.substr(0, lDot));
    if (oNode < 0 || !lScene.ParsePlugPath(oNode, pText.substr(lDot + 1), oPath)) {
        oError = "No object matches name: " + pText;
        return false;
    }
    return true;
}

// False, with the scripted failure's text, for a node a test made fail.
bool NodeAnswers(int pNode, std::string& oError)
{
    if (VurnScene::Get().mFailingNodes.count(pNode) > 0) {
        oError = "Scripted failure on " + VurnScene::Get().Node(pNode)->mName + ".";
        return false;
    }
    return true;
}

bool TakeScripted(const std::string& pCommand, std::string& oAnswer)
{
    auto& lQueue = VurnScene::Get().mScriptedAnswers[pCommand];
    if (lQueue.empty()) {
        return false;
    }
    oAnswer = lQueue.front();
    lQueue.erase(lQueue.begin());
    return true;
}

bool JointDisplayScale(const std::vector<Token>& pArgs, VurnCommandResult& oResult,
                       std::string& oError)
{
    std::vector<std::string> lFlags;
    for (const Token& lArg : pArgs) {
        lFlags.push_back(lArg.mText == "-query"      ? "-q"
                         : lArg.mText == "-absolute" ? "-a"
                                                     : lArg.mText);
    }
    std::sort(lFlags.begin(), lFlags.end());
    if (lFlags != std::vector<std::string>{"-a", "-q"}) {
        oError = "jointDisplayScale: only the query -q -a is known.";
        return false;
    }
    oResult.mKind = VurnCommandResult::kNumber;
    oResult.mNumbers = {VurnScene::Get().mJointDisplayScale};
    return true;
}

bool GetAttr(const std::vector<Token>& pArgs, VurnCommandResult& oResult, std::string& oError)
{
    int lNode = -1;
    VurnPlugPath lPath;
    VurnValue lValue;
    if (pArgs.size() != 1) {
        oError = "getAttr: one plug expected.";
        return false;
    }
    if (!ResolvePlug(pArgs[0].mText, lNode, lPath, oError) || !NodeAnswers(lNode, oError)) {
        return false;
    }
    if (!VurnScene::Get().GetValue(lNode, lPath, lValue) || lValue.mKind == VurnValue::kData ||
        lValue.mKind == VurnValue::kGeometry) {
        oError = "getAttr: the plug has no value that can be printed: " + pArgs[0].mText;
        return false;
    }
    if (lValue.mKind == VurnValue::kText) {
        oResult.mKind = VurnCommandResult::kText;
        oResult.mText = lValue.mText;
    } else if (lValue.mKind == VurnValue::kMatrix) {
        oResult.mKind = VurnCommandResult::kNumbers;
        for (int lIndex = 0; lIndex < kMatrixElements; ++lIndex) {
            oResult.mNumbers.push_back(lValue.mMatrix(lIndex / 4, lIndex % 4));
        }
    } else {
        oResult.mKind = VurnCommandResult::kNumber;
        oResult.mNumbers = {lValue.mNumber};
    }
    return true;
}

bool SetAttr(const std::vector<Token>& pArgs, std::string& oError)
{
    int lNode = -1;
    VurnPlugPath lPath;
    double lNumber = 0.0;
    if (pArgs.size() != 2 || pArgs[1].mQuoted || !ParseNumber(pArgs[1].mText, lNumber)) {
        oError = "setAttr: a plug and one number expected.";
        return false;
    }
    if (!ResolvePlug(pArgs[0].mText, lNode, lPath, oError) || !NodeAnswers(lNode, oError)) {
        return false;
    }
    const VurnAttribute* lAttribute = VurnScene::Get().Attribute(lPath.back().first);
    if (lAttribute->mKind != VurnAttributeKind::kNumeric ||
        !VurnScene::Get().SetValue(lNode, lPath, VurnValue::Number(lNumber))) {
        oError = "setAttr: the plug takes no number: " + pArgs[0].mText;
        return false;
    }
    return true;
}

bool Delete(const std::vector<Token>& pArgs, std::string& oError)
{
    VurnScene& lScene = VurnScene::Get();
    std::vector<int> lNodes;
    for (const Token& lArg : pArgs) {
        const int lNode = lScene.FindNode(lArg.mText);
        if (lNode < 0) {
            oError = "No object matches name: " + lArg.mText;
            return false;
        }
        lNodes.push_back(lNode);
    }
    if (lNodes.empty()) {
        oError = "delete: nothing to delete.";
        return false;
    }
    for (int lNode : lNodes) {
        lScene.DeleteNode(lNode);
    }
    return true;
}

// The value after the first of pFlags in pArgs; "" when none.
std::string FlagValue(const std::vector<Token>& pArgs, const char* pLong, const char* pShort)
{
    for (size_t lIndex = 0; lIndex + 1 < pArgs.size(); ++lIndex) {
        if (!pArgs[lIndex].mQuoted &&
            (pArgs[lIndex].mText == pLong || pArgs[lIndex].mText == pShort)) {
            return pArgs[lIndex + 1].mText;
        }
    }
    return std::string();
}

bool ConfirmDialog(const std::vector<Token>& pArgs, VurnCommandResult& oResult)
{
    oResult.mKind = VurnCommandResult::kText;
    if (!TakeScripted("confirmDialog", oResult.mText)) {
        oResult.mText = FlagValue(pArgs, "-defaultButton", "-db");
        if (oResult.mText.empty()) {
            oResult.mText = FlagValue(pArgs, "-button", "-b");
        }
    }
    return true;
}

bool Character(const std::string& pCommand, const std::vector<Token>& pArgs,
               VurnCommandResult& oResult, std::string& oError)
{
    std::string lAnswer;
    double lIndex = 0.0;
    if (pCommand == "QARGetCharacterCount") {
        if (!pArgs.empty()) {
            oError = "QARGetCharacterCount takes no argument.";
            return false;
        }
        const bool lScripted = TakeScripted(pCommand, lAnswer);
        oResult.mKind = VurnCommandResult::kNumber;
        oResult.mNumbers = {lScripted && ParseNumber(lAnswer, lIndex) ? lIndex : 0.0};
        return true;
    }
    if (pArgs.size() != 1 || !ParseNumber(pArgs[0].mText, lIndex) ||
        !TakeScripted(pCommand, lAnswer)) {
        oError = "QARGetCharacterName: no character at that index.";
        return false;
    }
    oResult.mKind = VurnCommandResult::kText;
    oResult.mText = lAnswer;
    return true;
}

bool IsInterfaceCommand(const std::string& pCommand)
{
    return std::any_of(std::begin(kInterfaceCommands), std::end(kInterfaceCommands),
                       [&pCommand](const char* pName) { return pCommand == pName; });
}
} // namespace

bool VurnCommandInterpreter::Execute(const std::string& pText, VurnCommandResult& oResult,
                                     std::string& oError)
{
    VurnScene::Get().RecordCommand(pText);
    oResult = VurnCommandResult();
    std::vector<Token> lTokens;
    if (!Tokenize(pText, lTokens, oError)) {
        return false;
    }
    if (lTokens.empty() || lTokens[0].mQuoted) {
        oError = "Syntax error: no command.";
        return false;
    }
    const std::string lCommand = lTokens[0].mText;
    const std::vector<Token> lArgs(lTokens.begin() + 1, lTokens.end());
    if (VurnScene::Get().Fails(lCommand)) {
        oError = "Scripted failure of " + lCommand + ".";
        return false;
    }
    if (lCommand == "jointDisplayScale") {
        return JointDisplayScale(lArgs, oResult, oError);
    }
    if (lCommand == "getAttr") {
        return GetAttr(lArgs, oResult, oError);
    }
    if (lCommand == "setAttr") {
        return SetAttr(lArgs, oError);
    }
    if (lCommand == "delete") {
        return Delete(lArgs, oError);
    }
    if (lCommand == "confirmDialog") {
        return ConfirmDialog(lArgs, oResult);
    }
    if (lCommand == "QARGetCharacterCount" || lCommand == "QARGetCharacterName") {
        return Character(lCommand, lArgs, oResult, oError);
    }
    if (IsInterfaceCommand(lCommand)) {
        oResult.mKind = VurnCommandResult::kText;
        oResult.mText = lArgs.empty() ? std::string() : lArgs.back().mText;
        return true;
    }
    oError = "Cannot find procedure \"" + lCommand + "\".";
    return false;
}

void VurnCommandInterpreter::ScriptAnswer(const std::string& pCommand, const std::string& pAnswer)
{
    VurnScene::Get().mScriptedAnswers[pCommand].push_back(pAnswer);
}
