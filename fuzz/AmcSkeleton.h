#ifndef RYVKIT_FUZZ_AMCSKELETON_H
#define RYVKIT_FUZZ_AMCSKELETON_H

// The skeleton the AMC inputs are read against, in ASF: every DOF kind, a bone that merges away
// and a length DOF. The fuzz target and the test of its seeds read the same one.
constexpr const char* kAmcSkeleton =
    ":units\n length 0.45\n:root\n order tx ty tz rx ry rz\n axis xyz\n:bonedata\n"
    " begin\n  name hip\n  direction 0 -1 0\n  length 1\n  axis 0 0 0 xyz\n end\n"
    " begin\n  name femur\n  direction 0 -1 0\n  length 4\n  axis 0 0 20 zyx\n  dof rz ry rx\n"
    " end\n begin\n  name tibia\n  direction 0 -1 0\n  length 4\n  axis 10 0 0 yxz\n"
    "  dof tx rx l\n end\n:hierarchy\n begin\n  root hip\n  hip femur\n  femur tibia\n end\n";

#endif
