/* Export and calling-convention macros shared by every C-ABI header of the project. */
#ifndef TESSEL_EXPORT_H
#define TESSEL_EXPORT_H

#if defined(__GNUC__)
#define TESSEL_EXPORT __attribute__((visibility("default")))
#else
#define TESSEL_EXPORT
#endif

#ifdef __cplusplus
#define TESSEL_EXTERN_C extern "C"
#define TESSEL_BEGIN_C extern "C" {
#define TESSEL_END_C }
#define TESSEL_NOEXCEPT noexcept
#else
#define TESSEL_EXTERN_C
#define TESSEL_BEGIN_C
#define TESSEL_END_C
#define TESSEL_NOEXCEPT
#endif

#endif
