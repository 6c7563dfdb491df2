#ifndef RYVKIT_PLATFORM_VURN_VURNCOMMANDINTERPRETER_H
#define RYVKIT_PLATFORM_VURN_VURNCOMMANDINTERPRETER_H

#include <string>
#include <vector>

// What a command answered.
struct VurnCommandResult
{
    enum Kind : int { kNone, kNumber, kNumbers, kText };

    Kind mKind = kNone;
    std::vector<double> mNumbers;
    std::string mText;
};

// The host's command language as far as the plug-in speaks it, over the current scene:
//   jointDisplayScale -q -a             the joint display scale (number)
//   getAttr <plug>                      a number, 16 numbers for a matrix, or a text
//   setAttr <plug> <number>             sets a numeric plug
//   delete <node>...                    deletes nodes by name or full path
//   QARGetCharacterCount                the scripted answer, else 0
//   QARGetCharacterName <index>         the scripted answer; refused without one
//   confirmDialog <flags>               the scripted button, else -defaultButton, else the
//                                       first -button, else ""
//   window, showWindow, deleteUI, the layouts and controls: accepted; they answer their last
//                                       argument (the control's name)
// A plug is "node.attr[i].child", bare or in double quotes, the node by name or full path. A
// value glued to a closing quote ("a.b"0) is refused, as are unknown commands, missing or
// extra arguments and numbers that do not parse whole. Every text is recorded first. A command
// whose first word a test scripted to fail (VurnScene::mFailingCalls) fails, and so do getAttr
// and setAttr on a plug of a node in VurnScene::mFailingNodes.
class VurnCommandInterpreter
{
public:
    // False with oError set when the command is refused or fails.
    static bool Execute(const std::string& pText, VurnCommandResult& oResult, std::string& oError);
    // Queues pAnswer for the next command whose first word is pCommand.
    static void ScriptAnswer(const std::string& pCommand, const std::string& pAnswer);
};

#endif
