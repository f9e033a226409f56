// Marks the module's exported names. Everything else is hidden. On Windows the
// module-definition file names the exports, undecorated.
#ifndef VELLOMAR_MODULE_EXPORT_H_
#define VELLOMAR_MODULE_EXPORT_H_

#if defined(_WIN32)
#define VELLOMAR_EXPORT
#else
#define VELLOMAR_EXPORT __attribute__((visibility("default")))
#endif

#endif  // VELLOMAR_MODULE_EXPORT_H_
