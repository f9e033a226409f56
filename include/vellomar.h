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
 * fields keep this order with natural alignment. */
typedef struct ArrayRecord {
  struct ArrayRecord* next; /*  0: next array in creation order; NULL for the last */
  const char* name;         /*  4: the creating gauge's own name text (not a copy) */
  char* strings;            /*  8: string arrays: size slots of 260 bytes; else NULL */
  uint32_t token;           /* 12: the array token; never 0 */
  double* numbers;          /* 16: number arrays: size doubles; else NULL */
  int32_t units_code;       /* 20: number arrays: host's code for "number"; else -2 */
  int32_t size;             /* 24: element count, 1 to 1000 */
  uint32_t reserved;        /* 28: always 0 */
} ArrayRecord;

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
