// Internal to tessel_dynload: the native atlas optimiser as the graphics facade calls it before every
// submission. The atlas bridge defines it; graphics_api.cpp holds a weak default that changes nothing.
#pragma once

#include "tessel/graphics.h"

namespace tessel::internal {

/** Runs one optimisation attempt against the library's atlas functions; true when a plan was staged
 *  and committed. Never reports errors. */
bool run_native_atlas_optimizer(tessel_gfx_sprite_atlas_query_v1_fn query,
                                tessel_gfx_sprite_atlas_stage_plan_v1_fn stage,
                                tessel_gfx_sprite_atlas_commit_plan_v1_fn commit);

}  // namespace tessel::internal
