#include "tests/support/ObjectTestSupport.h"

K_IMPLEMENT_CLASS(TestObjectA, KObject)
K_IMPLEMENT_CLASS(TestObjectB, TestObjectA)
K_IMPLEMENT_CLASS(TestObjectC, TestObjectB)
