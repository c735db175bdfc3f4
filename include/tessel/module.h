/* Entry points a module of the toolchain exports to its host.
 *
 * The host calls tessel_aot_bind_runtime_globals once after loading (and again after a code swap),
 * then main once, then tick and render once per frame, all on one thread, one at a time. Between
 * frames it may read or restore the replay record. */
#ifndef TESSEL_MODULE_H
#define TESSEL_MODULE_H

#include <stdint.h>

#include "export.h"

/** Exact size in bytes of the replay record of the Pellam Marble Wall module. */
#define TESSEL_REPLAY_RECORD_SIZE 98788

typedef void (*tessel_bind_fn)(void);
typedef int32_t (*tessel_entry_fn)(void);
typedef int32_t (*tessel_replay_size_fn)(void);
typedef int32_t (*tessel_replay_io_fn)(uint8_t* buffer, int32_t length);

/* The entry points themselves are looked up with dlsym by these names:
 *   "tessel_aot_bind_runtime_globals"  void (void)  registers all state and string literals
 *   "main"                             int32_t (void) brings the module to its first frame; 0
 *   "tick"                             int32_t (void) one fixed step; 0 to go on, 1 after a quit request
 *   "render"                           int32_t (void) writes one frame of the command stream; 0
 * main is not declared here: in the module it is an ordinary exported function of that name. */

TESSEL_BEGIN_C

/** Size of the replay record: always TESSEL_REPLAY_RECORD_SIZE. */
TESSEL_EXPORT int32_t tessel_replay_state_snapshot_size(void) TESSEL_NOEXCEPT;

/** Writes the replay record into buffer. Returns the record size, or its negation (writing nothing)
 *  when buffer is null or capacity is below the record size. */
TESSEL_EXPORT int32_t tessel_replay_state_snapshot_write(uint8_t* buffer, int32_t capacity) TESSEL_NOEXCEPT;

/** Loads a replay record back into the module state. Returns the record size, or its negation
 *  (changing nothing) when buffer is null or length is not exactly the record size. */
TESSEL_EXPORT int32_t tessel_replay_state_snapshot_restore(const uint8_t* buffer, int32_t length) TESSEL_NOEXCEPT;

TESSEL_END_C

#endif
