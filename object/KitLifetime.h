#ifndef RYVKIT_OBJECT_KITLIFETIME_H
#define RYVKIT_OBJECT_KITLIFETIME_H

// Counted use of the kit. The first acquisition starts the object model (the class registry
// with KObject as id 1 and KPlug as id 2) and the handle pool; the last release shuts the pool
// down (its unused memory is given back). Class ids stay valid for the whole process. Both are
// safe to call from any thread.

// Always true.
bool KitLifetimeAcquire();
// True when a reference was released; false (and nothing happens) when none was held.
bool KitLifetimeRelease();

#endif
