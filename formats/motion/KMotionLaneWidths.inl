// Compiles the lane steps in the file RYV_MOTION_LANE_STEPS names (the includer defines it) once
// for each lane width: in namespace two for the registers every processor has and, where the
// wider registers exist, in namespace four inside their target region. A function's target comes
// from where it is defined, and code made outside the region cannot be inlined into code made
// inside it, so one template could not serve both; one text compiled twice does. Each namespace
// gives the steps B (the lane helpers), Lanes, Mask, Floats and FloatBits (as many floats and
// their bits as Lanes holds doubles) and the loads and stores of KMotionLaneBlock.inl. Include it
// once per source file, at file scope, after the constants the steps use.

namespace {
namespace two {
using B = KMotionLaneBits;
using Lanes = KMotionLanes;
using Mask = KMotionLaneMask;
using Floats = float __attribute__((vector_size(8)));
using FloatBits = std::uint32_t __attribute__((vector_size(8)));
#include "formats/motion/KMotionLaneBlock.inl"
#include RYV_MOTION_LANE_STEPS
} // namespace two
} // namespace

#if RYV_MOTION_WIDE_LANES
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {
namespace four {
using B = KMotionWideBits;
using Lanes = KMotionWideLanes;
using Mask = KMotionWideMask;
using Floats = float __attribute__((vector_size(16)));
using FloatBits = std::uint32_t __attribute__((vector_size(16)));
#include "formats/motion/KMotionLaneBlock.inl"
#include RYV_MOTION_LANE_STEPS
} // namespace four
} // namespace

#pragma GCC pop_options
#endif

#undef RYV_MOTION_LANE_STEPS

// The function pName of the steps for the lane width pWidth asks for (KMotionLaneWidth): four
// lanes only where the processor has the wider registers.
#if RYV_MOTION_WIDE_LANES
#define RYV_MOTION_LANES_OF(pWidth, pName)                                                         \
    (KMotionQuickTrig::TakesWideLanes(pWidth) ? four::pName : two::pName)
#else
#define RYV_MOTION_LANES_OF(pWidth, pName) (static_cast<void>(pWidth), two::pName)
#endif
