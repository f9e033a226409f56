/* A module written in C that links against vellomar and inspects it through
 * the public header alone: the header must compile as C and its declarations
 * must reach the library's unmangled exports. */
#include <stddef.h>
#include <stdio.h>

/* On a 32-bit build the header checks ArrayRecord's layout itself, here as C11. */
#include "vellomar.h"

int main(void) {
  VellomarGetMaxVarsFn max_vars = GetMaxVars;
  VellomarGetFirstUserVarFn first_user_var = GetFirstUserVar;
  VellomarGetFirstArrayFn first_array = GetFirstArray;
  int walked = 0;
  const ArrayRecord* array;
  for (array = first_array(); array != NULL; array = array->next) ++walked;
  if (max_vars() != 0 || first_user_var() != 15 || walked != 0) {
    printf("unexpected state at load: max vars %d, first user var %d, %d arrays\n", (int)max_vars(),
           (int)first_user_var(), walked);
    return 1;
  }
  printf("inspection exports reached from C\n");
  return 0;
}
