// Definitions of every state global, from state_table.inc. Arrays start zeroed; a ".max_length"
// scalar starts at the capacity of its collection, every other scalar at 0.
#include "app/state/state.hpp"

#define TESSEL_STATE(kind, cxx, sym, path, type, cap, is_bool, record, field, init) \
    TESSEL_STATE_DEFINE_##kind(sym, type, cap, init)
#define TESSEL_STATE_DEFINE_ARRAY(sym, type, cap, init) state_##type tessel_state_array__##sym[cap] = {};
#define TESSEL_STATE_DEFINE_SCALAR(sym, type, cap, init) state_##type tessel_state_scalar__##sym = init;
#include "state_table.inc"
