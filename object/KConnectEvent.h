#ifndef RYVKIT_OBJECT_KCONNECTEVENT_H
#define RYVKIT_OBJECT_KCONNECTEVENT_H

class KPropertyValue;

// The codes of the notifications a plug receives through KPlug::ConnectNotify(event, plug,
// other, args). "plug" is the plug the event is about (the receiver itself, or, when a property
// hands an event to its object, that property); "other" is the partner of the connection.
//
// When plug D takes plug S as a source (D->ConnectSrc(S), or S->ConnectDst(D)), in this order:
//    0 to D, other S: a source asks to connect; false refuses
//    1 to S, other D: a destination asks to connect; false refuses
//      (the connection is made only when both said yes)
//    4 to D, other S: a source connection was made
//    5 to S, other D: a destination connection was made
//   10 to D, other S: pair (S, D) joins the object's connection list
//   12 to S, other D: pair (S, D) joins the object's connection list
// When that connection goes (a disconnect from either end, or either end destroyed):
//    8 to D, other S: a source connection is about to be removed
//    9 to S, other D: a destination connection is about to be removed
//      (removals cannot be refused)
//    6 to D, other S: a source connection was removed
//    7 to S, other D: a destination connection was removed
//   11 to D, other S: pair (S, D) leaves the object's connection list
//   13 to S, other D: pair (S, D) leaves the object's connection list
// Events 10 to 13 are kept apart from 4 to 9 so that a hook may swallow the "made" and
// "removed" events without breaking the object's own bookkeeping.
//
// Sent by an object about one of its properties (other is null):
//   14 / 15: the property is about to be / has been added to the object
//   16 / 17: the property is about to be / has been removed from the object
// Sent by a property about its value (other is null; args hold the new and the old value):
//   18 / 19: the value is about to change / has changed
//   20: the minimum or maximum changed (args empty)
// Codes 2 and 3 are not used.
enum class KConnectEvent : int {
    kSourceConnectRequest = 0,
    kDestinationConnectRequest = 1,
    kSourceConnected = 4,
    kDestinationConnected = 5,
    kSourceDisconnected = 6,
    kDestinationDisconnected = 7,
    kSourceDisconnecting = 8,
    kDestinationDisconnecting = 9,
    kPairSourceAdded = 10,
    kPairSourceRemoved = 11,
    kPairDestinationAdded = 12,
    kPairDestinationRemoved = 13,
    kPropertyAdding = 14,
    kPropertyAdded = 15,
    kPropertyRemoving = 16,
    kPropertyRemoved = 17,
    kValueChanging = 18,
    kValueChanged = 19,
    kLimitsChanged = 20,
};

// Further arguments of an event; both null except for the value events 18 and 19.
struct KConnectEventArgs
{
    const KPropertyValue* mNewValue = nullptr;
    const KPropertyValue* mOldValue = nullptr;
};

#endif
