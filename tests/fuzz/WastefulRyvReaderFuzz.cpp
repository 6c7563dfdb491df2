// The native fuzz target as it was before it kept the keys it derived: its own stand-in for the
// key derivation is renamed out of the way, so the kit derives the password's key anew for every
// encrypted input. The input-cost check must refuse it (see FuzzInputCost).
#define crypto_pwhash KeptKeysSetAside
#include "fuzz/RyvReaderFuzz.cpp"
