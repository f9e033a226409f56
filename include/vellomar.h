/* vellomar: inspection interface for other modules in the same process.
 *
 * vellomar keeps named text variables and numbered arrays of texts or numbers
 * for the host's gauges. Another module loaded into the same process may look
 * at that storage directly through the three functions below (resolve them by
 * name from the vellomar library, e.g. with GetProcAddress or dlsym).
 *
 * Threading: vellomar takes no locks. Call these functions and read the
 * records only from the host's gauge thread, never while a property call is
 * running.
 *
 * Lifetime: every record reached from GetFirstArray, and every buffer it points
 * to, stays valid until the host stops the module (DLLStop). Afterwards
 * GetFirstArray returns NULL. The records are read-only for other modules.
 *
 * This header compiles as C and as C++.
 */
#ifndef VELLOMAR_VELLOMAR_H_
#define VELLOMAR_VELLOMAR_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The name vellomar registers its callback under, as gauges write it in
 * (C:VELLOMAR:Keyword). Hosts match it in any letter case. */
#define VELLOMAR_CALLBACK_NAME "VELLOMAR"

/* Bytes in one element of a string array: at most 259 characters and a NUL. */
#define VELLOMAR_TEXT_SLOT_SIZE 260

/* One array. On the 32-bit Windows host the record is 32 bytes, little-endian,
 * every field 4 bytes, at the offsets below. Where addresses are wider the
 * fields keep this order with natural alignment (56 bytes on x86-64).
 *
 * Tokens: on the 32-bit host an array's token is the address of the link that
 * refers to its record (the list head for the first array, the previous
 * record for every later one). Where addresses are wider than 32 bits it is
 * the array's position in the list instead, counted from 1, so after a stop
 * and a new start the first array created has token 1 again. Either way a
 * token is never 0 and stays the same for the array's life.
 *
 * Units code: a number array records the host's units code for "number",
 * asked once when the array is created; -1 when the module knows no
 * panel-services table at that moment. A string array records -2. */
typedef struct ArrayRecord {
  struct ArrayRecord* next; /*  0: next array in creation order; NULL for the last */
  const char* name;         /*  4: the creating gauge's own name text (not a copy) */
  char* strings;            /*  8: string arrays: size slots of 260 bytes; else NULL */
  uint32_t token;           /* 12: the array token; never 0 */
  double* numbers;          /* 16: number arrays: size doubles; else NULL */
  int32_t units_code;       /* 20: number arrays: host's code for "number" (or -1); else -2 */
  int32_t size;             /* 24: element count, 1 to 1000 */
  uint32_t reserved;        /* 28: always 0 */
} ArrayRecord;

/* The 32-bit host's layout, checked wherever this header is compiled for a
 * 32-bit target, in C and in C++ alike. */
#if UINTPTR_MAX == 0xFFFFFFFFu
#if defined(__cplusplus)
#define VELLOMAR_LAYOUT_ASSERT(condition, message) static_assert(condition, message)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VELLOMAR_LAYOUT_ASSERT(condition, message) _Static_assert(condition, message)
#endif
#ifdef VELLOMAR_LAYOUT_ASSERT
VELLOMAR_LAYOUT_ASSERT(sizeof(ArrayRecord) == 32, "ArrayRecord is 32 bytes on 32-bit hosts");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, next) == 0, "next at 0");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, name) == 4, "name at 4");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, strings) == 8, "strings at 8");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, token) == 12, "token at 12");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, numbers) == 16, "numbers at 16");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, units_code) == 20, "units code at 20");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, size) == 24, "size at 24");
VELLOMAR_LAYOUT_ASSERT(offsetof(ArrayRecord, reserved) == 28, "reserved at 28");
#undef VELLOMAR_LAYOUT_ASSERT
#endif
#endif

/* Property id of the first user variable: always 15, whether one exists or not. */
typedef int32_t (*VellomarGetFirstUserVarFn)(void);
/* One more than the newest user variable's id; 0 before the first variable ever
 * created. Walk ids from GetFirstUserVar() up to, not including, this value. It
 * is not reset when the module stops. */
typedef int32_t (*VellomarGetMaxVarsFn)(void);
/* Head of the array list, or NULL when no array exists. Follow next. */
typedef ArrayRecord* (*VellomarGetFirstArrayFn)(void);

int32_t GetMaxVars(void);
int32_t GetFirstUserVar(void);
ArrayRecord* GetFirstArray(void);

#ifdef __cplusplus
}
#endif

#endif /* VELLOMAR_VELLOMAR_H_ */
